#include "app/Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace artwork {

QImage toSixteenColours(const QImage &image)
{
    static const QList<QRgb> palette = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),     qRgb(0, 128, 0),   qRgb(128, 128, 0),
        qRgb(0, 0, 128),     qRgb(128, 0, 128),   qRgb(0, 128, 128), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(255, 0, 0),     qRgb(0, 255, 0),   qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255),   qRgb(0, 255, 255), qRgb(255, 255, 255),
    };
    QImage opaque = image.convertToFormat(QImage::Format_RGB32);
    QImage indexed = opaque.convertToFormat(QImage::Format_Indexed8, palette, Qt::ThresholdDither);
    // Keep the icon's transparent corners.
    QImage out = indexed.convertToFormat(QImage::Format_ARGB32);
    const QImage alpha = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x)
            if (qAlpha(alpha.pixel(x, y)) < 128)
                out.setPixel(x, y, qRgba(0, 0, 0, 0));
    return out;
}

QImage windowIconImage(int size)
{
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, size > 16);
    const qreal s = size / 32.0;
    p.scale(s, s);

    // Speech bubble.
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(1, 3, 30, 20), 6, 6);
    QPainterPath tail;
    tail.moveTo(7, 21);
    tail.lineTo(5, 30);
    tail.lineTo(15, 21);
    tail.closeSubpath();
    p.setPen(QPen(QColor(0, 0, 0), 1.5));
    p.setBrush(QColor(255, 255, 0));
    p.drawPath(bubble.united(tail));

    // Quill across it.
    QPainterPath quill;
    quill.moveTo(27, 1);
    quill.cubicTo(20, 4, 12, 12, 9, 19);
    quill.cubicTo(15, 16, 23, 10, 27, 1);
    p.setBrush(QColor(255, 255, 255));
    p.setPen(QPen(QColor(128, 0, 0), 1.2));
    p.drawPath(quill);
    p.drawLine(QPointF(9, 19), QPointF(7, 24));
    p.end();
    return toSixteenColours(img);
}

QIcon windowIcon()
{
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(windowIconImage(16)));
    icon.addPixmap(QPixmap::fromImage(windowIconImage(32)));
    return icon;
}

QPixmap actionPanel()
{
    QPixmap pm(110, 200);
    QPainter p(&pm);
    QLinearGradient g(0, 0, 0, 200);
    g.setColorAt(0, QColor(40, 40, 48));
    g.setColorAt(1, QColor(16, 16, 20));
    p.fillRect(pm.rect(), g);
    // Bevelled frame.
    p.setPen(QColor(128, 64, 0));
    p.drawRect(0, 0, 109, 199);
    p.setPen(QColor(192, 96, 32));
    p.drawRect(2, 2, 105, 195);
    // Title plate above the first label.
    p.fillRect(QRect(8, 5, 94, 15), QColor(128, 64, 0));
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(10);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(255, 255, 0));
    p.drawText(QRect(8, 5, 94, 15), Qt::AlignCenter, QStringLiteral("ACTIONS"));
    // Separators between the rows of labels.
    p.setPen(QColor(64, 64, 72));
    for (int i = 1; i < 7; ++i)
        p.drawLine(12, 22 + 24 * i, 97, 22 + 24 * i);
    p.end();
    return pm;
}

} // namespace artwork
