#pragma once

#include <QTimer>
#include <QWidget>

class QLabel;
class QPlainTextEdit;

namespace lindrel {

struct ScreenMetrics;

// The notice in the bottom-right corner: a title, a message of several lines, "OK".
// It closes itself five seconds after the last LoadMe and deletes itself when closed.
class frmAlert : public QWidget {
    Q_OBJECT
public:
    explicit frmAlert(const ScreenMetrics& screen);

    // Fills and places the notice and restarts its five seconds; does not show it.
    void LoadMe(const QString& message, const QString& title);

    QTimer& timKillMe() { return timKillMe_; }
    QString Title() const;
    QString Message() const;
    // What a click on "OK" does.
    void lblOK_Click();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const ScreenMetrics& screen_;
    QLabel* lblTitle_;
    QWidget* fraControls_;
    QPlainTextEdit* lblMsg_;
    QLabel* lblOK_;
    QTimer timKillMe_;
};

} // namespace lindrel
