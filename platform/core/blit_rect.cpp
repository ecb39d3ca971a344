#include "blit_rect.h"

namespace pf::core {

bool RectInside(const RECT& rect, LONG width, LONG height) {
    return rect.left >= 0 && rect.top >= 0 && rect.left <= rect.right &&
           rect.top <= rect.bottom && rect.right <= width && rect.bottom <= height;
}

bool CopyFits(DWORD x, DWORD y, const RECT* sourceRect, LONG sourceWidth, LONG sourceHeight,
              LONG destWidth, LONG destHeight, RECT* from) {
    *from = sourceRect != nullptr ? *sourceRect : RECT{0, 0, sourceWidth, sourceHeight};
    if (!RectInside(*from, sourceWidth, sourceHeight)) return false;
    // 64 bits: a position near 2^32 must not wrap round into the surface.
    return static_cast<int64_t>(x) + (from->right - from->left) <= destWidth &&
           static_cast<int64_t>(y) + (from->bottom - from->top) <= destHeight;
}

}  // namespace pf::core
