#include "ui/status/frmAlert.h"

#include "ui/widgets/Forms.h"
#include "ui/widgets/Layouts.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/Widgets.h"

#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>

namespace lindrel {

namespace place = layout::alert;

frmAlert::frmAlert(const ScreenMetrics& screen)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      screen_(screen) {
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setObjectName("frmAlert");
    setWindowTitle("Lindrel Alert");
    resize(screen.ToPixelsX(place::kWidth), screen.ToPixelsY(place::kHeight));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, style::AlertBackground());
    colours.setColor(QPalette::Base, style::AlertBackground());
    colours.setColor(QPalette::WindowText, style::AlertText());
    colours.setColor(QPalette::Text, style::AlertText());
    setPalette(colours);
    setAutoFillBackground(true);

    lblTitle_ = new QLabel(this);
    SetTwipsGeometry(*lblTitle_, screen, place::kTitle);
    QFont bold = font();
    bold.setBold(true);
    lblTitle_->setFont(bold);

    fraControls_ = new QWidget(this);
    SetTwipsGeometry(*fraControls_, screen, place::kControls);
    lblMsg_ = new QPlainTextEdit(fraControls_);
    SetTwipsGeometry(*lblMsg_, screen, place::kMessage);
    lblMsg_->setReadOnly(true);
    lblMsg_->setFrameShape(QFrame::NoFrame);
    lblMsg_->setFocusPolicy(Qt::NoFocus);
    lblMsg_->setPlainText("Text1");

    lblOK_ = new ClickLabel("OK", this, [this] { lblOK_Click(); });
    SetTwipsGeometry(*lblOK_, screen, place::kOk);
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
    MoveTwips(*this, screen_, AlertPlace(screen_, place::kWidth, place::kHeight));
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
    painter.setPen(style::AlertOutline());
    // Shape1, the outline, and Line1, the rule under the title.
    painter.drawRect(0, 0, screen_.ToPixelsX(place::kOutline.width) - 1,
                     screen_.ToPixelsY(place::kOutline.height) - 1);
    painter.drawLine(0, screen_.ToPixelsY(place::kRuleTop), screen_.ToPixelsX(place::kRuleWidth),
                     screen_.ToPixelsY(place::kRuleTop));
}

} // namespace lindrel
