#pragma once

#include <QPoint>

class QWidget;

// The small layer between the windows, whose layout is in twips (1/1440 inch), and Qt.
// The widget kit cannot fail: it places, colours and converts, and throws nothing.
namespace lindrel {

// The usable screen: its size in pixels (the full-screen client area) and the twips
// per pixel of its logical resolution (15 at 96 dots per inch).
struct ScreenMetrics {
    int fullWidth = 0;
    int fullHeight = 0;
    double twipsPerPixelX = 15;
    double twipsPerPixelY = 15;
    QPoint origin; // top-left of the usable area, in pixels

    static ScreenMetrics Primary();
    int ToPixelsX(double twips) const;
    int ToPixelsY(double twips) const;
};

// Rounds to the nearest whole number, halves to the even one.
int RoundHalfEven(double value);

struct TwipsPoint {
    int top = 0;
    int left = 0;
};

struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Flush with the right edge, 475 twips above the bottom of the usable area.
TwipsPoint StatusWindowPlace(const ScreenMetrics& screen, int widthTwips, int heightTwips);
// 475 twips in from the right edge and up from the bottom.
TwipsPoint AlertPlace(const ScreenMetrics& screen, int widthTwips, int heightTwips);

// Position and size in twips, relative to the usable area, turned into pixels.
void SetTwipsGeometry(QWidget& widget, const ScreenMetrics& screen, TwipsRect place);
void MoveTwips(QWidget& window, const ScreenMetrics& screen, TwipsPoint place);
// A window's edges in twips, as MoveTwips takes them.
TwipsPoint WindowTwips(const QWidget& window, const ScreenMetrics& screen);

// Shows a window where it was placed without taking the keyboard focus.
void ShowWindowNoActivate(QWidget& window);
// Raises a window in front of all others without making it always-on-top (the pair of
// "make topmost, then not topmost" that a desktop without such a flag needs).
void BringToFront(QWidget& window);

} // namespace lindrel
