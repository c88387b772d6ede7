#include "skin/cDIBSection.h"

#include <QImage>
#include <algorithm>
#include <limits>

namespace lindrel {

std::int32_t cDIBSection::BytesPerScanLine() const {
    return (header_.biWidth * 3 + 3) & ~3;
}

bool cDIBSection::CreateDIB(std::int32_t lWidth, std::int32_t lHeight) {
    constexpr std::int64_t kMaxBytes = std::numeric_limits<std::int32_t>::max();
    if (lWidth <= 0 || lHeight <= 0 ||
        (std::int64_t{lWidth} * 3 + 3) * std::int64_t{lHeight} > kMaxBytes) {
        return false;
    }
    header_ = BitmapInfoHeader{};
    header_.biWidth = lWidth;
    header_.biHeight = lHeight;
    header_.biSizeImage = BytesPerScanLine() * header_.biHeight;
    bits_.assign(static_cast<std::size_t>(header_.biSizeImage), 0);
    return true;
}

bool cDIBSection::Create(std::int32_t lWidth, std::int32_t lHeight) {
    ClearUp();
    return CreateDIB(lWidth, lHeight);
}

void cDIBSection::CreateFromPicture(const QImage& picThis) {
    if (!Create(picThis.width(), picThis.height())) {
        return;
    }
    LoadPictureBlt(picThis, 0, 0, -1, -1);
}

void cDIBSection::LoadPictureBlt(const QImage& source, std::int32_t lSrcLeft, std::int32_t lSrcTop,
                                 std::int32_t lSrcWidth, std::int32_t lSrcHeight) {
    if (bits_.empty()) {
        return;
    }
    const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
    const std::int32_t width = std::min(lSrcWidth < 0 ? Width() : lSrcWidth, Width());
    const std::int32_t height = std::min(lSrcHeight < 0 ? Height() : lSrcHeight, Height());
    const auto stride = static_cast<std::size_t>(BytesPerScanLine());
    for (std::int32_t y = 0; y < height; ++y) {
        const std::int32_t sourceY = lSrcTop + y;
        if (sourceY < 0 || sourceY >= rgb.height()) {
            continue;
        }
        const std::uint8_t* in = rgb.constScanLine(sourceY);
        // Row y of the picture is stored row Height - 1 - y: bottom-up.
        std::uint8_t* out = bits_.data() + static_cast<std::size_t>(Height() - 1 - y) * stride;
        for (std::int32_t x = 0; x < width; ++x) {
            const std::int32_t sourceX = lSrcLeft + x;
            if (sourceX < 0 || sourceX >= rgb.width()) {
                continue;
            }
            const std::uint8_t* pixel = in + static_cast<std::size_t>(sourceX) * 3; // R, G, B
            std::uint8_t* stored = out + static_cast<std::size_t>(x) * 3;
            stored[0] = pixel[2];
            stored[1] = pixel[1];
            stored[2] = pixel[0];
        }
    }
}

void cDIBSection::ClearUp() {
    bits_.clear();
    bits_.shrink_to_fit();
}

} // namespace lindrel
