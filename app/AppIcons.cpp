#include "app/AppIcons.h"

#include <QPainter>
#include <QPainterPath>

namespace {
// Colours of the classic 16-colour palette used by the icons.
const QColor kBlack(0, 0, 0), kGrey(128, 128, 128), kSilver(192, 192, 192), kWhite(255, 255, 255),
    kNavy(0, 0, 128), kTeal(0, 128, 128), kOlive(128, 128, 0), kYellow(255, 255, 0);

QPixmap Television(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.scale(size / 32.0, size / 32.0);
    p.setPen(kBlack);
    p.setBrush(kGrey);
    p.drawRect(2, 6, 27, 20);
    p.setBrush(kTeal);
    p.drawRect(5, 9, 17, 14);
    p.setBrush(kSilver);
    p.drawEllipse(QPoint(25, 12), 2, 2);
    p.drawEllipse(QPoint(25, 19), 2, 2);
    p.drawLine(10, 6, 6, 1);
    p.drawLine(20, 6, 24, 1);
    p.drawRect(8, 26, 3, 3);
    p.drawRect(20, 26, 3, 3);
    return pm;
}
}  // namespace

QIcon ApplicationIcon() {
    QIcon icon;
    for (int s : {16, 32, 48}) icon.addPixmap(Television(s));
    return icon;
}

QPixmap PadlockKeyPixmap() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    // Shackle and body of the padlock.
    p.setPen(QPen(kGrey, 3));
    p.setBrush(Qt::NoBrush);
    p.drawArc(5, 3, 14, 16, 0, 180 * 16);
    p.drawLine(5, 11, 5, 14);
    p.drawLine(19, 11, 19, 14);
    p.setPen(kBlack);
    p.setBrush(kSilver);
    p.drawRect(2, 14, 20, 15);
    p.setBrush(kGrey);
    p.drawRect(3, 15, 18, 2);
    p.setBrush(kBlack);
    p.drawEllipse(QPoint(12, 21), 2, 2);
    p.drawRect(11, 22, 2, 4);
    // The key beside it.
    p.setPen(kBlack);
    p.setBrush(kYellow);
    p.drawEllipse(22, 4, 8, 8);
    p.setBrush(kOlive);
    p.drawRect(25, 12, 2, 14);
    p.drawRect(27, 21, 3, 2);
    p.drawRect(27, 25, 2, 2);
    p.setBrush(kWhite);
    p.drawEllipse(QPoint(26, 8), 1, 1);
    return pm;
}
