#include "connection/LoginArtwork.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>

namespace artwork {

namespace {

const QColor Bronze(150, 110, 40);
const QColor BronzeLight(210, 165, 70);

// A sunken black slot for a text box that sits at `box`.
void drawSlot(QPainter &p, const QRect &box)
{
    const QRect slot = box.adjusted(-6, -6, 6, 6);
    p.fillRect(slot, QColor(8, 8, 10));
    p.setPen(QColor(0, 0, 0));
    p.drawLine(slot.topLeft(), slot.topRight());
    p.drawLine(slot.topLeft(), slot.bottomLeft());
    p.setPen(BronzeLight);
    p.drawLine(slot.bottomLeft(), slot.bottomRight());
    p.drawLine(slot.topRight(), slot.bottomRight());
    p.setPen(QColor(40, 40, 44));
    p.drawRect(slot.adjusted(1, 1, -2, -2));
}

// A raised plate under a label that acts as a button; `text` is where the
// label's one line of text is drawn.
void drawPlate(QPainter &p, const QRect &text)
{
    const QRect plate = text.adjusted(-10, -6, 10, 7);
    QLinearGradient g(plate.topLeft(), plate.bottomLeft());
    g.setColorAt(0, QColor(128, 84, 30));
    g.setColorAt(0.5, QColor(96, 60, 20));
    g.setColorAt(1, QColor(60, 36, 10));
    p.fillRect(plate, g);
    p.setPen(BronzeLight);
    p.drawLine(plate.topLeft(), plate.topRight());
    p.drawLine(plate.topLeft(), plate.bottomLeft());
    p.setPen(QColor(30, 18, 4));
    p.drawLine(plate.bottomLeft(), plate.bottomRight());
    p.drawLine(plate.topRight(), plate.bottomRight());
}

} // namespace

QPixmap loginBackground()
{
    QPixmap pm(339, 347);
    QPainter p(&pm);

    QLinearGradient stone(0, 0, 0, pm.height());
    stone.setColorAt(0, QColor(34, 36, 48));
    stone.setColorAt(1, QColor(10, 10, 16));
    p.fillRect(pm.rect(), stone);
    // Outer frame; its right and bottom sides fall outside the dialog.
    p.setPen(Bronze);
    p.drawRect(1, 1, pm.width() - 3, pm.height() - 3);

    // The panel the controls sit on.
    const QRect panel(40, 50, 262, 260);
    QLinearGradient wood(panel.topLeft(), panel.bottomLeft());
    wood.setColorAt(0, QColor(58, 50, 42));
    wood.setColorAt(1, QColor(30, 26, 22));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Bronze, 2));
    p.setBrush(wood);
    p.drawRoundedRect(panel, 8, 8);
    p.setRenderHint(QPainter::Antialiasing, false);

    // Title area; the banner lies over its middle.
    const QRect title(70, 8, 214, 39);
    p.fillRect(title, QColor(0, 0, 0));
    p.setPen(Bronze);
    p.drawRect(title);
    p.setPen(BronzeLight);
    p.drawRect(title.adjusted(3, 3, -3, -3));

    drawSlot(p, QRect(72, 80, 201, 19));
    drawSlot(p, QRect(72, 144, 209, 19));
    drawPlate(p, QRect(96, 224, 153, 16));
    drawPlate(p, QRect(96, 272, 161, 16));
    p.end();
    return pm;
}

QPixmap loginBanner()
{
    QPixmap pm(178, 23);
    pm.fill(Qt::black);
    QPainter p(&pm);
    const QString caption = QStringLiteral("MARROW VALE LOGIN");
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    // The largest size at which the caption fits with a margin.
    int px = 15;
    for (; px > 8; --px) {
        f.setPixelSize(px);
        if (QFontMetrics(f).horizontalAdvance(caption) <= pm.width() - 12)
            break;
    }
    p.setFont(f);
    p.setPen(QColor(255, 255, 0));
    p.drawText(pm.rect(), Qt::AlignCenter, caption);
    p.end();
    return pm;
}

} // namespace artwork
