#include "ui/status/frmAlert.h"

#include "ui/status/Forms.h"
#include "ui/status/Widgets.h"

#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>

namespace lindrel {

namespace {

constexpr int kWidthTwips = 5550;
constexpr int kHeightTwips = 2340;
const QColor kLightYellow(255, 255, 192);

} // namespace

frmAlert::frmAlert(const ScreenMetrics& screen)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      screen_(screen) {
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setObjectName("frmAlert");
    setWindowTitle("Lindrel Alert");
    resize(screen.ToPixelsX(kWidthTwips), screen.ToPixelsY(kHeightTwips));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, kLightYellow);
    colours.setColor(QPalette::Base, kLightYellow);
    colours.setColor(QPalette::WindowText, QColor(0x20, 0x20, 0x20));
    colours.setColor(QPalette::Text, QColor(0x20, 0x20, 0x20));
    setPalette(colours);
    setAutoFillBackground(true);

    lblTitle_ = new QLabel(this);
    SetTwipsGeometry(*lblTitle_, screen, 120, 30, 5175, 255);
    QFont bold = font();
    bold.setBold(true);
    lblTitle_->setFont(bold);

    fraControls_ = new QWidget(this);
    SetTwipsGeometry(*fraControls_, screen, 120, 360, 5175, 1575);
    lblMsg_ = new QPlainTextEdit(fraControls_);
    SetTwipsGeometry(*lblMsg_, screen, 120, 120, 4935, 1335);
    lblMsg_->setReadOnly(true);
    lblMsg_->setFrameShape(QFrame::NoFrame);
    lblMsg_->setFocusPolicy(Qt::NoFocus);
    lblMsg_->setPlainText("Text1");

    lblOK_ = new ClickLabel("OK", this, [this] { lblOK_Click(); });
    SetTwipsGeometry(*lblOK_, screen, 5040, 1950, 405, 255);
    lblOK_->setObjectName("lblOK");

    timKillMe_.setSingleShot(true);
    timKillMe_.setTimerType(Qt::PreciseTimer);
    timKillMe_.setInterval(5000);
    connect(&timKillMe_, &QTimer::timeout, this, [this] {
        timKillMe_.stop();
        close();
    });
}

void frmAlert::LoadMe(const QString& message, const QString& title) {
    timKillMe_.stop();
    // The poll's texts end lines with CR LF or LF; the box wants LF.
    QString text = message;
    text.replace("\r\n", "\n");
    lblMsg_->setPlainText(text);
    lblTitle_->setText(title);
    MoveTwips(*this, screen_, AlertPlace(screen_, kWidthTwips, kHeightTwips));
    timKillMe_.start();
}

QString frmAlert::Title() const {
    return lblTitle_->text();
}
QString frmAlert::Message() const {
    return lblMsg_->toPlainText();
}

void frmAlert::lblOK_Click() {
    timKillMe_.stop();
    close();
}

void frmAlert::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QColor(0x80, 0x80, 0x60));
    // Shape1, the outline, and Line1, the rule under the title.
    painter.drawRect(0, 0, screen_.ToPixelsX(5535) - 1, screen_.ToPixelsY(2295) - 1);
    painter.drawLine(0, screen_.ToPixelsY(240), screen_.ToPixelsX(5520), screen_.ToPixelsY(240));
}

} // namespace lindrel
