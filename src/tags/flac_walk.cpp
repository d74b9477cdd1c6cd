#include "tags/flac_walk.h"

#include <taglib/xiphcomment.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>

#include "id3v2_walk.h"
#include "read_only_stream.h"

namespace trackfold {
namespace {

constexpr unsigned kBlockHeaderSize = 4;
constexpr std::uint8_t kCommentType = 4;
constexpr std::uint8_t kLastTypeDefined = 6;  // PICTURE; 7 to 126 are reserved, 127 invalid
constexpr int kMostBlocks = 128;
constexpr unsigned long kSearchSize = 64 << 10;
// Comments tried in the search, each costing at most its own length: the search's bound.
constexpr std::uint64_t kSearchWork = 4 << 20;

TagLib::ByteVector read_at(TagLib::IOStream& stream, long offset, unsigned long length) {
    stream.seek(offset, TagLib::IOStream::Beginning);
    return stream.readBlock(length);
}

std::uint32_t little_endian(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;) {
        value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
    }
    return value;
}

// The bytes a Vorbis comment at the start of `bytes` takes by its own lengths, when they fit
// in `bytes`, it has at least one field and every field is KEY=value; else nullopt. `work`
// counts the bytes looked at.
std::optional<std::size_t> comment_size(std::string_view bytes, std::uint64_t& work) {
    if (bytes.size() < 8) {
        return std::nullopt;
    }
    const std::size_t vendor = little_endian(bytes, 0);
    if (vendor > bytes.size() - 8) {
        return std::nullopt;
    }
    std::size_t at = 4 + vendor;
    const std::size_t fields = little_endian(bytes, at);
    at += 4;
    if (fields == 0 || fields > (bytes.size() - at) / 4) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < fields; ++i) {
        if (bytes.size() - at < 4) {
            return std::nullopt;
        }
        const std::size_t length = little_endian(bytes, at);
        at += 4;
        if (length > bytes.size() - at) {
            return std::nullopt;
        }
        const std::string_view field = bytes.substr(at, length);
        const std::size_t separator = field.find('=');
        work += std::min(separator, field.size()) + 4;
        if (separator == 0 || separator == std::string_view::npos ||
            !std::all_of(field.begin(), field.begin() + static_cast<long>(separator),
                         [](char c) { return c >= 0x20 && c <= 0x7D; })) {
            return std::nullopt;
        }
        at += length;
    }
    return at;
}

std::string_view view(const TagLib::ByteVector& bytes) {
    return std::string_view(bytes.data(), bytes.size());
}

TagLib::PropertyMap fields_of(const TagLib::ByteVector& comment) {
    return TagLib::Ogg::XiphComment(comment).properties();
}

// The comment whose data starts at `offset`, however long its block says it is.
std::optional<TagLib::ByteVector> comment_at(TagLib::IOStream& stream, long offset,
                                             unsigned long declared) {
    const unsigned long room = std::min<unsigned long>(
        std::max<unsigned long>(declared, kSearchSize), ReadOnlyStream::kTagReach);
    const TagLib::ByteVector bytes = read_at(stream, offset, room);
    std::uint64_t work = 0;
    const std::optional<std::size_t> size = comment_size(view(bytes), work);
    return size ? std::optional(bytes.mid(0, static_cast<unsigned>(*size))) : std::nullopt;
}

// The first comment block in the bytes after the "fLaC" marker whose comment holds together.
std::optional<TagLib::ByteVector> search_comment(TagLib::IOStream& stream, long metadata) {
    const TagLib::ByteVector bytes = read_at(stream, metadata, kSearchSize);
    std::uint64_t work = 0;
    for (unsigned at = 0; at + kBlockHeaderSize < bytes.size() && work < kSearchWork; ++at) {
        if ((static_cast<std::uint8_t>(bytes[at]) & 0x7F) != kCommentType) {
            continue;
        }
        // The block's own length may be the wrong one: the comment's lengths tell.
        const std::string_view data = view(bytes).substr(at + kBlockHeaderSize);
        if (const std::optional<std::size_t> size = comment_size(data, work)) {
            return TagLib::ByteVector(data.data(), static_cast<unsigned>(*size));
        }
    }
    return std::nullopt;
}

}  // namespace

TagLib::PropertyMap flac_comment_fields(TagLib::IOStream& stream) {
    const TagLib::ByteVector head = read_at(stream, 0, 10);
    const long start =
        static_cast<long>(id3v2_tag_size(std::string_view(head.data(), head.size())));
    if (read_at(stream, start, 4) != "fLaC") {
        return {};
    }
    const long metadata = start + 4;
    long at = metadata;
    for (int block = 0; block < kMostBlocks; ++block) {
        const TagLib::ByteVector header = read_at(stream, at, kBlockHeaderSize);
        if (header.size() < kBlockHeaderSize) {
            break;
        }
        const std::uint8_t type = static_cast<std::uint8_t>(header[0]) & 0x7F;
        const unsigned long length = header.toUInt(1, 3, true);
        if (type == kCommentType) {
            if (const auto comment = comment_at(stream, at + kBlockHeaderSize, length)) {
                return fields_of(*comment);
            }
            break;
        }
        if (type > kLastTypeDefined || (header[0] & 0x80)) {
            break;
        }
        at += kBlockHeaderSize + static_cast<long>(length);
    }
    const auto found = search_comment(stream, metadata);
    return found ? fields_of(*found) : TagLib::PropertyMap();
}

}  // namespace trackfold
