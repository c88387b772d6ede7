#pragma once

#include <cstdint>
#include <vector>

class QImage;

namespace lindrel {

// The description of a 24-bit bitmap, laid out as the platform's bitmap header.
struct BitmapInfoHeader {
    std::int32_t biSize = 40;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::int16_t biPlanes = 1;
    std::int16_t biBitCount = 24;
    std::int32_t biCompression = 0; // BI_RGB
    std::int32_t biSizeImage = 0;
};

// A 24-bit pixel buffer in the device-independent layout: rows bottom-up, pixels as
// blue, green, red, each row padded to a multiple of four bytes. The region builder
// reads the pixels in place.
class cDIBSection {
public:
    // Allocates a zeroed bitmap, replacing any previous one. False for a size that is
    // not positive or too large to address.
    bool Create(std::int32_t lWidth, std::int32_t lHeight);
    // A bitmap of the picture's size holding a copy of it; empty when that fails.
    void CreateFromPicture(const QImage& picThis);
    // Copies a part of a picture to (0, 0); a negative width or height means the
    // bitmap's own.
    void LoadPictureBlt(const QImage& source, std::int32_t lSrcLeft = 0, std::int32_t lSrcTop = 0,
                        std::int32_t lSrcWidth = -1, std::int32_t lSrcHeight = -1);
    void ClearUp();

    std::int32_t BytesPerScanLine() const;
    std::int32_t Width() const { return header_.biWidth; }
    std::int32_t Height() const { return header_.biHeight; }
    const BitmapInfoHeader& Header() const { return header_; }
    // The first stored byte (the bottom-left pixel's blue); null when empty.
    const std::uint8_t* DIBSectionBitsPtr() const { return bits_.empty() ? nullptr : bits_.data(); }

private:
    bool CreateDIB(std::int32_t lWidth, std::int32_t lHeight);

    BitmapInfoHeader header_;
    std::vector<std::uint8_t> bits_;
};

} // namespace lindrel
