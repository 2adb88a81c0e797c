#include "app/UKadrixGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int GlyphSize = 16;
const QColor Ink(40, 40, 40);
const QColor Accent(30, 110, 200);

QPolygonF Triangle(qreal left, qreal right, bool pointsRight)
{
    const qreal tip = pointsRight ? right : left;
    const qreal base = pointsRight ? left : right;
    return QPolygonF({QPointF(base, 3), QPointF(tip, 8), QPointF(base, 13)});
}

void Draw(QPainter& p, TGlyph glyph)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Ink);
    switch (glyph) {
    case TGlyph::Play: p.setBrush(QColor(20, 140, 60)); p.drawPolygon(Triangle(4, 13, true)); break;
    case TGlyph::Pause: p.drawRect(4, 3, 3, 10); p.drawRect(9, 3, 3, 10); break;
    case TGlyph::Rewind: p.drawRect(2, 3, 2, 10); p.drawPolygon(Triangle(4, 13, false)); break;
    case TGlyph::StepPrev: p.drawPolygon(Triangle(3, 11, false)); p.drawRect(11, 3, 2, 10); break;
    case TGlyph::StepNext: p.drawRect(3, 3, 2, 10); p.drawPolygon(Triangle(5, 13, true)); break;
    case TGlyph::Capture:
        p.setBrush(Accent);
        p.drawRoundedRect(1, 4, 12, 9, 2, 2);
        p.drawRect(4, 2, 5, 2);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(7, 8.5), 2.5, 2.5);
        break;
    case TGlyph::OpenFile:
        p.setBrush(QColor(230, 180, 60));
        p.drawRect(1, 4, 14, 10);
        p.drawRect(1, 2, 6, 3);
        break;
    case TGlyph::SearchDisc:
        p.setBrush(QColor(150, 150, 170));
        p.drawEllipse(QPointF(8, 8), 7, 7);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(8, 8), 2, 2);
        break;
    case TGlyph::Help:
        p.setBrush(Accent);
        p.drawEllipse(QPointF(8, 8), 7, 7);
        p.setPen(Qt::white);
        p.setFont(QFont(QStringLiteral("Sans"), 9, QFont::Bold));
        p.drawText(QRect(0, 0, GlyphSize, GlyphSize), Qt::AlignCenter, QStringLiteral("?"));
        break;
    case TGlyph::Ok:
    case TGlyph::SelectAll:
        p.setPen(QPen(QColor(20, 140, 60), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({QPointF(3, 8), QPointF(7, 12), QPointF(13, 4)}));
        break;
    case TGlyph::Cancel:
    case TGlyph::UnselectAll:
    case TGlyph::Delete:
    case TGlyph::DeleteAll:
        p.setPen(QPen(glyph == TGlyph::UnselectAll ? Ink : QColor(200, 40, 40), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(4, 4, 12, 12);
        p.drawLine(12, 4, 4, 12);
        break;
    case TGlyph::Update:
        p.setPen(QPen(Accent, 2));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(3, 3, 10, 10), 30 * 16, 280 * 16);
        break;
    case TGlyph::Save:
        p.setBrush(Accent);
        p.drawRect(2, 2, 12, 12);
        p.setBrush(Qt::white);
        p.drawRect(5, 3, 6, 4);
        break;
    }
}

} // namespace

QIcon KadrixGlyph(TGlyph glyph)
{
    QPixmap pixmap(GlyphSize, GlyphSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    Draw(painter, glyph);
    painter.end();
    return QIcon(pixmap);
}
