#include "id3v2_walk.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "legacy_text.h"
#include "util/text.h"

namespace trackfold {
namespace {

constexpr std::size_t kHeaderSize = 10;
// A text frame claiming to inflate to more than this is not a name.
constexpr std::uint32_t kMaxInflatedSize = 1 << 20;

std::uint8_t byte_at(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint8_t>(bytes[at]);
}

std::uint32_t big_endian(std::string_view bytes, std::size_t at, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        value = (value << 8) | byte_at(bytes, at + i);
    }
    return value;
}

// Seven bits per byte; nullopt when a byte has its high bit set.
std::optional<std::uint32_t> syncsafe(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        if (byte_at(bytes, at + i) & 0x80) {
            return std::nullopt;
        }
        value = (value << 7) | byte_at(bytes, at + i);
    }
    return value;
}

// Unsynchronisation put a 00 after every FF; take them out again.
std::string resynchronise(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out += bytes[i];
        if (byte_at(bytes, i) == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == '\0') {
            ++i;
        }
    }
    return out;
}

std::optional<std::string> inflate(std::string_view bytes, std::uint32_t size) {
    if (size == 0 || size > kMaxInflatedSize) {
        return std::nullopt;
    }
    std::string out(size, '\0');
    uLongf out_size = size;
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &out_size,
                   reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()) != Z_OK) {
        return std::nullopt;
    }
    out.resize(out_size);
    return out;
}

enum class Order { Unknown, Little, Big };

// Without a byte-order mark, the order whose zero bytes fall where ASCII text puts them;
// little-endian, as Windows taggers write, when that tells nothing.
Order guess_order(std::string_view units) {
    std::size_t zero_high_first = 0, zero_high_last = 0;
    for (std::size_t i = 0; i + 1 < units.size(); i += 2) {
        zero_high_first += units[i] == '\0' && units[i + 1] != '\0';
        zero_high_last += units[i] != '\0' && units[i + 1] == '\0';
    }
    return zero_high_first > zero_high_last ? Order::Big : Order::Little;
}

// One value in UTF-16. A byte-order mark of its own wins; without one the order goes on from
// the value before, or is guessed. A lone surrogate becomes U+FFFD.
std::string utf16_to_utf8(std::string_view units, Order& order) {
    if (units.size() >= 2) {
        const std::uint32_t mark = big_endian(units, 0, 2);
        if (mark == 0xFEFF || mark == 0xFFFE) {
            order = mark == 0xFEFF ? Order::Big : Order::Little;
            units.remove_prefix(2);
        }
    }
    if (order == Order::Unknown) {
        order = guess_order(units);
    }
    const auto unit_at = [&](std::size_t i) -> char32_t {
        const std::uint8_t first = byte_at(units, i), second = byte_at(units, i + 1);
        return order == Order::Big ? (first << 8) | second : (second << 8) | first;
    };
    std::string out;
    for (std::size_t i = 0; i + 1 < units.size(); i += 2) {
        char32_t c = unit_at(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < units.size()) {
            const char32_t low = unit_at(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        append_utf8(out, c >= 0xD800 && c <= 0xDFFF ? 0xFFFD : c);
    }
    return out;
}

// A text frame's values, each ended by the encoding's NUL, joined with "/" as the rest of the
// library joins them; empty values are left out, as TagLib leaves them out.
std::string text_frame_value(std::string_view data) {
    if (data.empty() || byte_at(data, 0) > 3) {
        return {};
    }
    const std::uint8_t encoding = byte_at(data, 0);
    data.remove_prefix(1);
    const bool wide = encoding == 1 || encoding == 2;
    const std::size_t unit = wide ? 2 : 1;
    Order order = encoding == 2 ? Order::Big : Order::Unknown;
    std::string joined;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= data.size(); i += unit) {
        const bool at_end = i + unit > data.size();
        if (!at_end && data.substr(i, unit).find_first_not_of('\0') != std::string_view::npos) {
            continue;
        }
        const std::string_view piece = data.substr(start, std::min(i, data.size()) - start);
        start = i + unit;
        if (piece.empty()) {
            continue;
        }
        const std::string text = wide ? utf16_to_utf8(piece, order) : decode_tag_text(piece, false);
        if (!text.empty()) {
            joined += (joined.empty() ? "" : "/") + text;
        }
        if (at_end) {
            break;
        }
    }
    return joined;
}

bool is_frame_id_char(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

struct Tag {
    int version;
    std::string_view frames;  // after the header and any extended header
    bool unsynchronised;      // the tag header's flag
};

class FrameWalk {
  public:
    explicit FrameWalk(const Tag& tag)
        : tag_(tag), id_size_(tag.version == 2 ? 3 : 4), header_size_(tag.version == 2 ? 6 : 10) {}

    Id3v2Texts read() {
        Id3v2Texts texts;
        std::size_t at = 0;
        while (at + header_size_ <= frames().size() && frames()[at] != '\0') {
            const std::string_view id = frames().substr(at, id_size_);
            // Bytes outside printable ASCII are no frame ID but garbage: stop before them.
            if (!std::all_of(id.begin(), id.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) {
                break;
            }
            const std::optional<std::uint32_t> size = frame_size(at);
            if (!size) {
                break;
            }
            const std::string_view frame = frames().substr(at, header_size_ + *size);
            if (std::string* text = id == artist_id()         ? &texts.artist
                                    : id == album_id()        ? &texts.album
                                    : id == album_artist_id() ? &texts.album_artist
                                                              : nullptr;
                text != nullptr && text->empty() && *size > 0) {
                if (const auto data = frame_data(frame)) {
                    *text = text_frame_value(*data);
                }
            }
            at += frame.size();
        }
        return texts;
    }

  private:
    std::string_view frames() const { return tag_.frames; }
    std::string_view artist_id() const { return tag_.version == 2 ? "TP1" : "TPE1"; }
    std::string_view album_id() const { return tag_.version == 2 ? "TAL" : "TALB"; }
    std::string_view album_artist_id() const { return tag_.version == 2 ? "TP2" : "TPE2"; }

    // A frame ID follows, or padding, or the end of the tag.
    bool frame_may_start(std::size_t at) const {
        if (at == frames().size() || (at < frames().size() && frames()[at] == '\0')) {
            return true;
        }
        if (at + id_size_ > frames().size()) {
            return false;
        }
        const std::string_view id = frames().substr(at, id_size_);
        return std::all_of(id.begin(), id.end(), is_frame_id_char);
    }

    // The declared size when the frame fits in the tag. ID3v2.4 sizes are syncsafe, but
    // some taggers wrote them as ID3v2.3 ones; the reading after which a frame follows wins.
    std::optional<std::uint32_t> frame_size(std::size_t at) const {
        const std::size_t room = frames().size() - at - header_size_;
        const auto fits = [&](std::optional<std::uint32_t> size) {
            return size && *size <= room ? size : std::nullopt;
        };
        if (tag_.version == 2) {
            return fits(big_endian(frames(), at + 3, 3));
        }
        const std::uint32_t plain = big_endian(frames(), at + 4, 4);
        if (tag_.version == 3) {
            return fits(plain);
        }
        const std::optional<std::uint32_t> safe = fits(syncsafe(frames(), at + 4));
        if (safe && (*safe == plain || frame_may_start(at + header_size_ + *safe))) {
            return safe;
        }
        if (fits(plain) && frame_may_start(at + header_size_ + plain)) {
            return plain;
        }
        return safe;
    }

    // The frame's content once its format flags are undone; nullopt when it is encrypted or
    // cannot be unpacked.
    std::optional<std::string> frame_data(std::string_view frame) const {
        std::string_view data = frame.substr(header_size_);
        if (tag_.version == 2) {
            return std::string(data);
        }
        const std::uint8_t format = byte_at(frame, 9);
        bool compressed, encrypted, grouped, unsynchronised = false, length_given;
        if (tag_.version == 3) {
            compressed = format & 0x80;
            encrypted = format & 0x40;
            grouped = format & 0x20;
            length_given = compressed;
        } else {
            grouped = format & 0x40;
            compressed = format & 0x08;
            encrypted = format & 0x04;
            unsynchronised = (format & 0x02) || tag_.unsynchronised;
            length_given = format & 0x01;
        }
        if (encrypted) {
            return std::nullopt;
        }
        std::optional<std::uint32_t> length;
        const std::size_t extra = (grouped ? 1 : 0) + (length_given ? 4 : 0);
        if (data.size() < extra) {
            return std::nullopt;
        }
        if (tag_.version == 3) {
            if (length_given) {
                length = big_endian(data, 0, 4);
            }
        } else if (length_given) {
            length = syncsafe(data, grouped ? 1 : 0);
            if (!length) {
                return std::nullopt;
            }
        }
        data.remove_prefix(extra);
        std::string content = unsynchronised ? resynchronise(data) : std::string(data);
        if (compressed) {
            return length ? inflate(content, *length) : std::nullopt;
        }
        if (length && *length < content.size()) {
            content.resize(*length);
        }
        return content;
    }

    Tag tag_;
    std::size_t id_size_;
    std::size_t header_size_;
};

}  // namespace

std::size_t id3v2_tag_size(std::string_view head) {
    if (head.size() < kHeaderSize || head.substr(0, 3) != "ID3") {
        return 0;
    }
    const std::uint8_t version = byte_at(head, 3);
    const auto size = syncsafe(head, 6);
    if (version < 2 || version > 4 || byte_at(head, 4) == 0xFF || !size) {
        return 0;
    }
    const bool footer = version == 4 && (byte_at(head, 5) & 0x10);
    return kHeaderSize + *size + (footer ? kHeaderSize : 0);
}

Id3v2Texts read_id3v2_texts(std::string_view bytes) {
    const std::size_t tag_size = id3v2_tag_size(bytes);
    if (tag_size == 0) {
        return {};
    }
    const int version = byte_at(bytes, 3);
    const std::uint8_t flags = byte_at(bytes, 5);
    // Compression of the whole tag was defined for ID3v2.2 only, and never in a usable way.
    if (version == 2 && (flags & 0x40)) {
        return {};
    }
    const std::size_t body_size = syncsafe(bytes, 6).value_or(0);
    std::string_view body = bytes.substr(kHeaderSize, body_size);
    const bool unsynchronised = flags & 0x80;
    std::string resynchronised;
    if (unsynchronised && version < 4) {
        resynchronised = resynchronise(body);
        body = resynchronised;
    }
    Tag tag{version, body, unsynchronised};
    if (version > 2 && (flags & 0x40)) {
        if (body.size() < 4) {
            return {};
        }
        // Its size counts itself in ID3v2.4 but not in ID3v2.3.
        const std::size_t size =
            version == 3 ? std::size_t{big_endian(body, 0, 4)} + 4 : syncsafe(body, 0).value_or(0);
        if (size < 4 || size > body.size()) {
            return {};
        }
        tag.frames = body.substr(size);
    }
    return FrameWalk(tag).read();
}

}  // namespace trackfold
