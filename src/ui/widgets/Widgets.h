#pragma once

#include <QIcon>
#include <QLabel>
#include <QPoint>
#include <functional>

class QMouseEvent;

namespace lindrel {

// A label that acts as a button: a left click (press and release over it) runs onClick.
class ClickLabel : public QLabel {
public:
    ClickLabel(const QString& text, QWidget* parent, std::function<void()> onClick);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::function<void()> onClick_;
};

// An invisible area that reports clicks, double clicks and right-button presses.
class HitArea : public QWidget {
public:
    explicit HitArea(QWidget* parent);
    std::function<void()> onClick;
    std::function<void()> onDoubleClick;
    std::function<void(QPoint globalPosition)> onRightPress;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// The program's icon at every size it is drawn at (window, tray), for any density.
QIcon ProgramIcon();

} // namespace lindrel
