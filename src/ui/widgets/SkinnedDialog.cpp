#include "ui/widgets/SkinnedDialog.h"

#include "skin/Artwork.h"
#include "ui/widgets/Layouts.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/Widgets.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>

namespace lindrel {

SkinnedDialog::SkinnedDialog(const ScreenMetrics& screen, const QString& title, int widthTwips,
                             int heightTwips, const QColor& background)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), screen_(screen), title_(title),
      widthTwips_(widthTwips), heightTwips_(heightTwips) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(ProgramIcon());
    resize(screen.ToPixelsX(widthTwips), screen.ToPixelsY(heightTwips));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, background);
    setPalette(colours);
    setAutoFillBackground(true);
}

void SkinnedDialog::paintEvent(QPaintEvent*) {
    // Drawn again only when the window moved to a screen of another density.
    if (skin_.isNull() || skin_.devicePixelRatio() != devicePixelRatioF()) {
        skin_ = DialogSkin(title_, devicePixelRatioF());
    }
    QPainter painter(this);
    painter.drawImage(0, 0, skin_);
}

QLabel* SkinnedDialog::Caption(const char* text, TwipsRect place) {
    auto* label = new QLabel(text, this);
    SetTwipsGeometry(*label, screen_, place);
    label->setFont(style::Font());
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, style::Yellow());
    label->setPalette(colours);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QLineEdit* SkinnedDialog::TextBox(TwipsRect place) {
    auto* box = new QLineEdit(this);
    SetTwipsGeometry(*box, screen_, place);
    box->setFont(style::Font());
    box->setFrame(false);
    QPalette colours = box->palette();
    colours.setColor(QPalette::Base, style::TextBoxBase());
    colours.setColor(QPalette::Text, style::TextBoxText());
    box->setPalette(colours);
    box->setTextMargins(2, 0, 2, 0);
    return box;
}

ClickLabel* SkinnedDialog::Button(const char* text, TwipsRect place,
                                  std::function<void()> onClick) {
    auto* button = new ClickLabel(Mnemonic(text), this, std::move(onClick));
    SetTwipsGeometry(*button, screen_, place);
    button->setAlignment(Qt::AlignCenter);
    button->setTextFormat(Qt::RichText);
    QPalette colours = button->palette();
    colours.setColor(QPalette::WindowText, style::ButtonText());
    button->setPalette(colours);
    button->setFont(style::Font(true));
    return button;
}

void SkinnedDialog::PlaceAbove(int callerTop, int callerLeft) {
    MoveTwips(*this, screen_,
              {callerTop - heightTwips_, callerLeft + layout::dialog::kRightOfCaller});
}

QString Mnemonic(const char* text) {
    QString shown = QString::fromLatin1(text).toHtmlEscaped();
    const auto amp = shown.indexOf("&amp;");
    if (amp >= 0 && amp + 5 < shown.size()) {
        shown = shown.left(amp) + "<u>" + shown.mid(amp + 5, 1) + "</u>" + shown.mid(amp + 6);
    }
    return shown;
}

void Colour(QWidget& widget, const QColor& background, const QColor& text) {
    QPalette colours = widget.palette();
    colours.setColor(QPalette::Window, background);
    colours.setColor(QPalette::Base, background);
    colours.setColor(QPalette::Button, background);
    colours.setColor(QPalette::Text, text);
    colours.setColor(QPalette::WindowText, text);
    colours.setColor(QPalette::ButtonText, text);
    widget.setPalette(colours);
    widget.setAutoFillBackground(true);
}

} // namespace lindrel
