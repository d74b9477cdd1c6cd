#include "app/folder_picture.h"

#include <QImage>
#include <QPainter>
#include <QPolygon>

namespace trackfold {

QPixmap open_folder_picture() {
    QImage image(26, 23, QImage::Format_RGB888);
    image.fill(QColor(232, 231, 233));

    QPainter painter(&image);
    const QColor outline(128, 96, 0);
    const QColor yellow(255, 210, 64);
    const QColor shade(224, 168, 32);

    // The back of the folder with its tab.
    painter.setPen(outline);
    painter.setBrush(shade);
    painter.drawPolygon(QPolygon({QPoint(3, 9), QPoint(5, 7), QPoint(10, 7), QPoint(11, 9),
                                  QPoint(20, 9), QPoint(20, 19), QPoint(3, 19)}));

    // A white sheet standing in the open folder.
    painter.setBrush(Qt::white);
    painter.drawRect(6, 10, 12, 7);

    // The open front flap.
    painter.setBrush(yellow);
    painter.drawPolygon(QPolygon({QPoint(3, 19), QPoint(6, 13), QPoint(23, 13), QPoint(20, 19)}));

    // The arrow, rising out of the folder. The buttons are lower than the picture, so it
    // keeps clear of the picture's top rows.
    painter.setPen(QColor(0, 96, 0));
    painter.drawLine(11, 11, 16, 6);
    painter.drawLine(12, 11, 17, 6);
    painter.setBrush(QColor(0, 128, 0));
    painter.drawPolygon(QPolygon({QPoint(14, 3), QPoint(19, 3), QPoint(19, 8)}));
    painter.end();

    return QPixmap::fromImage(image);
}

}  // namespace trackfold
