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
    // Builds the shape from the picture, in its own pixels (device pixels for a picture
    // drawn at a screen's density, which it carries as its device pixel ratio). Colours
    // are 0xRRGGBB; a key of 1 asks for the colour of the picture's bottom-left pixel,
    // which is written back into key.
    void ScanPicture(const QImage& picture, std::int32_t& key);
    // Gives the window the shape. At a ratio of 1 it is Qt's mask (in client coordinates,
    // with any window frame outside them); at another, where the window system can shape
    // a window by its device pixels (X11, Windows), the shape goes to it as it is, so it
    // follows the painted edge to the pixel; elsewhere the mask covers every skin pixel.
    // An empty shape (a picture that could not be read) is not applied: it would make the
    // window invisible for good.
    void ApplyRgn(QWidget& window) const;

    // The shape in the picture's pixels.
    const QRegion& hRgn() const { return hRgn_; }

private:
    QRegion hRgn_;
    qreal ratio_ = 1;
    cDIBSection bitmap_;
};

} // namespace lindrel
