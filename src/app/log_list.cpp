#include "app/log_list.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <algorithm>
#include <cmath>

namespace trackfold {

namespace {

constexpr int kTextMargin = 2;
constexpr int kTextFlags =
    Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextExpandTabs;

// A tab that ends right at a tab stop would glue two columns together: keep a space between.
QString shown(const QString& line) {
    QString text = line;
    text.replace(QLatin1Char('\t'), QLatin1String(" \t"));
    return text;
}

}  // namespace

LogList::LogList(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(fontMetrics().averageCharWidth());
    update_scroll_bars();
}

void LogList::append(const QString& line) {
    lines_.push_back(line);
    widest_ = std::max(widest_, line_width(line));
    update_scroll_bars();
    viewport()->update();
}

void LogList::clear() {
    lines_.clear();
    current_ = -1;
    widest_ = 0;
    update_scroll_bars();
    viewport()->update();
}

void LogList::set_current_row(int row) {
    if (lines_.empty()) {
        return;
    }
    current_ = std::clamp(row, 0, static_cast<int>(lines_.size()) - 1);
    scroll_to(current_);
    viewport()->update();
}

void LogList::select_last() {
    set_current_row(static_cast<int>(lines_.size()) - 1);
}

int LogList::first_visible_row() const {
    return verticalScrollBar()->value();
}

int LogList::visible_rows() const {
    return std::max(1, viewport()->height() / row_height());
}

QRect LogList::row_rect(int row) const {
    return QRect(0, (row - first_visible_row()) * row_height(), viewport()->width(), row_height());
}

int LogList::row_height() const {
    return fontMetrics().height() + 2;
}

// Laying out every line as it arrives would cost more than copying its file; the sum of the
// characters' advances, tabs expanded as drawText does, is close enough for the scroll range.
int LogList::line_width(const QString& line) {
    const QFontMetricsF metrics(font());
    const qreal tab = std::round(metrics.horizontalAdvance(QLatin1Char('x')) * 8);
    qreal x = 0;
    const QString text = shown(line);
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        if (c == u'\t') {
            x = (std::floor(x / tab) + 1) * tab;
            continue;
        }
        auto [advance, added] = advances_.try_emplace(c, 0);
        if (added) {
            advance->second = metrics.horizontalAdvance(QString::fromUcs4(&c, 1));
        }
        x += advance->second;
    }
    return static_cast<int>(std::ceil(x)) + 2 * kTextMargin;
}

void LogList::update_scroll_bars() {
    const int rows = visible_rows();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setPageStep(rows);
    vertical->setRange(0, std::max(0, static_cast<int>(lines_.size()) - rows));
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setPageStep(viewport()->width());
    horizontal->setRange(0, std::max(0, widest_ - viewport()->width()));
}

void LogList::scroll_to(int row) {
    QScrollBar* vertical = verticalScrollBar();
    const int rows = visible_rows();
    if (row < vertical->value()) {
        vertical->setValue(row);
    } else if (row >= vertical->value() + rows) {
        vertical->setValue(row - rows + 1);
    }
}

void LogList::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const int first = first_visible_row();
    const int end = std::min(static_cast<int>(lines_.size()), first + visible_rows() + 1);
    const int left = kTextMargin - horizontalScrollBar()->value();
    const int width = std::max(widest_, viewport()->width());
    for (int row = first; row < end; ++row) {
        const QRect rect = row_rect(row);
        const bool selected = row == current_;
        if (selected) {
            painter.fillRect(rect, palette().brush(QPalette::Highlight));
        }
        painter.setPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(QRect(left, rect.top(), width, rect.height()), kTextFlags,
                         shown(lines_[static_cast<std::size_t>(row)]));
        if (selected && hasFocus()) {
            QStyleOptionFocusRect option;
            option.initFrom(this);
            option.rect = rect;
            option.backgroundColor = palette().color(QPalette::Highlight);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
        }
    }
}

void LogList::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    update_scroll_bars();
}

void LogList::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        advances_.clear();
        widest_ = 0;
        for (const QString& line : lines_) {
            widest_ = std::max(widest_, line_width(line));
        }
        horizontalScrollBar()->setSingleStep(fontMetrics().averageCharWidth());
        update_scroll_bars();
    }
}

void LogList::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const int row = first_visible_row() + event->position().toPoint().y() / row_height();
    if (row < static_cast<int>(lines_.size())) {
        set_current_row(row);
    }
}

void LogList::keyPressEvent(QKeyEvent* event) {
    const int page = visible_rows();
    switch (event->key()) {
        case Qt::Key_Up:
            set_current_row(current_ - 1);
            break;
        case Qt::Key_Down:
            set_current_row(current_ + 1);
            break;
        case Qt::Key_PageUp:
            set_current_row(current_ - page);
            break;
        case Qt::Key_PageDown:
            set_current_row(current_ + page);
            break;
        case Qt::Key_Home:
            set_current_row(0);
            break;
        case Qt::Key_End:
            select_last();
            break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
    }
}

void LogList::scrollContentsBy(int, int) {
    viewport()->update();
}

}  // namespace trackfold
