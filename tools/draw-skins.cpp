// Draws the program's skins and icon into PNG files:
//   lindrel-draw-skins OUTPUT-FOLDER
// The pictures are committed; run this again only to change the artwork. The icon is
// also drawn at each size of the desktop's icon theme (icons/NxN.png); assets/lindrel.svg
// is the same drawing, for the theme's scalable size.
#include <QApplication>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

const QColor kKey(153, 0, 204); // cut away by the window shape
const QColor kPanelTop(0x22, 0x27, 0x31);
const QColor kPanelBottom(0x12, 0x15, 0x1b);
const QColor kEdge(0x46, 0x50, 0x60);
const QColor kAccent(0xe8, 0xb3, 0x3a);
const QColor kMuted(0x74, 0x82, 0x94);

QFont Font(double points, bool bold = false) {
    QFont font("Liberation Sans");
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// The outer shape is drawn without antialiasing, so every pixel is either the key
// colour or the panel and no purple fringe survives the cut.
void Panel(QPainter& p, const QRect& area, int radius) {
    p.setRenderHint(QPainter::Antialiasing, false);
    QLinearGradient fill(area.topLeft(), area.bottomLeft());
    fill.setColorAt(0, kPanelTop);
    fill.setColorAt(1, kPanelBottom);
    QPainterPath shape;
    shape.addRoundedRect(area, radius, radius);
    p.fillPath(shape, fill);
    p.setPen(kEdge);
    p.drawPath(shape);
}

QImage StatusSkin() {
    QImage image(301, 155, QImage::Format_RGB888);
    image.fill(kKey);
    QPainter p(&image);
    Panel(p, QRect(0, 0, 300, 154), 14);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    p.setPen(kAccent);
    p.setFont(Font(7, true));
    p.drawText(QRect(14, 1, 120, 12), Qt::AlignLeft | Qt::AlignVCenter, "LINDREL");
    p.setPen(kMuted);
    p.setFont(Font(5.5));
    p.drawText(QRect(32, 15, 92, 10), Qt::AlignLeft, "SERVER");
    p.drawText(QRect(136, 15, 55, 10), Qt::AlignLeft, "MAP");
    p.drawText(QRect(204, 15, 36, 10), Qt::AlignLeft, "PLAYERS");
    p.drawText(QRect(246, 15, 24, 10), Qt::AlignLeft, "PING");

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
    p.setPen(kMuted);
    p.setFont(Font(5.5));
    p.drawText(QRect(14, 132, 274, 12), Qt::AlignHCenter,
               "double-click a row to play  \u00b7  right-click for players");
    return image;
}

QImage DialogSkin(const QString& title) {
    QImage image(249, 265, QImage::Format_RGB888);
    image.fill(kPanelBottom);
    QPainter p(&image);
    Panel(p, QRect(0, 0, 248, 264), 0);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2a, 0x31, 0x3d));
    p.drawRect(QRect(1, 1, 247, 24));
    p.setPen(kAccent);
    p.setFont(Font(8, true));
    p.drawText(QRect(10, 1, 230, 24), Qt::AlignLeft | Qt::AlignVCenter, title);
    p.setPen(QPen(kEdge, 1));
    p.drawLine(1, 25, 247, 25);
    p.drawLine(8, 236, 240, 236);
    return image;
}

// Drawn on a 64 x 64 grid, scaled to size.
QImage Icon(int size = 64) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 64.0, size / 64.0);
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

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: lindrel-draw-skins OUTPUT-FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]) + "/";
    const bool ok = StatusSkin().save(folder + "status.png") &&
                    DialogSkin("Player List").save(folder + "players.png") &&
                    DialogSkin("Game Options").save(folder + "options.png") &&
                    DialogSkin("Global Options").save(folder + "global.png") &&
                    Icon().save(folder + "icon.png");
    bool sizes = true;
    for (const int size : {16, 22, 24, 32, 48, 64, 128}) {
        const QString name = QString("icons/%1x%1.png").arg(size);
        sizes = Icon(size).save(folder + name) && sizes;
    }
    return ok && sizes ? 0 : 1;
}
