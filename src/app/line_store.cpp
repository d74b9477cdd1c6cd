#include "app/line_store.h"

#include <algorithm>
#include <stdexcept>

namespace trackfold {

namespace {

constexpr std::size_t kBlockBytes = 1 << 20;

}  // namespace

void LineStore::push_back(std::string_view line) {
    if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < line.size()) {
        blocks_.emplace_back().reserve(std::max(kBlockBytes, line.size()));
    }
    std::string& block = blocks_.back();
    spans_.push_back(Span{static_cast<std::uint32_t>(blocks_.size() - 1),
                          static_cast<std::uint32_t>(block.size()),
                          static_cast<std::uint32_t>(line.size())});
    block.append(line);
}

void LineStore::clear() {
    blocks_.clear();
    spans_.clear();
}

std::string_view LineStore::at(std::size_t index) const {
    if (index >= spans_.size()) {
        throw std::out_of_range("no such line");
    }
    return (*this)[index];
}

}  // namespace trackfold
