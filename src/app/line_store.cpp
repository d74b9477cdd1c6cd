#include "app/line_store.h"

#include <zlib.h>

#include <stdexcept>

namespace trackfold {

namespace {

// Small enough that inflating the block of a row costs well under a frame.
constexpr std::size_t kBlockBytes = 256 * 1024;

}  // namespace

void LineStore::push_back(std::string_view line) {
    if (!open_.empty() && open_.size() + line.size() > kBlockBytes) {
        close_block();
    }
    spans_.push_back(Span{static_cast<std::uint32_t>(closed_.size()),
                          static_cast<std::uint32_t>(open_.size()),
                          static_cast<std::uint32_t>(line.size())});
    open_.append(line);
}

void LineStore::close_block() {
    Block block;
    block.bytes = open_.size();
    uLongf packed_size = compressBound(static_cast<uLong>(open_.size()));
    block.packed.resize(packed_size);
    const bool packed = compress2(reinterpret_cast<Bytef*>(block.packed.data()), &packed_size,
                                  reinterpret_cast<const Bytef*>(open_.data()),
                                  static_cast<uLong>(open_.size()), Z_BEST_SPEED) == Z_OK &&
                        packed_size < open_.size();
    // Where deflating gains nothing, the block stays as it is: its sizes tell which it is.
    block.packed = packed ? block.packed.substr(0, packed_size) : open_;
    closed_.push_back(std::move(block));
    open_.clear();
}

const std::string& LineStore::block_text(std::uint32_t index) const {
    if (index == closed_.size()) {
        return open_;
    }
    const Block& block = closed_[index];
    if (block.packed.size() == block.bytes) {
        return block.packed;
    }
    if (inflated_block_ != index) {
        inflated_.resize(block.bytes);
        uLongf size = static_cast<uLongf>(block.bytes);
        const int result = uncompress(reinterpret_cast<Bytef*>(inflated_.data()), &size,
                                      reinterpret_cast<const Bytef*>(block.packed.data()),
                                      static_cast<uLong>(block.packed.size()));
        if (result != Z_OK || size != block.bytes) {
            throw std::runtime_error("a block of lines could not be inflated");
        }
        inflated_block_ = index;
    }
    return inflated_;
}

void LineStore::clear() {
    closed_.clear();
    open_.clear();
    spans_.clear();
    inflated_block_ = static_cast<std::size_t>(-1);
    inflated_.clear();
}

std::string_view LineStore::at(std::size_t index) const {
    if (index >= spans_.size()) {
        throw std::out_of_range("no such line");
    }
    const Span& span = spans_[index];
    return std::string_view(block_text(span.block)).substr(span.offset, span.size);
}

}  // namespace trackfold
