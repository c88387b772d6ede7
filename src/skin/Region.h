#pragma once

#include "skin/cDIBSection.h"

#include <QRegion>
#include <cstdint>

class QImage;
class QWidget;

// Window shapes from skin pictures. Errors: a picture that cannot be read gives an empty
// shape, which is never applied; nothing here throws.
namespace lindrel {

// A window shape made from a skin picture: every pixel that is not the key colour.
class Region {
public:
    // Builds the shape from the picture. Colours are 0xRRGGBB; a key of 1 asks for the
    // colour of the picture's bottom-left pixel, which is written back into key.
    void ScanPicture(const QImage& picture, std::int32_t& key);
    // Gives the window the shape. Qt masks are in client coordinates, with any window
    // frame outside them, so the shape needs no shift past a frame. An empty shape (a picture that
    // could not be read) is not applied: it would make the window invisible for good.
    void ApplyRgn(QWidget& window) const;

    const QRegion& hRgn() const { return hRgn_; }

private:
    QRegion hRgn_;
    cDIBSection bitmap_;
};

} // namespace lindrel
