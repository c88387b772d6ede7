#pragma once

#include <QColor>
#include <QFont>

// The skin's fonts and colours, in one place for every window.
namespace lindrel::style {

// Arial 8.25 pt: captions, rows and text boxes; bold for the label buttons.
QFont Font(bool bold = false);
// Arial 6.75 pt: the drop-down lists.
QFont SmallFont();

QColor Yellow();      // captions, status rows, the player list's text
QColor Black();       // the player list's background
QColor ButtonText();  // the label buttons ("&OK", "&Close")
QColor TextBoxBase(); // the menu colour behind a text box
QColor TextBoxText();
QColor OptionsBackground();
QColor AlertBackground(); // light yellow
QColor AlertText();
QColor AlertOutline();

// The plain grey push button ("Browse...").
inline constexpr const char* kPlainButtonSheet =
    "background: rgb(224, 224, 224); color: black; border: none;";

} // namespace lindrel::style
