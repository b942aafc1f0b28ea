#include "outbound/ChannelArtwork.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <vector>

namespace artwork {

namespace {

const QColor Rust(128, 64, 0);
const QColor Ember(192, 96, 32);

void bevel(QPainter &p, const QRectF &r, qreal radius)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Rust, 2));
    p.drawRoundedRect(r, radius, radius);
    p.setPen(QPen(Ember, 1));
    p.drawRoundedRect(r.adjusted(3, 3, -3, -3), radius - 2, radius - 2);
}

QImage drawBackground()
{
    QImage img(480, 260, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    // Night sky over dark ground, the main window's greys at the bottom.
    QLinearGradient sky(0, 0, 0, 260);
    sky.setColorAt(0, QColor(24, 20, 36));
    sky.setColorAt(0.6, QColor(48, 40, 44));
    sky.setColorAt(1, QColor(64, 64, 64));
    p.fillRect(img.rect(), sky);
    QRadialGradient glow(392, 150, 110);
    glow.setColorAt(0, QColor(128, 64, 0, 110));
    glow.setColorAt(1, QColor(128, 64, 0, 0));
    p.fillRect(img.rect(), glow);

    // Frame of the whole dialog.
    bevel(p, QRectF(2, 2, 471, 255), 8);

    // Title plate behind "Channel".
    p.setPen(Qt::NoPen);
    p.setBrush(Rust);
    p.drawRoundedRect(QRectF(76, 5, 81, 23), 5, 5);

    // Well behind the channel list.
    p.setBrush(QColor(12, 10, 14));
    p.drawRoundedRect(QRectF(10, 34, 221, 208), 6, 6);
    bevel(p, QRectF(10, 34, 221, 208), 6);

    // Plate behind the name box and its caption.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(32, 26, 30, 220));
    p.drawRoundedRect(QRectF(302, 56, 164, 60), 6, 6);
    bevel(p, QRectF(302, 56, 164, 60), 6);

    // A signpost between the name box and the buttons.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(96, 56, 24));
    p.drawRect(QRectF(386, 130, 8, 92));
    auto board = [&p](QRectF r, bool pointsRight) {
        QPainterPath path;
        const qreal tip = 12;
        if (pointsRight) {
            path.moveTo(r.left(), r.top());
            path.lineTo(r.right() - tip, r.top());
            path.lineTo(r.right(), r.center().y());
            path.lineTo(r.right() - tip, r.bottom());
            path.lineTo(r.left(), r.bottom());
        } else {
            path.moveTo(r.right(), r.top());
            path.lineTo(r.left() + tip, r.top());
            path.lineTo(r.left(), r.center().y());
            path.lineTo(r.left() + tip, r.bottom());
            path.lineTo(r.right(), r.bottom());
        }
        path.closeSubpath();
        p.setPen(QPen(Ember, 1.5));
        p.setBrush(Rust);
        p.drawPath(path);
    };
    board(QRectF(350, 136, 86, 20), true);
    board(QRectF(344, 166, 86, 20), false);
    board(QRectF(356, 196, 76, 18), true);

    // Ground under the buttons.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 16, 18));
    p.drawRoundedRect(QRectF(328, 226, 144, 29), 5, 5);
    p.end();

    return img;
}

// The 256 most used colours, counted in bins of 5 bits a channel. Qt's own
// reduction uses a fixed colour cube, which bands a dark gradient badly.
QList<QRgb> popularColours(const QImage &img)
{
    std::vector<quint32> count(1 << 15), r(1 << 15), g(1 << 15), b(1 << 15);
    for (int y = 0; y < img.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = line[x];
            const int bin = (qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | qBlue(c) >> 3;
            ++count[bin];
            r[bin] += qRed(c);
            g[bin] += qGreen(c);
            b[bin] += qBlue(c);
        }
    }
    std::vector<int> bins;
    for (int i = 0; i < int(count.size()); ++i)
        if (count[i])
            bins.push_back(i);
    std::sort(bins.begin(), bins.end(), [&](int a, int c) { return count[a] > count[c]; });
    QList<QRgb> palette;
    for (int i = 0; i < int(bins.size()) && palette.size() < 256; ++i) {
        const int bin = bins[i];
        palette << qRgb(r[bin] / count[bin], g[bin] / count[bin], b[bin] / count[bin]);
    }
    return palette;
}

} // namespace

QPixmap channelBackground()
{
    // Drawn once; a QImage (unlike a pixmap) may outlive the application.
    static const QImage picture = [] {
        const QImage full = drawBackground();
        return full.convertToFormat(QImage::Format_Indexed8, popularColours(full), Qt::ThresholdDither);
    }();
    return QPixmap::fromImage(picture);
}

} // namespace artwork
