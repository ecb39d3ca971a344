// The rectangles a fill or a rectangle copy accepts. There is no clipper: a
// rectangle that leaves a surface is refused whole (DDERR_INVALIDRECT), never
// cut to fit. The core's software surfaces and the Win32 backend (which
// checks before the driver sees the call, as drivers differ) both keep it.
#pragma once

#include "pf/types.h"

namespace pf::core {

// A rectangle inside width x height, not inverted.
bool RectInside(const RECT& rect, LONG width, LONG height);

// A copy of sourceRect (the whole source when null) from a source of
// sourceWidth x sourceHeight to (x, y) on a destination of destWidth x
// destHeight: true when it lies inside both, with the source rectangle in
// *from.
bool CopyFits(DWORD x, DWORD y, const RECT* sourceRect, LONG sourceWidth, LONG sourceHeight,
              LONG destWidth, LONG destHeight, RECT* from);

}  // namespace pf::core
