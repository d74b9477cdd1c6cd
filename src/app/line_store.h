#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trackfold {

// Lines kept end to end in blocks, each block deflated once it is full: a log's lines repeat
// their folders and paths so much that a million of them fit in a tenth of their size, and
// only the block on screen is ever inflated again.
class LineStore {
  public:
    void push_back(std::string_view line);
    void clear();
    std::size_t size() const { return spans_.size(); }
    bool empty() const { return spans_.empty(); }
    // Valid until the next call on the store. Throws std::out_of_range past the last line.
    std::string_view at(std::size_t index) const;

  private:
    struct Span {
        std::uint32_t block;
        std::uint32_t offset;
        std::uint32_t size;
    };
    struct Block {
        std::string packed;
        std::size_t bytes = 0;
    };
    void close_block();
    const std::string& block_text(std::uint32_t block) const;

    std::vector<Block> closed_;
    std::string open_;
    std::vector<Span> spans_;
    mutable std::size_t inflated_block_ = static_cast<std::size_t>(-1);
    mutable std::string inflated_;
};

}  // namespace trackfold
