#include "ui/widgets/Style.h"

namespace lindrel::style {

namespace {

QFont Arial(double points, bool bold) {
    QFont font("Arial");
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace

QFont Font(bool bold) {
    return Arial(8.25, bold);
}
QFont SmallFont() {
    return Arial(6.75, false);
}

QColor Yellow() {
    return {255, 255, 0};
}
QColor Black() {
    return {0, 0, 0};
}
QColor ButtonText() {
    return {0xe8, 0xb3, 0x3a};
}
QColor TextBoxBase() {
    return {0xe4, 0xe6, 0xea};
}
QColor TextBoxText() {
    return {0x10, 0x12, 0x16};
}
QColor OptionsBackground() {
    return {0x12, 0x15, 0x1b};
}
QColor AlertBackground() {
    return {255, 255, 192};
}
QColor AlertText() {
    return {0x20, 0x20, 0x20};
}
QColor AlertOutline() {
    return {0x80, 0x80, 0x60};
}

} // namespace lindrel::style
