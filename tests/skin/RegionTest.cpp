#include "skin/Region.h"

#include "skin/Artwork.h"
#include "skin/cDIBSection.h"

#include <QImage>
#include <QWidget>
#include <cmath>
#include <gtest/gtest.h>

namespace lindrel {
namespace {

const QColor kKey(153, 0, 204);
const QColor kSkin(20, 24, 30);

// A picture drawn from rows of text: '#' is skin, '.' is the key colour.
QImage Picture(const std::vector<std::string>& rows) {
    QImage image(static_cast<int>(rows.front().size()), static_cast<int>(rows.size()),
                 QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixelColor(
                x, y,
                rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] == '#' ? kSkin
                                                                                      : kKey);
        }
    }
    return image;
}

TEST(cDIBSection, SizesAndLayoutOfTheStatusSkin) {
    QImage picture(301, 155, QImage::Format_RGB888);
    picture.fill(QColor(1, 2, 3));
    picture.setPixelColor(0, 154, QColor(0x99, 0x00, 0xCC));
    cDIBSection dib;
    dib.CreateFromPicture(picture);
    EXPECT_EQ(dib.Width(), 301);
    EXPECT_EQ(dib.Height(), 155);
    EXPECT_EQ(dib.BytesPerScanLine(), 904);
    EXPECT_EQ(dib.Header().biSizeImage, 140120);
    const std::uint8_t* bits = dib.DIBSectionBitsPtr();
    ASSERT_NE(bits, nullptr);
    // The bottom-left pixel comes first, blue, green, red.
    EXPECT_EQ(bits[0], 0xCC);
    EXPECT_EQ(bits[1], 0x00);
    EXPECT_EQ(bits[2], 0x99);
    EXPECT_EQ(bits[3], 3);
    // The top-left pixel starts the last stored row.
    EXPECT_EQ(bits[std::ptrdiff_t{904} * 154], 3);

    dib.ClearUp();
    EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
    dib.ClearUp();
    EXPECT_FALSE(dib.Create(0, 5));
    EXPECT_FALSE(dib.Create(100000, 100000));
}

TEST(Region, RunsOfNonKeyPixels) {
    std::int32_t key = 1;
    Region region;
    region.ScanPicture(Picture({"####", "...#", "#..#", "...."}), key);
    EXPECT_EQ(key, 0x9900CC);
    QRegion expected;
    expected += QRect(0, 0, 4, 1); // a row without key pixels: the whole row
    expected += QRect(3, 1, 1, 1); // only the last pixel
    expected += QRect(0, 2, 1, 1); // two parts with the gap left out
    expected += QRect(3, 2, 1, 1);
    EXPECT_EQ(region.hRgn(), expected);
}

TEST(Region, AllKeyGivesNothingAndAGivenKeyIsKept) {
    std::int32_t key = 1;
    Region region;
    region.ScanPicture(Picture({"...", "..."}), key);
    EXPECT_TRUE(region.hRgn().isEmpty());

    // With the skin colour as the key, the key pixels are what remains.
    key = (kSkin.red() << 16) | (kSkin.green() << 8) | kSkin.blue();
    region.ScanPicture(Picture({"#.", "##"}), key);
    EXPECT_EQ(region.hRgn(), QRegion(1, 0, 1, 1));

    // An empty shape is not applied: the window keeps being shown whole.
    QWidget window;
    key = 1;
    region.ScanPicture(QImage(), key);
    region.ApplyRgn(window);
    EXPECT_TRUE(window.mask().isEmpty());
}

TEST(Region, TheStatusSkinIsARoundedRectangle) {
    const QImage skin = StatusSkin(1);
    ASSERT_EQ(skin.size(), QSize(301, 155));
    std::int32_t key = 1;
    Region region;
    region.ScanPicture(skin, key);
    EXPECT_EQ(key, 0x9900CC);
    int runs = 0;
    for (int y = 0; y < 155; ++y) {
        bool inRun = false;
        for (int x = 0; x < 301; ++x) {
            const bool opaque = skin.pixelColor(x, y) != kKey;
            EXPECT_EQ(region.hRgn().contains(QPoint(x, y)), opaque) << x << "," << y;
            runs += opaque && !inRun ? 1 : 0;
            inRun = opaque;
        }
    }
    EXPECT_EQ(runs, 155); // one run a row
    EXPECT_FALSE(region.hRgn().contains(QPoint(0, 0)));
    EXPECT_TRUE(region.hRgn().contains(QPoint(150, 77)));

    QWidget window;
    window.resize(301, 157);
    region.ApplyRgn(window);
    EXPECT_EQ(window.mask(), region.hRgn());
}

// At 1.5 and 2 the skin is drawn at the device's size, not blown up: its rounded corner
// steps by single device pixels, and the shape scanned from it is exactly its pixels.
TEST(Region, TheSkinIsDrawnAtTheScreensDensity) {
    for (const qreal ratio : {1.5, 2.0}) {
        const QImage skin = StatusSkin(ratio);
        EXPECT_EQ(skin.size(), QSize(static_cast<int>(std::ceil(301 * ratio)),
                                     static_cast<int>(std::ceil(155 * ratio))));
        EXPECT_EQ(skin.devicePixelRatio(), ratio);
        std::int32_t key = 1;
        Region region;
        region.ScanPicture(skin, key);
        EXPECT_EQ(key, 0x9900CC);
        // The left edge's first skin pixel row by row, down the top-left corner: a
        // blown-up picture would repeat each column at least twice at 2.
        std::vector<int> edge;
        for (int y = 0; y < skin.height(); ++y) {
            int x = 0;
            while (x < skin.width() && skin.pixelColor(x, y) == kKey) {
                ++x;
            }
            edge.push_back(x);
            for (int probe : {x - 1, x}) {
                if (probe >= 0 && probe < skin.width()) {
                    EXPECT_EQ(region.hRgn().contains(QPoint(probe, y)), probe == x) << y;
                }
            }
        }
        int singleSteps = 0;
        for (std::size_t y = 1; y < edge.size() && edge[y] > 0; ++y) {
            singleSteps += edge[y - 1] - edge[y] == 1 ? 1 : 0;
        }
        EXPECT_GT(singleSteps, 3) << ratio;
    }
}

} // namespace
} // namespace lindrel
