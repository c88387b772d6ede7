#include "skin/Artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace lindrel {

namespace {

const QColor kKey(153, 0, 204);
const QColor kPanelTop(0x22, 0x27, 0x31);
const QColor kPanelBottom(0x12, 0x15, 0x1b);
const QColor kEdge(0x46, 0x50, 0x60);
const QColor kAccent(0xe8, 0xb3, 0x3a);
const QColor kMuted(0x74, 0x82, 0x94);

// Fonts sized in pixels, not points: the skin's logical size is in pixels, and its text
// must keep its place on any screen's dots per inch.
QFont Font(int pixels, bool bold = false) {
    QFont font("Liberation Sans");
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// An image of logical size at the ratio, filled, with a painter in logical units.
QImage Canvas(int width, int height, qreal ratio, const QColor& fill) {
    QImage image(static_cast<int>(std::ceil(width * ratio)),
                 static_cast<int>(std::ceil(height * ratio)), QImage::Format_RGB888);
    image.setDevicePixelRatio(ratio);
    image.fill(fill);
    return image;
}

// The outer shape is drawn without antialiasing, so every pixel is either the key
// colour or the panel and no purple fringe survives the cut.
void Panel(QPainter& p, const QRectF& area, qreal radius) {
    p.setRenderHint(QPainter::Antialiasing, false);
    QLinearGradient fill(area.topLeft(), area.bottomLeft());
    fill.setColorAt(0, kPanelTop);
    fill.setColorAt(1, kPanelBottom);
    QPainterPath shape;
    shape.addRoundedRect(area, radius, radius);
    p.fillPath(shape, fill);
    p.setPen(QPen(kEdge, 1));
    p.drawPath(shape);
}

void StatusTexts(QPainter& p) {
    p.setPen(kAccent);
    p.setFont(Font(9, true));
    p.drawText(QRectF(14, 1, 120, 12), Qt::AlignLeft | Qt::AlignVCenter, "LINDREL");
    p.setPen(kMuted);
    p.setFont(Font(7));
    p.drawText(QRectF(32, 15, 92, 10), Qt::AlignLeft, "SERVER");
    p.drawText(QRectF(136, 15, 55, 10), Qt::AlignLeft, "MAP");
    p.drawText(QRectF(204, 15, 36, 10), Qt::AlignLeft, "PLAYERS");
    p.drawText(QRectF(246, 15, 24, 10), Qt::AlignLeft, "PING");
    p.drawText(QRectF(14, 132, 274, 12), Qt::AlignHCenter,
               QString::fromUtf8("double-click a row to play  \u00b7  right-click for players"));
}

} // namespace

QImage StatusSkin(qreal devicePixelRatio) {
    QImage image = Canvas(301, 155, devicePixelRatio, kKey);
    QPainter p(&image);
    Panel(p, QRectF(0, 0, 300, 154), 14);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    StatusTexts(p);

    // Close spot, top right (272, 0, 16 x 17).
    p.setPen(QPen(QColor(0xc8, 0xd0, 0xdc), 1.6));
    p.drawLine(QPointF(276.5, 5.5), QPointF(283.5, 12.5));
    p.drawLine(QPointF(283.5, 5.5), QPointF(276.5, 12.5));

    const int rowTops[] = {26, 49, 69, 90, 112};
    const int editTops[] = {26, 47, 68, 90, 110};
    for (int row = 0; row < 5; ++row) {
        const QRectF stripe(12, rowTops[row] - 2, 262, 17);
        p.setPen(Qt::NoPen);
        p.setBrush(row % 2 == 0 ? QColor(0x27, 0x2e, 0x3a) : QColor(0x1e, 0x24, 0x2e));
        p.drawRoundedRect(stripe, 4, 4);
        // Edit glyph: a small pencil over the row's edit spot (278, top, 8 x 14).
        p.setPen(QPen(kAccent, 1.4, Qt::SolidLine, Qt::RoundCap));
        const double top = editTops[row] + 3;
        p.drawLine(QPointF(279, top + 8), QPointF(285, top + 2));
        p.drawLine(QPointF(278.6, top + 9.2), QPointF(280, top + 8.6));
    }
    return image;
}

QImage DialogSkin(const QString& title, qreal devicePixelRatio) {
    QImage image = Canvas(249, 265, devicePixelRatio, kPanelBottom);
    QPainter p(&image);
    Panel(p, QRectF(0, 0, 248, 264), 0);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2a, 0x31, 0x3d));
    p.drawRect(QRectF(1, 1, 247, 24));
    p.setPen(kAccent);
    p.setFont(Font(11, true));
    p.drawText(QRectF(10, 1, 230, 24), Qt::AlignLeft | Qt::AlignVCenter, title);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(kEdge, 1));
    p.drawLine(QPointF(1, 25), QPointF(247, 25));
    p.drawLine(QPointF(8, 236), QPointF(240, 236));
    return image;
}

QImage Icon(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 64.0, size / 64.0); // drawn on a 64 x 64 grid
    QLinearGradient fill(0, 0, 0, 64);
    fill.setColorAt(0, kPanelTop);
    fill.setColorAt(1, kPanelBottom);
    p.setPen(QPen(kEdge, 2));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    p.setPen(QPen(kAccent, 4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(32, 32), 17, 17);
    p.drawLine(QPointF(32, 9), QPointF(32, 21));
    p.drawLine(QPointF(32, 43), QPointF(32, 55));
    p.drawLine(QPointF(9, 32), QPointF(21, 32));
    p.drawLine(QPointF(43, 32), QPointF(55, 32));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x4c, 0xc2, 0x7a));
    p.drawEllipse(QPointF(32, 32), 4.5, 4.5);
    return image;
}

} // namespace lindrel
