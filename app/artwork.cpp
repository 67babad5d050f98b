#include "artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

QPixmap housePicture(const QSize& size) {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // Draw on a 100 by 100 grid centred in the picture.
    const qreal side = qMin(size.width(), size.height());
    p.translate((size.width() - side) / 2.0, (size.height() - side) / 2.0);
    p.scale(side / 100.0, side / 100.0);

    // Sky and lawn.
    QLinearGradient sky(0, 0, 0, 100);
    sky.setColorAt(0, QColor(0x9c, 0xd3, 0xf5));
    sky.setColorAt(1, QColor(0xe8, 0xf5, 0xfd));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(0, 0, 100, 100), 10, 10);
    p.setBrush(QColor(0xf9, 0xd9, 0x5b));
    p.drawEllipse(QPointF(80, 18), 8, 8);
    QPainterPath lawn;
    lawn.moveTo(0, 86);
    lawn.cubicTo(30, 78, 70, 80, 100, 84);
    lawn.lineTo(100, 90);
    lawn.arcTo(QRectF(80, 80, 20, 20), 0, -90);
    lawn.lineTo(10, 100);
    lawn.arcTo(QRectF(0, 80, 20, 20), -90, -90);
    lawn.closeSubpath();
    p.setBrush(QColor(0x7c, 0xc1, 0x5a));
    p.drawPath(lawn);

    // The building: walls, roof, windows in three floors and a door.
    p.setPen(QPen(QColor(0x6b, 0x4a, 0x2b), 1.2));
    p.setBrush(QColor(0xfb, 0xf1, 0xdc));
    p.drawRect(QRectF(22, 40, 56, 46));
    QPainterPath roof;
    roof.moveTo(16, 42);
    roof.lineTo(50, 18);
    roof.lineTo(84, 42);
    roof.closeSubpath();
    p.setBrush(QColor(0xc8, 0x3c, 0x2c));
    p.drawPath(roof);
    p.setBrush(QColor(0x8e, 0x5b, 0x3a));
    p.drawRect(QRectF(62, 22, 7, 12));

    p.setPen(QPen(QColor(0x2e, 0x5d, 0x8c), 1));
    p.setBrush(QColor(0x5b, 0xa4, 0xe0));
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 3; ++col)
            p.drawRect(QRectF(28 + col * 16, 46 + row * 13, 9, 8));
    p.setPen(QPen(QColor(0x6b, 0x4a, 0x2b), 1));
    p.setBrush(QColor(0x9b, 0x62, 0x3b));
    p.drawRect(QRectF(45, 72, 10, 14));
    p.setBrush(QColor(0xf9, 0xd9, 0x5b));
    p.drawEllipse(QPointF(53, 79.5), 0.9, 0.9);
    return pm;
}

QIcon programIcon() {
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(housePicture(QSize(side, side)));
    return icon;
}
