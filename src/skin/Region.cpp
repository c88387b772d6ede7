#include "skin/Region.h"

#include "platform/Platform.h"

#include <QGuiApplication>
#include <QImage>
#include <QWidget>
#include <cmath>
#include <vector>

namespace lindrel {

namespace {

std::int32_t ColourAt(const std::uint8_t* pixel) {
    return pixel[0] + pixel[1] * 256 + pixel[2] * 65536;
}

} // namespace

void Region::ScanPicture(const QImage& picture, std::int32_t& key) {
    hRgn_ = QRegion();
    ratio_ = picture.devicePixelRatio();
    bitmap_.CreateFromPicture(picture);
    const std::uint8_t* bits = bitmap_.DIBSectionBitsPtr();
    if (bits == nullptr) {
        return;
    }
    const std::int32_t width = bitmap_.Width();
    const std::int32_t height = bitmap_.Height();
    const auto stride = static_cast<std::size_t>(bitmap_.BytesPerScanLine());
    if (key == 1) {
        key = ColourAt(bits);
    }
    // Collect the one-pixel-high runs, then build the region in one go: far cheaper
    // than uniting rectangle by rectangle, and the same set of pixels. setRects wants
    // them top-down, so the stored rows are walked from the last (the picture's top).
    std::vector<QRect> runs;
    for (std::int32_t y = height - 1; y >= 0; --y) {
        const std::uint8_t* row = bits + static_cast<std::size_t>(y) * stride;
        std::int32_t x = 0;
        while (x < width) {
            while (x < width && ColourAt(row + static_cast<std::size_t>(x) * 3) == key) {
                ++x;
            }
            const std::int32_t start = x;
            while (x < width && ColourAt(row + static_cast<std::size_t>(x) * 3) != key) {
                ++x;
            }
            if (x > start) {
                runs.emplace_back(start, height - 1 - y, x - start, 1);
            }
        }
    }
    hRgn_.setRects(runs.data(), static_cast<int>(runs.size()));
}

void Region::ApplyRgn(QWidget& window) const {
    if (hRgn_.isEmpty()) {
        return;
    }
    if (ratio_ == 1) {
        window.setMask(hRgn_);
        return;
    }
    std::vector<platform::PixelRect> device;
    for (const QRect& run : hRgn_) {
        device.push_back({run.x(), run.y(), run.width(), run.height()});
    }
    const QString system = QGuiApplication::platformName();
    if ((system == "xcb" || system == "windows") &&
        platform::ShapeWindow(static_cast<std::uintptr_t>(window.winId()), device)) {
        return;
    }
    // Every logical pixel that holds a skin pixel.
    QRegion logical;
    for (const QRect& run : hRgn_) {
        const QPoint topLeft(static_cast<int>(std::floor(run.x() / ratio_)),
                             static_cast<int>(std::floor(run.y() / ratio_)));
        const QPoint bottomRight(static_cast<int>(std::ceil((run.x() + run.width()) / ratio_)) - 1,
                                 static_cast<int>(std::ceil((run.y() + run.height()) / ratio_)) -
                                     1);
        logical += QRect(topLeft, bottomRight);
    }
    window.setMask(logical);
}

} // namespace lindrel
