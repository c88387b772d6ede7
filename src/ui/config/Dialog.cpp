#include "ui/config/Dialog.h"

#include "ui/status/Widgets.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>

namespace lindrel {

SkinnedDialog::SkinnedDialog(const ScreenMetrics& screen, const QString& skin, int widthTwips,
                             int heightTwips, const QColor& background)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), screen_(screen), skin_(skin),
      widthTwips_(widthTwips), heightTwips_(heightTwips) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(QIcon(":/lindrel/icon.png"));
    resize(screen.ToPixelsX(widthTwips), screen.ToPixelsY(heightTwips));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, background);
    setPalette(colours);
    setAutoFillBackground(true);
}

void SkinnedDialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, skin_);
}

QLabel* SkinnedDialog::Caption(const char* text, int left, int top, int width, int height) {
    auto* label = new QLabel(text, this);
    SetTwipsGeometry(*label, screen_, left, top, width, height);
    QFont font("Arial");
    font.setPointSizeF(8.25);
    label->setFont(font);
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, QColor(255, 255, 0));
    label->setPalette(colours);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QLineEdit* SkinnedDialog::TextBox(int left, int top, int width, int height) {
    auto* box = new QLineEdit(this);
    SetTwipsGeometry(*box, screen_, left, top, width, height);
    QFont font("Arial");
    font.setPointSizeF(8.25);
    box->setFont(font);
    box->setFrame(false);
    QPalette colours = box->palette();
    colours.setColor(QPalette::Base, QColor(0xe4, 0xe6, 0xea));
    colours.setColor(QPalette::Text, QColor(0x10, 0x12, 0x16));
    box->setPalette(colours);
    box->setTextMargins(2, 0, 2, 0);
    return box;
}

ClickLabel* SkinnedDialog::Button(const char* text, int left, int top, int width, int height,
                                  std::function<void()> onClick) {
    auto* button = new ClickLabel(Mnemonic(text), this, std::move(onClick));
    SetTwipsGeometry(*button, screen_, left, top, width, height);
    button->setAlignment(Qt::AlignCenter);
    button->setTextFormat(Qt::RichText);
    QPalette colours = button->palette();
    colours.setColor(QPalette::WindowText, QColor(0xe8, 0xb3, 0x3a));
    button->setPalette(colours);
    QFont font("Arial");
    font.setPointSizeF(8.25);
    font.setBold(true);
    button->setFont(font);
    return button;
}

void SkinnedDialog::PlaceAbove(int callerTop, int callerLeft) {
    MoveTwips(*this, screen_, {callerTop - heightTwips_, callerLeft + 380});
}

QString Mnemonic(const char* text) {
    QString shown = QString::fromLatin1(text).toHtmlEscaped();
    const auto amp = shown.indexOf("&amp;");
    if (amp >= 0 && amp + 5 < shown.size()) {
        shown = shown.left(amp) + "<u>" + shown.mid(amp + 5, 1) + "</u>" + shown.mid(amp + 6);
    }
    return shown;
}

} // namespace lindrel
