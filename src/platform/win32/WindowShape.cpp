#include "platform/Platform.h"

#include <algorithm>
#include <windows.h>

namespace lindrel::platform {

bool ShapeWindow(std::uintptr_t window, const std::vector<PixelRect>& rects) {
    const auto hwnd = reinterpret_cast<HWND>(window);
    if (hwnd == nullptr || ::IsWindow(hwnd) == FALSE) {
        return false;
    }
    // The region's rectangles in one block, as ExtCreateRegion takes them.
    std::vector<char> data(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
    auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
    header->dwSize = sizeof(RGNDATAHEADER);
    header->iType = RDH_RECTANGLES;
    header->nCount = static_cast<DWORD>(rects.size());
    header->nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
    auto* out = reinterpret_cast<RECT*>(data.data() + sizeof(RGNDATAHEADER));
    RECT bounds{0, 0, 0, 0};
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const PixelRect& rect = rects[i];
        out[i] = {rect.x, rect.y, rect.x + rect.width, rect.y + rect.height};
        bounds.right = std::max(bounds.right, out[i].right);
        bounds.bottom = std::max(bounds.bottom, out[i].bottom);
    }
    header->rcBound = bounds;
    const HRGN region = ::ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()),
                                          reinterpret_cast<const RGNDATA*>(data.data()));
    if (region == nullptr) {
        return false;
    }
    // The window owns the region from here on, and deletes it.
    if (::SetWindowRgn(hwnd, region, TRUE) == 0) {
        ::DeleteObject(region);
        return false;
    }
    return true;
}

} // namespace lindrel::platform
