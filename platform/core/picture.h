// The size of the picture the game draws and every backend shows: the one
// display mode the game sets, 800x600 at 16 bits (5-6-5). A header of its own,
// without the seam's declarations, so that the Windows backend can include it
// beside the system's headers.
#pragma once

namespace pf::core {

constexpr int kPictureWidth = 800;
constexpr int kPictureHeight = 600;

}  // namespace pf::core
