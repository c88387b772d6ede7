#include "ui/widgets/Widgets.h"

#include <QMouseEvent>

namespace lindrel {

ClickLabel::ClickLabel(const QString& text, QWidget* parent, std::function<void()> onClick)
    : QLabel(text, parent), onClick_(std::move(onClick)) {
    setCursor(Qt::PointingHandCursor);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        onClick_) {
        onClick_();
    }
}

HitArea::HitArea(QWidget* parent) : QWidget(parent) {}

void HitArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton && onRightPress) {
        onRightPress(event->globalPosition().toPoint());
    } else if (event->button() != Qt::LeftButton) {
        event->ignore();
    }
}

void HitArea::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        onClick) {
        onClick();
    }
}

void HitArea::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && onDoubleClick) {
        onDoubleClick();
    }
}

QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128}) {
        icon.addFile(QString(":/lindrel/icons/%1x%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

} // namespace lindrel
