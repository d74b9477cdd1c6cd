#include "app/log_list.h"
#include "engine/lines/line_texts.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
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

LineKind line_kind(ActionWord word) {
    switch (word) {
        case ActionWord::Error:
        case ActionWord::SourceKept:
            return LineKind::error;
        case ActionWord::Numbered:
        case ActionWord::Replaced:
            return LineKind::renamed;
        default:
            return LineKind::plain;
    }
}

LogList::LogList(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(fontMetrics().averageCharWidth());
    update_scroll_bars();
}

void LogList::append(const QString& line) {
    append(line.toStdString());
}

void LogList::append(const std::string& utf8_line, std::string_view action, LineKind kind) {
    lines_.push_back(utf8_line);
    const QString name = QString::fromUtf8(action.data(), static_cast<qsizetype>(action.size()));
    auto found = std::find(action_names_.begin(), action_names_.end(), name);
    if (found == action_names_.end()) {
        action_names_.push_back(name);
        action_kinds_.push_back(kind);
        found = action_names_.end() - 1;
        if (!name.isEmpty()) {
            action_width_ = std::max(action_width_, fontMetrics().horizontalAdvance(name + u' '));
        }
    }
    actions_.push_back(static_cast<std::uint8_t>(found - action_names_.begin()));
    if (filter_ != LogFilter::all && passes(lines_.size() - 1)) {
        shown_.push_back(lines_.size() - 1);
    }
    widest_ = std::max(widest_, line_width(QString::fromStdString(utf8_line)));
    update_scroll_bars();
    viewport()->update();
}

void LogList::clear() {
    lines_.clear();
    actions_.clear();
    shown_.clear();
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
    scroll_to(row_of_line(static_cast<std::size_t>(current_)));
    viewport()->update();
}

bool LogList::passes(std::size_t index) const {
    const LineKind kind = action_kinds_[actions_[index]];
    switch (filter_) {
        case LogFilter::errors:
            return kind == LineKind::error;
        case LogFilter::numbered_replaced:
            return kind == LineKind::renamed;
        case LogFilter::all:
            break;
    }
    return true;
}

void LogList::set_filter(LogFilter filter) {
    filter_ = filter;
    shown_.clear();
    if (filter_ != LogFilter::all) {
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            if (passes(i)) {
                shown_.push_back(i);
            }
        }
    }
    update_scroll_bars();
    verticalScrollBar()->setValue(0);
    if (current_ >= 0) {
        scroll_to(row_of_line(static_cast<std::size_t>(current_)));
    }
    viewport()->update();
}

std::vector<std::size_t> LogList::shown_lines() const {
    std::vector<std::size_t> lines;
    for (int row = 0; row < rows(); ++row) {
        lines.push_back(line_of_row(row));
    }
    return lines;
}

int LogList::rows() const {
    return static_cast<int>(filter_ == LogFilter::all ? lines_.size() : shown_.size());
}

std::size_t LogList::line_of_row(int row) const {
    return filter_ == LogFilter::all ? static_cast<std::size_t>(row)
                                     : shown_[static_cast<std::size_t>(row)];
}

// A line the filter leaves out is where the next shown one is.
int LogList::row_of_line(std::size_t index) const {
    if (filter_ == LogFilter::all) {
        return static_cast<int>(index);
    }
    const auto at = std::lower_bound(shown_.begin(), shown_.end(), index);
    return static_cast<int>(
        std::min<std::ptrdiff_t>(at - shown_.begin(), std::max<std::ptrdiff_t>(0, rows() - 1)));
}

void LogList::select_row(int row) {
    if (rows() > 0) {
        set_current_row(static_cast<int>(line_of_row(std::clamp(row, 0, rows() - 1))));
    }
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
    if (tab_width_ == 0) {
        tab_width_ = std::round(QFontMetricsF(font()).horizontalAdvance(QLatin1Char('x')) * 8);
    }
    qreal x = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        char32_t c = line[i].unicode();
        if (line[i].isHighSurrogate() && i + 1 < line.size() && line[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(line[i], line[i + 1]);
            ++i;
        }
        if (c == u'\t') {
            // As shown: a space, then the tab.
            x = (std::floor((x + advance(u' ')) / tab_width_) + 1) * tab_width_;
            continue;
        }
        x += advance(c);
    }
    return static_cast<int>(std::ceil(x)) + 2 * kTextMargin;
}

qreal LogList::advance(char32_t c) {
    auto [found, added] = advances_.try_emplace(c, 0);
    if (added) {
        found->second = QFontMetricsF(font()).horizontalAdvance(QString::fromUcs4(&c, 1));
    }
    return found->second;
}

void LogList::update_scroll_bars() {
    set_range(*verticalScrollBar(), visible_rows(), std::max(0, rows() - visible_rows()));
    const int room = viewport()->width() - (action_width_ > 0 ? action_width_ + kTextMargin : 0);
    set_range(*horizontalScrollBar(), room, std::max(0, widest_ - room));
}

// Every range change makes the area lay itself out again, after the event loop comes round, to
// show or hide the bar: for a line added to a list that already scrolls, that was most of the
// cost of the line. A growing range moves nothing, so nobody else needs to hear of it.
void LogList::set_range(QScrollBar& bar, int page, int maximum) {
    const QSignalBlocker quiet(maximum >= bar.maximum() && bar.maximum() > 0 ? &bar : nullptr);
    bar.setPageStep(page);
    bar.setRange(0, maximum);
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

QColor LogList::text_colour(LineKind kind, bool selected) const {
    if (selected || kind == LineKind::plain || kind == LineKind::renamed) {
        return palette().color(selected ? QPalette::HighlightedText : QPalette::Text);
    }
    // Dark enough on a light list, light enough on a dark one.
    return kind == LineKind::error ? QColor(0xd0, 0x20, 0x20) : QColor(0xb0, 0x70, 0x00);
}

void LogList::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const int first = first_visible_row();
    const int end = std::min(rows(), first + visible_rows() + 1);
    // The action column stays put while the lines scroll sideways beside it.
    const int column = action_width_ > 0 ? action_width_ + kTextMargin : 0;
    const int left = column + kTextMargin - horizontalScrollBar()->value();
    const int width = std::max(widest_, viewport()->width());
    for (int row = first; row < end; ++row) {
        const QRect rect = row_rect(row);
        const std::size_t index = line_of_row(row);
        const bool selected = static_cast<int>(index) == current_;
        if (selected) {
            painter.fillRect(rect, palette().brush(QPalette::Highlight));
        }
        painter.setPen(text_colour(action_kinds_[actions_[index]], selected));
        painter.setClipRect(rect.adjusted(column, 0, 0, 0));
        painter.drawText(QRect(left, rect.top(), width, rect.height()), kTextFlags,
                         shown(line(index)));
        painter.setClipping(false);
        painter.drawText(QRect(kTextMargin, rect.top(), action_width_, rect.height()), kTextFlags,
                         action(index));
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
    // A bar that just appeared must not hide the selected line, the newest one during a run.
    if (current_ >= 0) {
        scroll_to(current_);
    }
}

void LogList::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        advances_.clear();
        tab_width_ = 0;
        action_width_ = 0;
        for (const QString& name : action_names_) {
            if (!name.isEmpty()) {
                action_width_ =
                    std::max(action_width_, fontMetrics().horizontalAdvance(name + u' '));
            }
        }
        widest_ = 0;
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            widest_ = std::max(widest_, line_width(line(i)));
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
    if (row < rows()) {
        select_row(row);
    }
}

void LogList::keyPressEvent(QKeyEvent* event) {
    const int page = visible_rows();
    const int now = current_ < 0 ? -1 : row_of_line(static_cast<std::size_t>(current_));
    switch (event->key()) {
        case Qt::Key_Up:
            select_row(now - 1);
            break;
        case Qt::Key_Down:
            select_row(now + 1);
            break;
        case Qt::Key_PageUp:
            select_row(now - page);
            break;
        case Qt::Key_PageDown:
            select_row(now + page);
            break;
        case Qt::Key_Home:
            select_row(0);
            break;
        case Qt::Key_End:
            select_row(rows() - 1);
            break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
    }
}

void LogList::scrollContentsBy(int, int) {
    viewport()->update();
}

}  // namespace trackfold
