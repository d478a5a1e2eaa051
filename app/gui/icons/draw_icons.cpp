// Draws the tool bar and program icons into PNG files (run once by hand, the PNGs are kept):
//   g++ -std=c++20 -fPIC draw_icons.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/draw_icons
//   QT_QPA_PLATFORM=offscreen /tmp/draw_icons <this folder>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <functional>

namespace {

constexpr int kSize = 32;

void Save(const QString& folder, const QString& name, int size,
          const std::function<void(QPainter&)>& draw) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / double(kSize), size / double(kSize));
    draw(painter);
    painter.end();
    image.save(folder + "/" + name + ".png");
}

void Disc(QPainter& p, QColor top, QColor bottom) {
    QLinearGradient fill(0, 2, 0, 30);
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    p.setPen(QPen(bottom.darker(140), 1.2));
    p.setBrush(fill);
    p.drawEllipse(QRectF(2.5, 2.5, 27, 27));
}

void Sheet(QPainter& p) {
    QPainterPath path;
    path.moveTo(6, 3);
    path.lineTo(20, 3);
    path.lineTo(26, 9);
    path.lineTo(26, 29);
    path.lineTo(6, 29);
    path.closeSubpath();
    p.setPen(QPen(QColor(90, 100, 120), 1.2));
    p.setBrush(QColor(250, 250, 245));
    p.drawPath(path);
    p.setPen(QPen(QColor(160, 170, 185), 1.5));
    for (int y = 11; y <= 23; y += 4)
        p.drawLine(QPointF(10, y), QPointF(22, y));
}

void Bell(QPainter& p) {
    QPainterPath bell;
    bell.moveTo(16, 4);
    bell.cubicTo(8, 4, 8, 12, 8, 17);
    bell.cubicTo(8, 21, 5, 23, 4, 25);
    bell.lineTo(28, 25);
    bell.cubicTo(27, 23, 24, 21, 24, 17);
    bell.cubicTo(24, 12, 24, 4, 16, 4);
    QLinearGradient gold(4, 0, 28, 0);
    gold.setColorAt(0, QColor(250, 215, 90));
    gold.setColorAt(0.45, QColor(255, 240, 170));
    gold.setColorAt(1, QColor(200, 150, 30));
    p.setPen(QPen(QColor(140, 100, 10), 1.2));
    p.setBrush(gold);
    p.drawPath(bell);
    p.setBrush(QColor(140, 100, 10));
    p.drawEllipse(QPointF(16, 27.5), 3, 2.5);
    p.drawEllipse(QPointF(16, 3.5), 1.8, 1.8);
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString folder = argc > 1 ? argv[1] : ".";

    Save(folder, "run", kSize, [](QPainter& p) {
        Disc(p, QColor(120, 210, 110), QColor(40, 140, 50));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({QPointF(12, 9), QPointF(24, 16), QPointF(12, 23)}));
    });
    Save(folder, "stop", kSize, [](QPainter& p) {
        Disc(p, QColor(255, 200, 90), QColor(220, 120, 20));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(10.5, 9, 4, 14), 1, 1);
        p.drawRoundedRect(QRectF(17.5, 9, 4, 14), 1, 1);
    });
    Save(folder, "add", kSize, [](QPainter& p) {
        Sheet(p);
        p.setPen(QPen(QColor(30, 130, 40), 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(23, 17), QPointF(23, 29));
        p.drawLine(QPointF(17, 23), QPointF(29, 23));
    });
    Save(folder, "update", kSize, [](QPainter& p) {
        Sheet(p);
        p.save();
        p.translate(21, 20);
        p.rotate(45);
        p.setPen(QPen(QColor(120, 80, 20), 1));
        p.setBrush(QColor(240, 190, 60));
        p.drawRect(QRectF(-2.5, -11, 5, 16));
        p.setBrush(QColor(230, 120, 120));
        p.drawRect(QRectF(-2.5, -13, 5, 3));
        p.setBrush(QColor(60, 60, 60));
        p.drawPolygon(QPolygonF({QPointF(-2.5, 5), QPointF(2.5, 5), QPointF(0, 10)}));
        p.restore();
    });
    Save(folder, "delete", kSize, [](QPainter& p) {
        Sheet(p);
        p.setPen(QPen(QColor(200, 30, 30), 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(17, 17), QPointF(28, 28));
        p.drawLine(QPointF(28, 17), QPointF(17, 28));
    });
    Save(folder, "setting", kSize, [](QPainter& p) {
        QPainterPath gear;
        for (int i = 0; i < 8; ++i) {
            const double a = i * M_PI / 4;
            gear.addRect(QRectF(-3, -14, 6, 6));
            QTransform turn;
            turn.rotateRadians(a);
            gear = turn.map(gear);
        }
        gear.addEllipse(QPointF(0, 0), 10.5, 10.5);
        QPainterPath hole;
        hole.addEllipse(QPointF(0, 0), 4.5, 4.5);
        gear = gear.simplified().subtracted(hole);
        p.translate(16, 16);
        QLinearGradient steel(-14, -14, 14, 14);
        steel.setColorAt(0, QColor(200, 205, 215));
        steel.setColorAt(1, QColor(100, 110, 125));
        p.setPen(QPen(QColor(70, 75, 90), 1));
        p.setBrush(steel);
        p.drawPath(gear);
    });
    Save(folder, "exit", kSize, [](QPainter& p) {
        Disc(p, QColor(240, 110, 100), QColor(170, 30, 30));
        p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(9, 9, 14, 14), 120 * 16, 300 * 16);
        p.drawLine(QPointF(16, 7.5), QPointF(16, 15));
    });
    Save(folder, "chimora", 64, [](QPainter& p) { Bell(p); });
    return 0;
}
