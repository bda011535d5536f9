#include "windows/Artwork.h"

#include "windows/Controls.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace kelvane {

namespace {

const QColor kOrange(255, 128, 0);
const QColor kDeepOrange(230, 96, 0);

void orangeBand(QPainter& p, const QRect& r)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(255, 160, 40));
    g.setColorAt(1, kDeepOrange);
    p.fillRect(r, g);
}

void drawMicrophone(QPainter& p, const QRectF& box)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = box.width();
    const QRectF head(box.left() + w * 0.2, box.top(), w * 0.6, box.height() * 0.55);
    QLinearGradient metal(head.topLeft(), head.topRight());
    metal.setColorAt(0, QColor(90, 90, 100));
    metal.setColorAt(0.5, QColor(200, 200, 210));
    metal.setColorAt(1, QColor(80, 80, 90));
    p.setBrush(metal);
    p.setPen(QPen(QColor(50, 50, 60), 1.5));
    p.drawRoundedRect(head, head.width() / 2, head.width() / 2);
    p.setPen(QPen(QColor(60, 60, 70, 160), 1));
    for (qreal y = head.top() + 8; y < head.bottom() - 6; y += 5)
        p.drawLine(QPointF(head.left() + 4, y), QPointF(head.right() - 4, y));
    QPainterPath cradle;
    cradle.moveTo(box.left() + w * 0.1, head.center().y());
    cradle.cubicTo(box.left() + w * 0.1, head.bottom() + 18, box.right() - w * 0.1,
                   head.bottom() + 18, box.right() - w * 0.1, head.center().y());
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(60, 60, 70), 3));
    p.drawPath(cradle);
    const qreal cx = box.center().x();
    p.drawLine(QPointF(cx, head.bottom() + 13), QPointF(cx, box.bottom() - 6));
    p.setBrush(QColor(60, 60, 70));
    p.drawRoundedRect(QRectF(cx - w * 0.3, box.bottom() - 7, w * 0.6, 6), 3, 3);
    p.restore();
}

} // namespace

QPixmap pictureA()
{
    QPixmap pm(352, 279);
    QPainter p(&pm);
    p.fillRect(pm.rect(), QColor(255, 248, 236));
    orangeBand(p, QRect(0, 0, 352, 50));
    p.setPen(Qt::white);
    p.setFont(designFont(QStringLiteral("宋体"), 14, true));
    p.drawText(QRect(28, 4, 300, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Kelvane 网络收音机 · 电视"));
    // Light centre panel with the microphone at its left edge.
    QLinearGradient panel(0, 50, 0, 235);
    panel.setColorAt(0, QColor(255, 252, 244));
    panel.setColorAt(1, QColor(250, 236, 214));
    p.fillRect(QRect(0, 50, 352, 185), panel);
    drawMicrophone(p, QRectF(8, 110, 52, 110));
    orangeBand(p, QRect(0, 235, 352, 44));
    // The switch caption at the right end of the footer, under the hot area. Both the radio and
    // the TV window show this picture, so it names both ways.
    p.setPen(Qt::white);
    p.setFont(designFont(QStringLiteral("宋体"), 10, true));
    p.drawText(QRect(264, 240, 86, 36), Qt::AlignCenter, QStringLiteral("收音机\n⇄ 电视"));
    p.setFont(designFont(QStringLiteral("宋体"), 9));
    p.drawText(QRect(8, 240, 240, 36), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("双击电台名称开始收听"));
    return pm;
}

QPixmap pictureB()
{
    QPixmap pm(500, 396);
    QPainter p(&pm);
    orangeBand(p, QRect(0, 0, 500, 48));
    p.fillRect(QRect(0, 48, 500, 300), Qt::black);
    orangeBand(p, QRect(0, 348, 500, 48));
    p.setPen(Qt::white);
    p.setFont(designFont(QStringLiteral("宋体"), 13, true));
    p.drawText(QRect(16, 0, 480, 48), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Kelvane 网络电视"));
    p.setPen(QColor(255, 200, 120));
    p.setFont(designFont(QStringLiteral("宋体"), 14, true));
    p.drawText(QRect(0, 48, 500, 280), Qt::AlignCenter, QStringLiteral("正在连接，请稍候……"));
    return pm;
}

QPixmap pictureC()
{
    QPixmap pm(352, 279);
    QPainter p(&pm);
    p.fillRect(pm.rect(), Qt::white);
    orangeBand(p, QRect(0, 0, 352, 44));
    orangeBand(p, QRect(0, 235, 352, 44));
    p.setPen(QColor(0, 150, 40));
    p.setFont(designFont(QStringLiteral("宋体"), 30, true));
    p.drawText(QRect(0, 70, 352, 90), Qt::AlignCenter, QStringLiteral("凯尔文电台"));
    p.setPen(QColor(40, 40, 40));
    p.setFont(designFont(QStringLiteral("Verdana"), 10));
    p.drawText(QRect(0, 165, 352, 30), Qt::AlignCenter, QStringLiteral("https://kelvane.example/"));
    p.setPen(Qt::white);
    p.setFont(designFont(QStringLiteral("宋体"), 9));
    p.drawText(QRect(0, 235, 352, 44), Qt::AlignCenter, QStringLiteral("网络收音机 · 网络电视"));
    return pm;
}

void paintApplicationIcon(QPainter& p, int size)
{
    // Drawn on a 32 unit grid and scaled, so every size and the installed icons are one design.
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    p.setBrush(kOrange);
    p.setPen(QPen(kDeepOrange, 1.5));
    p.drawEllipse(QRectF(1.5, 1.5, 29, 29));
    p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 3; ++i) {
        const qreal r = 3.5 * i + 1;
        p.drawArc(QRectF(11 - r, 20 - r, 2 * r, 2 * r), 0 * 16, 90 * 16);
    }
    p.setBrush(Qt::white);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(11, 20), 2.5, 2.5);
    p.restore();
}

QIcon applicationIcon()
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    paintApplicationIcon(p, 32);
    p.end();
    return QIcon(pm);
}

QPixmap storedPicture(const QString& name)
{
    if (name == u"A")
        return pictureA();
    if (name == u"B")
        return pictureB();
    if (name == u"C")
        return pictureC();
    return {};
}

} // namespace kelvane
