#pragma once

#include <QImage>
#include <QString>

// The program's artwork, drawn with vector means at the pixel density it is shown at:
// the status window's skin, the dialogs' skins and the icon. Errors: none; a drawing is
// always made.
namespace lindrel {

// The status window's skin, 301 x 155 logical pixels, drawn at devicePixelRatio device
// pixels each (the image carries that ratio). Outside its rounded edge is the key colour
// (0x9900CC), drawn without antialiasing, so every pixel is the key or the skin and a
// shape scanned from it follows the painted edge exactly.
QImage StatusSkin(qreal devicePixelRatio);

// A dialog's skin with its title, 249 x 265 logical pixels, likewise.
QImage DialogSkin(const QString& title, qreal devicePixelRatio);

// The program's icon, size x size pixels.
QImage Icon(int size);

} // namespace lindrel
