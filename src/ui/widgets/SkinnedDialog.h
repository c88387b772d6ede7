#pragma once

#include "ui/widgets/Forms.h"

#include <QImage>
#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;

namespace lindrel {

class ClickLabel;

// A borderless window with a skin behind its controls (drawn with its title at the
// window's density), laid out in twips.
class SkinnedDialog : public QWidget {
public:
    SkinnedDialog(const ScreenMetrics& screen, const QString& title, int widthTwips,
                  int heightTwips, const QColor& background);

    const ScreenMetrics& screen() const { return screen_; }
    int widthTwips() const { return widthTwips_; }
    int heightTwips() const { return heightTwips_; }

protected:
    void paintEvent(QPaintEvent* event) override;

    // A yellow, right-aligned caption.
    QLabel* Caption(const char* text, TwipsRect place);
    // A text box in the menu colour.
    QLineEdit* TextBox(TwipsRect place);
    // A centred label that acts as a button.
    ClickLabel* Button(const char* text, TwipsRect place, std::function<void()> onClick);
    // Places the window with its bottom edge on the caller's top, a little to the right.
    void PlaceAbove(int callerTop, int callerLeft);

private:
    const ScreenMetrics& screen_;
    QString title_;
    QImage skin_;
    int widthTwips_;
    int heightTwips_;
};

// Shows "&OK" style captions with the mnemonic drawn, as labels show them.
QString Mnemonic(const char* text);

// Sets a widget's background and text colours, filled.
void Colour(QWidget& widget, const QColor& background, const QColor& text);

} // namespace lindrel
