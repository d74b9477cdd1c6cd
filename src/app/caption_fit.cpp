#include "app/caption_fit.h"

#include <QAbstractButton>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>

namespace trackfold {

namespace {

constexpr int kSmallestPixelSize = 8;

bool fits(const QFontMetrics& metrics, const QString& text, const QRect& space) {
    return metrics.horizontalAdvance(text) <= space.width() && metrics.height() <= space.height();
}

// What of the label shows: a label may stick out of its container, which then clips it.
QRect visible_area(const QLabel& label) {
    QRect area = label.contentsRect();
    if (const QWidget* parent = label.parentWidget(); parent != nullptr && !parent->isWindow()) {
        const QRect parent_area = parent->contentsRect();
        area &= QRect(label.mapFromParent(parent_area.topLeft()), parent_area.size());
    }
    return area;
}

bool label_shows(const QLabel& label) {
    const QFontMetrics metrics = label.fontMetrics();
    const QSize text_size(metrics.horizontalAdvance(label.text()), metrics.height());
    const QRect text = QStyle::alignedRect(label.layoutDirection(), label.alignment(), text_size,
                                           label.contentsRect());
    return visible_area(label).contains(text);
}

}  // namespace

QStringList clipped_captions(const QWidget& window) {
    QStringList clipped;
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (!label->text().isEmpty() && !label_shows(*label)) {
            clipped << label->objectName();
        }
    }
    for (const QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        QStyleOptionButton option;
        option.initFrom(button);
        const QRect space =
            button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        if (!button->text().isEmpty() && !fits(button->fontMetrics(), button->text(), space)) {
            clipped << button->objectName();
        }
    }
    for (const QGroupBox* group : window.findChildren<QGroupBox*>()) {
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.text = group->title();
        option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        const QRect label = group->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                           QStyle::SC_GroupBoxLabel, group);
        if (!group->title().isEmpty() && !group->rect().contains(label)) {
            clipped << group->objectName();
        }
    }
    return clipped;
}

void fit_captions(QWidget& window) {
    QFont font = window.font();
    int pixel_size = QFontInfo(font).pixelSize();
    while (pixel_size > kSmallestPixelSize && !clipped_captions(window).isEmpty()) {
        font.setPixelSize(--pixel_size);
        window.setFont(font);
    }
}

}  // namespace trackfold
