#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QScrollBar>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/line_store.h"
#include "engine/lines/line_texts.h"

namespace trackfold {

// Which lines the list shows: all, only failures, or only files placed under another name or
// over an earlier copy.
enum class LogFilter { all, errors, numbered_replaced };

// What a line means for its colour and the filter.
enum class LineKind : std::uint8_t { plain, error, renamed, kept };
LineKind line_kind(ActionWord word);

// A plain single-selection list of text lines. Rows all have one height and only the visible
// rows are painted, so appending a line and scrolling to it costs the same at any length.
class LogList : public QAbstractScrollArea {
    Q_OBJECT
  public:
    explicit LogList(QWidget* parent = nullptr);

    void append(const QString& line);
    // action: a word or two shown in a column of its own before the line; "" for none.
    void append(const std::string& utf8_line, std::string_view action = {},
                LineKind kind = LineKind::plain);
    void clear();
    std::size_t count() const { return lines_.size(); }
    QString line(std::size_t index) const {
        const std::string_view text = lines_.at(index);
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }
    QString action(std::size_t index) const { return action_names_.at(actions_.at(index)); }
    std::string utf8_line(std::size_t index) const { return std::string(lines_.at(index)); }

    // -1 when no row is selected.
    int current_row() const { return current_; }
    void set_current_row(int row);
    void select_last();

    // Lines the filter leaves out keep their place: counting, indices and selection are the
    // whole list's, and they come back when the filter goes.
    void set_filter(LogFilter filter);
    LogFilter filter() const { return filter_; }
    // The lines shown, as indices of the whole list.
    std::vector<std::size_t> shown_lines() const;

    int first_visible_row() const;
    // Rows wholly inside the viewport.
    int visible_rows() const;
    // Where a row is, in viewport coordinates.
    QRect row_rect(int row) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    bool passes(std::size_t index) const;
    int rows() const;
    std::size_t line_of_row(int row) const;
    int row_of_line(std::size_t index) const;
    void select_row(int row);
    QColor text_colour(LineKind kind, bool selected) const;
    int row_height() const;
    int line_width(const QString& line);
    qreal advance(char32_t c);
    void update_scroll_bars();
    static void set_range(QScrollBar& bar, int page, int maximum);
    void scroll_to(int row);

    // UTF-8 takes half the memory of QString's UTF-16 for these mostly ASCII lines, which
    // counts at a million of them.
    LineStore lines_;
    // Each line's action, as an index into the few different ones.
    std::vector<std::uint8_t> actions_;
    std::vector<QString> action_names_{QString()};
    std::vector<LineKind> action_kinds_{LineKind::plain};
    LogFilter filter_ = LogFilter::all;
    // With a filter: the lines it lets through, in order.
    std::vector<std::size_t> shown_;
    int action_width_ = 0;
    int current_ = -1;
    int widest_ = 0;
    // Of the current font; measured as they are first needed.
    std::unordered_map<char32_t, qreal> advances_;
    qreal tab_width_ = 0;
};

}  // namespace trackfold
