#include "core/ui/glyphs.h"

#include <QPainter>
#include <QPainterPath>

namespace glyphs {

namespace {

const QColor kInk(40, 70, 120);
const QColor kAccent(200, 60, 40);
const QColor kGreen(40, 140, 60);

QPolygonF poly(std::initializer_list<QPointF> points)
{
    return QPolygonF(points);
}

void draw(QPainter &p, Glyph glyph)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    switch (glyph) {
    case Glyph::Open: // a folder
        p.setBrush(QColor(220, 170, 60));
        p.drawRect(QRectF(1.5, 4, 6, 3));
        p.drawRect(QRectF(1.5, 5.5, 13, 8.5));
        p.setBrush(QColor(245, 205, 100));
        p.drawPolygon(poly({{3, 8}, {15, 8}, {13.5, 14}, {1.5, 14}}));
        break;
    case Glyph::Rewind:
        p.setBrush(kInk);
        p.drawPolygon(poly({{8, 3}, {8, 13}, {1, 8}}));
        p.drawPolygon(poly({{15, 3}, {15, 13}, {8, 8}}));
        break;
    case Glyph::Forward:
        p.setBrush(kInk);
        p.drawPolygon(poly({{1, 3}, {1, 13}, {8, 8}}));
        p.drawPolygon(poly({{8, 3}, {8, 13}, {15, 8}}));
        break;
    case Glyph::Stop:
    case Glyph::StopNew:
        p.setBrush(glyph == Glyph::Stop ? kInk : kAccent);
        p.drawRect(QRectF(3.5, 3.5, 9, 9));
        break;
    case Glyph::Pause:
        p.setBrush(kInk);
        p.drawRect(QRectF(3.5, 3, 3.5, 10));
        p.drawRect(QRectF(9, 3, 3.5, 10));
        break;
    case Glyph::Play:
    case Glyph::PlayNew:
        p.setBrush(glyph == Glyph::Play ? kInk : kGreen);
        p.drawPolygon(poly({{4, 2.5}, {4, 13.5}, {13.5, 8}}));
        break;
    case Glyph::MarkStart:
    case Glyph::MarkEnd: {
        p.setBrush(glyph == Glyph::MarkStart ? kGreen : kAccent);
        const qreal x = glyph == Glyph::MarkStart ? 3 : 11;
        p.drawRect(QRectF(x, 2, 2, 12));
        if (glyph == Glyph::MarkStart)
            p.drawPolygon(poly({{5, 2}, {13, 5}, {5, 8}}));
        else
            p.drawPolygon(poly({{11, 2}, {3, 5}, {11, 8}}));
        break;
    }
    case Glyph::Split: { // scissors
        QPen pen(kInk, 1.6);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(4, 12), 2.4, 2.4);
        p.drawEllipse(QPointF(12, 12), 2.4, 2.4);
        p.drawLine(QPointF(5.5, 10.2), QPointF(12, 2));
        p.drawLine(QPointF(10.5, 10.2), QPointF(4, 2));
        break;
    }
    case Glyph::OpenWith: // a speaker
        p.setBrush(kInk);
        p.drawPolygon(poly({{2, 6}, {5, 6}, {9, 2.5}, {9, 13.5}, {5, 10}, {2, 10}}));
        p.setPen(QPen(kInk, 1.3));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(7, 4, 6, 8), -60 * 16, 120 * 16);
        p.drawArc(QRectF(7, 1.5, 8.5, 13), -60 * 16, 120 * 16);
        break;
    case Glyph::More:
        p.setBrush(kInk);
        for (int i = 0; i < 3; ++i)
            p.drawRect(QRectF(2 + i * 4.5, 4, 3.5, 8));
        break;
    case Glyph::Help:
    case Glyph::About: {
        p.setBrush(kInk);
        p.drawEllipse(QRectF(1, 1, 14, 14));
        p.setPen(Qt::white);
        QFont f(QStringLiteral("Arial"));
        f.setPixelSize(11);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter,
                   glyph == Glyph::Help ? QStringLiteral("?") : QStringLiteral("i"));
        break;
    }
    case Glyph::Support: // an envelope
        p.setBrush(QColor(250, 250, 250));
        p.setPen(QPen(kInk, 1.2));
        p.drawRect(QRectF(1.5, 3.5, 13, 9));
        p.drawPolyline(poly({{1.5, 3.5}, {8, 9}, {14.5, 3.5}}));
        break;
    case Glyph::Exit:
        p.setPen(QPen(kAccent, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
        break;
    }
}

} // namespace

QColor flagColour(Glyph glyph)
{
    return glyph == Glyph::MarkStart ? kGreen : kAccent;
}

QIcon icon(Glyph glyph)
{
    // Drawn for every usual scale, so that a HiDPI screen gets sharp lines
    // instead of a 16-pixel picture blown up.
    QIcon icon;
    for (qreal ratio : {1.0, 1.25, 1.5, 2.0, 3.0}) {
        QPixmap pixmap(qRound(16 * ratio), qRound(16 * ratio));
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        draw(painter, glyph);
        painter.end();
        icon.addPixmap(pixmap); // Qt derives the greyed disabled state
    }
    return icon;
}

QPixmap arrow(qreal ratio)
{
    QPixmap pixmap(qRound(32 * ratio), qRound(32 * ratio));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(120, 30, 20), 1));
    p.setBrush(QColor(220, 50, 30));
    p.drawPolygon(poly({{2, 16}, {14, 5}, {14, 11}, {29, 11}, {29, 21}, {14, 21}, {14, 27}}));
    return pixmap;
}

void paintAppIcon(QPainter &p, int size)
{
    // The same picture as data/icons/cleavo.svg, on a 48-unit grid.
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 48.0, size / 48.0);
    p.setPen(QPen(QColor(0x28, 0x46, 0x7a), 2));
    p.setBrush(QColor(0xe8, 0xee, 0xf6));
    p.drawRoundedRect(QRectF(2, 2, 44, 44), 8, 8);
    QPen wave(QColor(0x3a, 0x8a, 0x4a), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(wave);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(poly(
        {{6, 30}, {10, 24}, {13, 34}, {17, 18}, {21, 38}, {25, 22}, {29, 32}, {33, 20}, {37, 36}, {41, 26}, {43, 30}}));
    p.setPen(QPen(QColor(0xc8, 0x3c, 0x28), 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(17, 20), QPointF(33, 5));
    p.drawLine(QPointF(31, 20), QPointF(15, 5));
    p.drawEllipse(QPointF(14, 23), 4.2, 4.2);
    p.drawEllipse(QPointF(34, 23), 4.2, 4.2);
    p.restore();
}

QIcon appIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paintAppIcon(painter, size);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace glyphs
