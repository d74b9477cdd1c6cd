#include "tags/asf_walk.h"

#include <taglib/tstring.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace trackfold {
namespace {

constexpr std::size_t kMostHeader = 16 << 20;
constexpr std::size_t kObjectHeader = 24;  // a GUID and a 64-bit size
constexpr std::uint16_t kUnicodeType = 0;

std::uint64_t little_endian(std::string_view bytes, std::size_t at, int width) {
    std::uint64_t value = 0;
    for (int i = width; i-- > 0;) {
        value = (value << 8) | static_cast<std::uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

// A GUID as ASF stores it: the first three groups little-endian, the rest as written.
std::string guid(std::uint32_t a, std::uint16_t b, std::uint16_t c, std::uint64_t d) {
    std::string out;
    for (const auto& [value, width] : {std::pair<std::uint64_t, int>{a, 4}, {b, 2}, {c, 2}}) {
        for (int i = 0; i < width; ++i) {
            out += static_cast<char>((value >> (8 * i)) & 0xFF);
        }
    }
    for (int shift = 56; shift >= 0; shift -= 8) {
        out += static_cast<char>((d >> shift) & 0xFF);
    }
    return out;
}

const std::string kHeader = guid(0x75B22630, 0x668E, 0x11CF, 0xA6D900AA0062CE6C);
const std::string kContent = guid(0x75B22633, 0x668E, 0x11CF, 0xA6D900AA0062CE6C);
const std::string kExtended = guid(0xD2D0A440, 0xE307, 0x11D2, 0x97F000A0C95EA850);
const std::string kHeaderExtension = guid(0x5FBF03B5, 0xA92E, 0x11CF, 0x8EE300C00C205365);
const std::string kMetadata = guid(0xC5F8CBEA, 0x5BAF, 0x4877, 0x8467AA8C44FA4CCA);
const std::string kLibrary = guid(0x44231C94, 0x9498, 0x49D1, 0xA1411D134E457054);

// Where a value was found, in the order the values of one field are taken.
enum Source { content, extended, metadata, library, kSources };

struct Found {
    std::array<std::vector<std::pair<std::string, std::string>>, kSources> values;
};

std::string utf8_of(std::string_view utf16) {
    std::string text =
        TagLib::String(TagLib::ByteVector(utf16.data(), static_cast<unsigned>(utf16.size())),
                       TagLib::String::UTF16LE)
            .to8Bit(true);
    return text.substr(0, text.find('\0'));
}

void read_content(std::string_view body, Found& found) {
    if (body.size() < 10) {
        return;
    }
    const std::size_t title = little_endian(body, 0, 2);
    const std::size_t author = little_endian(body, 2, 2);
    if (10 + title + author <= body.size()) {
        found.values[content].emplace_back("Author", utf8_of(body.substr(10 + title, author)));
    }
}

void read_extended(std::string_view body, Found& found) {
    if (body.size() < 2) {
        return;
    }
    const std::size_t count = little_endian(body, 0, 2);
    std::size_t at = 2;
    for (std::size_t i = 0; i < count; ++i) {
        if (body.size() - at < 2) {
            return;
        }
        const std::size_t name = little_endian(body, at, 2);
        if (body.size() - at - 2 < name + 4) {
            return;
        }
        const std::size_t type = little_endian(body, at + 2 + name, 2);
        const std::size_t value = little_endian(body, at + 4 + name, 2);
        if (body.size() - at - 6 - name < value) {
            return;
        }
        if (type == kUnicodeType) {
            found.values[extended].emplace_back(utf8_of(body.substr(at + 2, name)),
                                                utf8_of(body.substr(at + 6 + name, value)));
        }
        at += 6 + name + value;
    }
}

// The Metadata and Metadata Library objects' records: language or nothing, stream, the
// name's length, the type and the data's length, then name and data.
void read_records(std::string_view body, Source source, Found& found) {
    if (body.size() < 2) {
        return;
    }
    const std::size_t count = little_endian(body, 0, 2);
    std::size_t at = 2;
    for (std::size_t i = 0; i < count && body.size() - at >= 12; ++i) {
        const std::size_t name = little_endian(body, at + 4, 2);
        const std::size_t type = little_endian(body, at + 6, 2);
        const std::uint64_t data = little_endian(body, at + 8, 4);
        if (body.size() - at - 12 < name || body.size() - at - 12 - name < data) {
            return;
        }
        if (type == kUnicodeType) {
            found.values[source].emplace_back(utf8_of(body.substr(at + 12, name)),
                                              utf8_of(body.substr(at + 12 + name, data)));
        }
        at += 12 + name + data;
    }
}

void read_objects(std::string_view objects, bool in_extension, Found& found) {
    for (std::size_t at = 0; objects.size() - at >= kObjectHeader;) {
        const std::string_view id = objects.substr(at, 16);
        const std::uint64_t size = little_endian(objects, at + 16, 8);
        if (size < kObjectHeader || size > objects.size() - at) {
            return;
        }
        const std::string_view body = objects.substr(at + kObjectHeader, size - kObjectHeader);
        at += size;
        if (in_extension) {
            if (id == kMetadata || id == kLibrary) {
                read_records(body, id == kMetadata ? metadata : library, found);
            }
        } else if (id == kContent) {
            read_content(body, found);
        } else if (id == kExtended) {
            read_extended(body, found);
        } else if (id == kHeaderExtension && body.size() >= 22) {
            // A reserved GUID and 16 bits, then the length of the objects it holds.
            const std::uint64_t length = little_endian(body, 18, 4);
            read_objects(body.substr(22, std::min<std::uint64_t>(length, body.size() - 22)), true,
                         found);
        }
    }
}

TagLib::StringList values_of(const Found& found, std::string_view name) {
    TagLib::StringList values;
    for (const auto& source : found.values) {
        for (const auto& [key, value] : source) {
            const TagLib::String text(value, TagLib::String::UTF8);
            if (key == name && !value.empty() && !values.contains(text)) {
                values.append(text);
            }
        }
    }
    return values;
}

}  // namespace

TagLib::PropertyMap asf_fields(TagLib::IOStream& stream) {
    stream.seek(0, TagLib::IOStream::Beginning);
    const TagLib::ByteVector start = stream.readBlock(30);
    const std::string_view head(start.data(), start.size());
    if (head.size() < 30 || head.substr(0, 16) != kHeader) {
        return {};
    }
    const std::uint64_t size = little_endian(head, 16, 8);
    if (size < 30) {
        return {};
    }
    stream.seek(0, TagLib::IOStream::Beginning);
    const TagLib::ByteVector header =
        stream.readBlock(static_cast<unsigned long>(std::min<std::uint64_t>(size, kMostHeader)));
    Found found;
    read_objects(std::string_view(header.data(), header.size()).substr(30), false, found);
    TagLib::PropertyMap fields;
    for (const auto& [key, name] : {std::pair{"ARTIST", "Author"},
                                    {"ALBUM", "WM/AlbumTitle"},
                                    {"ALBUMARTIST", "WM/AlbumArtist"}}) {
        if (TagLib::StringList values = values_of(found, name); !values.isEmpty()) {
            fields.insert(key, values);
        }
    }
    return fields;
}

}  // namespace trackfold
