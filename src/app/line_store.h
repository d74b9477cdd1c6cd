#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trackfold {

// Lines kept end to end in blocks of a mebibyte: at a million lines a string of its own for
// each would cost about a third again in headers and allocator rounding, and one growing
// buffer would for a moment be held twice whenever it grows.
class LineStore {
  public:
    void push_back(std::string_view line);
    void clear();
    std::size_t size() const { return spans_.size(); }
    bool empty() const { return spans_.empty(); }
    std::string_view operator[](std::size_t index) const {
        const Span& span = spans_[index];
        return std::string_view(blocks_[span.block]).substr(span.offset, span.size);
    }
    // Throws std::out_of_range past the last line.
    std::string_view at(std::size_t index) const;

  private:
    struct Span {
        std::uint32_t block;
        std::uint32_t offset;
        std::uint32_t size;
    };
    std::vector<std::string> blocks_;
    std::vector<Span> spans_;
};

}  // namespace trackfold
