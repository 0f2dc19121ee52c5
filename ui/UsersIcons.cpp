#include "ui/UsersIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
const QColor kGreen(0x1e, 0x9e, 0x2e), kRed(0xd0, 0x20, 0x20), kBlue(0x20, 0x50, 0xc8), kDark(0x30, 0x30, 0x30);

QPixmap Blank() {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    return pm;
}

void Plus(QPainter& p, QRectF r, const QColor& c) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    const qreal t = r.width() / 3;
    p.drawRect(QRectF(r.left() + t, r.top(), t, r.height()));
    p.drawRect(QRectF(r.left(), r.top() + t, r.width(), t));
}

void Cross(QPainter& p, QRectF r, const QColor& c, qreal width = 2.5) {
    p.setPen(QPen(c, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomLeft());
}

void Sheet(QPainter& p, const QColor& fill = Qt::white) {
    p.setPen(QPen(kDark, 1));
    p.setBrush(fill);
    p.drawRect(QRectF(2.5, 1.5, 10, 13));
    p.setPen(QPen(QColor(0x90, 0x90, 0x90), 1));
    for (int y = 4; y <= 12; y += 2) p.drawLine(QPointF(4.5, y + 0.5), QPointF(10.5, y + 0.5));
}

void Pencil(QPainter& p, QPointF tip) {
    p.setPen(QPen(QColor(0xb0, 0x70, 0x10), 3, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(tip + QPointF(2, -2), tip + QPointF(7, -7));
    p.setPen(QPen(kDark, 1.5));
    p.drawLine(tip, tip + QPointF(2, -2));
}

void Person(QPainter& p, qreal x, const QColor& body = kBlue) {
    p.setPen(QPen(kDark, 0.8));
    p.setBrush(QColor(0xf0, 0xc8, 0xa0));
    p.drawEllipse(QRectF(x + 2, 1, 5, 5));
    p.setBrush(body);
    QPainterPath b;
    b.moveTo(x, 14);
    b.cubicTo(x, 7, x + 9, 7, x + 9, 14);
    b.closeSubpath();
    p.drawPath(b);
}

void Gear(QPainter& p, QPointF c, qreal r, const QColor& col) {
    p.setPen(QPen(col, r * 0.5, Qt::SolidLine, Qt::FlatCap));
    for (int i = 0; i < 4; ++i) {
        p.save();
        p.translate(c);
        p.rotate(45 * i);
        p.drawLine(QPointF(-r * 1.3, 0), QPointF(r * 1.3, 0));
        p.restore();
    }
    p.setPen(QPen(kDark, 0.8));
    p.setBrush(col);
    p.drawEllipse(c, r, r);
    p.setBrush(Qt::white);
    p.drawEllipse(c, r * 0.4, r * 0.4);
}

void Circle(QPainter& p, const QColor& c) {
    p.setPen(QPen(c.darker(140), 1));
    p.setBrush(c);
    p.drawEllipse(QRectF(1, 1, 14, 14));
}

// An arrow in white inside a circle: up, down, left or right.
void ArrowIn(QPainter& p, int angle) {
    p.save();
    p.translate(8, 8);
    p.rotate(angle);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    QPolygonF head{{0, -5}, {4.5, 0}, {1.5, 0}, {1.5, 5}, {-1.5, 5}, {-1.5, 0}, {-4.5, 0}};
    p.drawPolygon(head);
    p.restore();
}

QIcon Draw(int index) {
    QPixmap pm = Blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
        case 0: Plus(p, QRectF(2, 2, 12, 12), kGreen); break;
        case 1: Cross(p, QRectF(3, 3, 10, 10), kRed, 3); break;
        case 2: Sheet(p); Pencil(p, QPointF(7, 14)); break;
        case 3: Sheet(p, QColor(0xc8, 0xf0, 0xc8)); Gear(p, QPointF(11, 11), 3, kGreen); break;
        case 4: Person(p, 6, QColor(0x80, 0x80, 0xd0)); Person(p, 0); break;
        case 5:
            p.setPen(QPen(kDark, 1));
            p.setBrush(QColor(0xa0, 0x70, 0x40));
            p.drawRect(QRectF(3.5, 1.5, 9, 13));
            p.setBrush(QColor(0x60, 0x40, 0x20));
            p.drawPolygon(QPolygonF{{3.5, 1.5}, {9.5, 3.5}, {9.5, 15.5}, {3.5, 14.5}});
            break;
        case 6: Person(p, 0); Plus(p, QRectF(9, 8, 7, 7), kGreen); break;
        case 7: Person(p, 0); Pencil(p, QPointF(9, 15)); break;
        case 8: Person(p, 0); Cross(p, QRectF(10, 9, 5, 5), kRed, 2); break;
        case 9:
            Circle(p, kBlue);
            p.setPen(QPen(Qt::white, 2));
            p.drawLine(QPointF(8, 7), QPointF(8, 12));
            p.drawPoint(QPointF(8, 4.5));
            break;
        case 10:
            p.setPen(Qt::NoPen);
            for (int y = 2; y <= 12; y += 5) {
                p.setBrush(kBlue);
                p.drawEllipse(QRectF(1.5, y, 3, 3));
                p.setBrush(kDark);
                p.drawRect(QRectF(6, y + 1, 9, 1.5));
            }
            break;
        case 11:
            p.setPen(QPen(kGreen, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(QPolygonF{{2.5, 8.5}, {6.5, 12.5}, {13.5, 3.5}});
            break;
        case 12: Circle(p, kRed); Cross(p, QRectF(5, 5, 6, 6), Qt::white, 2); break;
        case 13: Gear(p, QPointF(5.5, 5.5), 3.2, QColor(0x90, 0x90, 0x90)); Gear(p, QPointF(11, 11), 2.8, QColor(0x70, 0x70, 0xa0)); break;
        case 14:
            p.setPen(QPen(QColor(0xa0, 0x80, 0x10), 1));
            p.setBrush(QColor(0xf0, 0xd0, 0x50));
            p.drawPolygon(QPolygonF{{1.5, 4.5}, {6, 4.5}, {7.5, 6}, {14.5, 6}, {14.5, 13.5}, {1.5, 13.5}});
            Gear(p, QPointF(11, 11), 2.8, QColor(0x80, 0x80, 0x80));
            break;
        case 15: Circle(p, kGreen); ArrowIn(p, 0); break;
        case 16: Circle(p, kRed); ArrowIn(p, 180); break;
        case 17: Circle(p, kGreen); ArrowIn(p, -90); break;  // arrow to the left
        case 18: Circle(p, kRed); ArrowIn(p, 90); break;     // arrow to the right
        default: break;
    }
    p.end();
    return QIcon(pm);
}
}  // namespace

QList<QIcon> DrawActiveIcons() {
    QList<QIcon> icons;
    for (int i = 0; i < kActiveIconCount; ++i) icons.append(Draw(i));
    return icons;
}

QIcon DrawMoveIcon(bool toTheLeft) { return Draw(toTheLeft ? 17 : 18); }
