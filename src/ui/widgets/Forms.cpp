#include "ui/widgets/Forms.h"

#include "platform/Platform.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace lindrel {

int RoundHalfEven(double value) {
    return static_cast<int>(std::nearbyint(value));
}

ScreenMetrics ScreenMetrics::Primary() {
    ScreenMetrics metrics;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return metrics;
    }
    const QRect usable = screen->availableGeometry();
    metrics.fullWidth = usable.width();
    metrics.fullHeight = usable.height();
    metrics.origin = usable.topLeft();
    // Where the system states the size a maximised window gets (Windows), that is the one
    // the windows are placed by. The system states it in device pixels, which on a scaled
    // screen are not the windows' pixels: at 150 % a window placed by them would be put
    // off the screen.
    if (const auto full = platform::FullScreenSize()) {
        const qreal ratio = screen->devicePixelRatio() > 0 ? screen->devicePixelRatio() : 1;
        metrics.fullWidth = RoundHalfEven(full->width / ratio);
        metrics.fullHeight = RoundHalfEven(full->height / ratio);
    }
    if (screen->logicalDotsPerInchX() > 0 && screen->logicalDotsPerInchY() > 0) {
        metrics.twipsPerPixelX = 1440.0 / screen->logicalDotsPerInchX();
        metrics.twipsPerPixelY = 1440.0 / screen->logicalDotsPerInchY();
    }
    return metrics;
}

int ScreenMetrics::ToPixelsX(double twips) const {
    return RoundHalfEven(twips / twipsPerPixelX);
}
int ScreenMetrics::ToPixelsY(double twips) const {
    return RoundHalfEven(twips / twipsPerPixelY);
}

TwipsPoint StatusWindowPlace(const ScreenMetrics& screen, int widthTwips, int heightTwips) {
    return {RoundHalfEven(screen.fullHeight * screen.twipsPerPixelY) - heightTwips - 475,
            RoundHalfEven(screen.fullWidth * screen.twipsPerPixelX) - widthTwips};
}

TwipsPoint AlertPlace(const ScreenMetrics& screen, int widthTwips, int heightTwips) {
    const int x = RoundHalfEven(screen.fullWidth * screen.twipsPerPixelX - widthTwips);
    const int y = RoundHalfEven(screen.fullHeight * screen.twipsPerPixelY - heightTwips);
    return {y - 475, x - 475};
}

void SetTwipsGeometry(QWidget& widget, const ScreenMetrics& screen, TwipsRect place) {
    widget.setGeometry(screen.ToPixelsX(place.left), screen.ToPixelsY(place.top),
                       screen.ToPixelsX(place.width), screen.ToPixelsY(place.height));
}

void MoveTwips(QWidget& window, const ScreenMetrics& screen, TwipsPoint place) {
    window.move(screen.origin.x() + screen.ToPixelsX(place.left),
                screen.origin.y() + screen.ToPixelsY(place.top));
}

TwipsPoint WindowTwips(const QWidget& window, const ScreenMetrics& screen) {
    return {RoundHalfEven((window.y() - screen.origin.y()) * screen.twipsPerPixelY),
            RoundHalfEven((window.x() - screen.origin.x()) * screen.twipsPerPixelX)};
}

void ShowWindowNoActivate(QWidget& window) {
    window.setAttribute(Qt::WA_ShowWithoutActivating, true);
    window.show();
}

void BringToFront(QWidget& window) {
    window.raise();
    window.activateWindow();
}

} // namespace lindrel
