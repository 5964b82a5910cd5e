#include "Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace orvane {

namespace {
QPixmap canvas(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    return pm;
}

QIcon treeIcon(int index)
{
    QPixmap pm = canvas(16);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case 0: // system: a small network of three nodes
        p.setPen(QPen(QColor(40, 70, 120), 1.4));
        p.drawLine(4, 11, 8, 4);
        p.drawLine(8, 4, 12, 11);
        p.setBrush(QColor(70, 120, 200));
        p.drawEllipse(QPointF(8, 4), 2.5, 2.5);
        p.drawEllipse(QPointF(4, 11), 2.5, 2.5);
        p.drawEllipse(QPointF(12, 11), 2.5, 2.5);
        break;
    case 1: // interface box with antenna
    case 7: // interface not found: greyed with a red cross
        p.setPen(QColor(60, 60, 60));
        p.setBrush(index == 1 ? QColor(90, 160, 90) : QColor(170, 170, 170));
        p.drawRoundedRect(QRectF(2, 7, 12, 7), 1.5, 1.5);
        p.drawLine(11, 7, 13, 1);
        if (index == 7) {
            p.setPen(QPen(QColor(200, 30, 30), 2));
            p.drawLine(3, 3, 9, 9);
            p.drawLine(9, 3, 3, 9);
        }
        break;
    case 2: // module
        p.setPen(QColor(60, 60, 60));
        p.setBrush(QColor(220, 170, 60));
        p.drawRect(QRectF(3, 3, 10, 10));
        p.setBrush(QColor(250, 240, 200));
        p.drawRect(QRectF(5.5, 5.5, 5, 5));
        break;
    case 3: { // input signal: a wave
        QPainterPath wave;
        wave.moveTo(1, 8);
        wave.cubicTo(4, 1, 6, 1, 8, 8);
        wave.cubicTo(10, 15, 12, 15, 15, 8);
        p.setPen(QPen(QColor(30, 100, 200), 1.8));
        p.drawPath(wave);
        break;
    }
    case 4: // output signal: a switch
        p.setPen(QPen(QColor(150, 60, 30), 1.8));
        p.drawLine(2, 11, 6, 11);
        p.drawLine(6, 11, 12, 5);
        p.drawLine(11, 11, 14, 11);
        break;
    default:
        break;
    }
    return QIcon(pm);
}

void drawFace(QPainter &p, ButtonFace face)
{
    const QRectF r(6, 6, 36, 36);
    switch (face) {
    case ButtonFace::CycleRunning:
    case ButtonFace::CycleStopped: {
        const QColor c
            = face == ButtonFace::CycleRunning ? QColor(40, 170, 60) : QColor(200, 40, 40);
        QRadialGradient g(r.center() - QPointF(6, 6), 26);
        g.setColorAt(0, c.lighter(170));
        g.setColorAt(1, c);
        p.setPen(QPen(c.darker(150), 1.5));
        p.setBrush(g);
        p.drawEllipse(r);
        p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(r.adjusted(9, 9, -9, -9), 120 * 16, 300 * 16);
        break;
    }
    case ButtonFace::Scan:
        p.setPen(QPen(QColor(40, 90, 160), 2.5));
        for (int i = 0; i < 3; ++i)
            p.drawArc(QRectF(14 - 7 * i, 14 - 7 * i, 20 + 14 * i, 20 + 14 * i), 30 * 16, 120 * 16);
        p.setBrush(QColor(40, 90, 160));
        p.drawEllipse(QPointF(24, 30), 4, 4);
        break;
    case ButtonFace::EventLog:
        p.setPen(QColor(80, 80, 80));
        p.setBrush(QColor(250, 250, 240));
        p.drawRect(QRectF(10, 6, 28, 36));
        for (int y = 14; y <= 34; y += 6)
            p.drawLine(14, y, 34, y);
        break;
    case ButtonFace::Statistics:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(60, 120, 190));
        p.drawRect(QRectF(9, 26, 7, 14));
        p.drawRect(QRectF(20, 16, 7, 24));
        p.drawRect(QRectF(31, 10, 7, 30));
        break;
    case ButtonFace::Settings:
        p.setPen(QPen(QColor(90, 90, 90), 6, Qt::SolidLine, Qt::RoundCap));
        for (int a = 0; a < 180; a += 45) {
            QLineF l(QPointF(24, 24), QPointF(24, 8));
            l.setAngle(a);
            QLineF l2(QPointF(24, 24), QPointF(24, 8));
            l2.setAngle(a + 180);
            p.drawLine(QLineF(l.p2(), l2.p2()));
        }
        p.setBrush(QColor(200, 200, 200));
        p.setPen(QPen(QColor(90, 90, 90), 2));
        p.drawEllipse(QPointF(24, 24), 7, 7);
        break;
    case ButtonFace::Outputs:
        p.setPen(QPen(QColor(150, 60, 30), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(8, 32, 18, 32);
        p.drawLine(18, 32, 32, 18);
        p.drawLine(30, 32, 40, 32);
        break;
    case ButtonFace::DataLogging:
        p.setPen(QColor(60, 60, 60));
        p.setBrush(QColor(70, 110, 170));
        p.drawRect(QRectF(10, 8, 28, 32));
        p.setBrush(QColor(230, 230, 230));
        p.drawRect(QRectF(15, 8, 18, 11));
        p.drawRect(QRectF(14, 26, 20, 14));
        break;
    case ButtonFace::Trace: {
        p.setPen(QPen(QColor(90, 90, 90), 1.5));
        p.drawLine(8, 40, 40, 40);
        p.drawLine(8, 40, 8, 8);
        QPainterPath path;
        path.moveTo(9, 30);
        path.cubicTo(16, 10, 22, 10, 26, 26);
        path.cubicTo(30, 38, 36, 24, 40, 14);
        p.setPen(QPen(QColor(200, 60, 40), 2.5));
        p.drawPath(path);
        break;
    }
    case ButtonFace::Alarms: {
        QPainterPath tri;
        tri.moveTo(24, 7);
        tri.lineTo(42, 39);
        tri.lineTo(6, 39);
        tri.closeSubpath();
        p.setPen(QPen(QColor(120, 80, 0), 1.5));
        p.setBrush(QColor(250, 200, 40));
        p.drawPath(tri);
        p.setPen(QPen(Qt::black, 3.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(24, 17, 24, 29);
        p.drawPoint(24, 35);
        break;
    }
    case ButtonFace::ClearList:
        // An eraser over a sheet.
        p.setPen(QColor(80, 80, 80));
        p.setBrush(QColor(250, 250, 240));
        p.drawRect(QRectF(8, 6, 24, 32));
        p.translate(28, 30);
        p.rotate(-40);
        p.setBrush(QColor(230, 110, 130));
        p.drawRoundedRect(QRectF(-12, -6, 24, 12), 2, 2);
        p.setBrush(QColor(120, 150, 210));
        p.drawRoundedRect(QRectF(4, -6, 8, 12), 2, 2);
        break;
    case ButtonFace::Save:
        // A floppy disk.
        p.setPen(QColor(40, 50, 80));
        p.setBrush(QColor(60, 90, 160));
        p.drawRoundedRect(QRectF(7, 7, 34, 34), 3, 3);
        p.setBrush(QColor(230, 230, 230));
        p.drawRect(QRectF(14, 7, 20, 12));
        p.setBrush(QColor(250, 250, 250));
        p.drawRect(QRectF(12, 26, 24, 15));
        break;
    }
}

QIcon menuIcon(int index)
{
    QPixmap pm = canvas(16);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    if (index == 3) { // About: an "i" in a blue disc
        p.setPen(QColor(30, 70, 140));
        p.setBrush(QColor(60, 120, 210));
        p.drawEllipse(QRectF(1, 1, 14, 14));
        p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawPoint(QPointF(8, 4.5));
        p.drawLine(QPointF(8, 7.5), QPointF(8, 12));
    } else if (index == 6) { // Exit: an open door with an arrow
        p.setPen(QColor(90, 60, 30));
        p.setBrush(QColor(180, 130, 70));
        p.drawRect(QRectF(2, 1, 8, 14));
        p.setPen(QPen(QColor(200, 40, 40), 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(7, 8), QPointF(15, 8));
        p.drawLine(QPointF(12, 5), QPointF(15, 8));
        p.drawLine(QPointF(12, 11), QPointF(15, 8));
    } else if (index == 8) { // Open measurement log: a page with a trace
        p.setPen(QColor(90, 90, 110));
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({ QPointF(2.5, 0.5), QPointF(10.5, 0.5), QPointF(13.5, 3.5),
            QPointF(13.5, 15.5), QPointF(2.5, 15.5) }));
        p.drawPolyline(QPolygonF({ QPointF(10.5, 0.5), QPointF(10.5, 3.5), QPointF(13.5, 3.5) }));
        p.setPen(QPen(QColor(0, 0, 255), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF(
            { QPointF(4, 12), QPointF(6, 8), QPointF(8, 10), QPointF(10, 5), QPointF(12, 7) }));
    }
    return QIcon(pm);
}
} // namespace

QList<QIcon> treeImages()
{
    QList<QIcon> images;
    for (int i = 0; i < 8; ++i)
        images.append(treeIcon(i));
    return images;
}

QList<QIcon> menuImages()
{
    QList<QIcon> images;
    for (int i = 0; i < 9; ++i)
        images.append(menuIcon(i));
    return images;
}

QImage programIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0); // drawn on a 256-unit grid
    // Small sizes keep only the strong shapes, a little thicker.
    const double bold = size < 32 ? 1.6 : 1.0;

    // The tile.
    QLinearGradient tile(0, 8, 0, 248);
    tile.setColorAt(0, QColor(52, 112, 190));
    tile.setColorAt(1, QColor(22, 56, 108));
    p.setPen(QPen(QColor(16, 40, 80), 4));
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(10, 10, 236, 236), 44, 44);

    // Radio waves from the antenna's tip.
    const QPointF tip(150, 92);
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) {
        const double r = 32 + 27 * i;
        QColor wave(210, 235, 255);
        wave.setAlpha(255 - 55 * i);
        p.setPen(QPen(wave, 12 * bold, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(tip.x() - r, tip.y() - r, 2 * r, 2 * r), 10 * 16, 70 * 16);
    }

    // The base station: a box with its antenna and a green light.
    p.setPen(QPen(QColor(235, 240, 248), 12 * bold, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(140, 168), tip);
    p.setPen(QPen(QColor(30, 40, 60), 5));
    QLinearGradient box(0, 160, 0, 222);
    box.setColorAt(0, QColor(245, 247, 250));
    box.setColorAt(1, QColor(190, 198, 210));
    p.setBrush(box);
    p.drawRoundedRect(QRectF(46, 160, 164, 62), 12, 12);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 200, 90));
    p.drawEllipse(QPointF(78, 191), 13 * bold, 13 * bold);
    if (size >= 32) {
        p.setBrush(QColor(120, 130, 150));
        for (int x = 112; x <= 184; x += 24)
            p.drawRoundedRect(QRectF(x, 184, 16, 14), 3, 3);
    }

    // A module in the field, answering.
    p.setPen(QPen(QColor(90, 60, 10), 5));
    p.setBrush(QColor(240, 175, 50));
    p.drawRoundedRect(QRectF(38, 46, 58 * bold, 58 * bold), 9, 9);
    return image;
}

QIcon programIcon()
{
    QIcon icon;
    for (int size : { 16, 22, 24, 32, 48, 64, 128, 256 })
        icon.addPixmap(QPixmap::fromImage(programIconImage(size)));
    return icon;
}

QIcon buttonIcon(ButtonFace face)
{
    QPixmap pm = canvas(48);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    drawFace(p, face);
    return QIcon(pm);
}

} // namespace orvane
