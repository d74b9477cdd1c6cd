#include "support/mp3_fixture.h"

#include <taglib/apeitem.h>
#include <taglib/apetag.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

#include <stdexcept>

#include "support/byte_order.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace trackfold::test {
namespace {

constexpr std::size_t kFrameSize = 417;  // 144 * 128000 / 44100, no padding

TagLib::String utf8(const std::string& text) {
    return TagLib::String(text, TagLib::String::UTF8);
}

// "" gives no value at all, so that no empty frame or item is written.
TagLib::StringList values_of(const std::string& text) {
    return text.empty() ? TagLib::StringList() : TagLib::StringList(utf8(text));
}

TagLib::StringList artist_values(const Mp3Tags& tags) {
    TagLib::StringList values = values_of(tags.artist);
    for (const std::string& more : tags.more_artists) {
        values.append(utf8(more));
    }
    return values;
}

std::string bytes(const TagLib::ByteVector& data) {
    return std::string(data.data(), data.size());
}

std::string id3v2_header(int major_version, std::size_t tag_size) {
    return std::string("ID3") + static_cast<char>(major_version) + std::string(2, '\0') +
           syncsafe(tag_size);
}

// A v2.3 frame with a Latin-1 text.
std::string id3v23_frame(const std::string& id, const std::string& text) {
    return id + big_endian(text.size() + 1, 4) + std::string(2, '\0') + '\0' + text;
}

// TagLib cannot write ID3v2.2, so its bytes are put together here: UTF-16 text frames.
std::string id3v22_tag(const Mp3Tags& tags) {
    std::string frames;
    auto add_frame = [&frames](const std::string& id, const TagLib::String& text) {
        if (text.isEmpty()) {
            return;
        }
        const std::string data = '\x01' + bytes(text.data(TagLib::String::UTF16));
        frames += id + big_endian(data.size(), 3) + data;
    };
    add_frame("TP1", artist_values(tags).toString("/"));
    add_frame("TAL", utf8(tags.album));
    return id3v2_header(2, frames.size()) + frames;
}

void set_id3v2_text(TagLib::ID3v2::Tag& tag, const char* frame_id, const TagLib::StringList& values,
                    TagLib::String::Type encoding) {
    if (values.isEmpty()) {
        return;
    }
    tag.removeFrames(frame_id);
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(frame_id, encoding);
    frame->setText(values);
    tag.addFrame(frame);
}

// Returns the TagLib tag type written, or NoTags when nothing is left for TagLib to save.
int set_tags(TagLib::MPEG::File& file, const Mp3Tags& tags, TagLib::ID3v2::Version& version) {
    const TagLib::StringList artists = artist_values(tags);
    const TagLib::String album = utf8(tags.album);
    switch (tags.kind) {
        case TagKind::None:
        case TagKind::Id3v22:
            return TagLib::MPEG::File::NoTags;
        case TagKind::Id3v1: {
            TagLib::ID3v1::Tag* tag = file.ID3v1Tag(true);
            tag->setArtist(artists.toString("/"));
            tag->setAlbum(album);
            return TagLib::MPEG::File::ID3v1;
        }
        case TagKind::Id3v23:
        case TagKind::Id3v24: {
            const bool v23 = tags.kind == TagKind::Id3v23;
            version = v23 ? TagLib::ID3v2::v3 : TagLib::ID3v2::v4;
            const auto encoding = v23 ? TagLib::String::UTF16 : TagLib::String::UTF8;
            TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
            set_id3v2_text(*tag, "TPE1", artists, encoding);
            set_id3v2_text(*tag, "TALB", values_of(tags.album), encoding);
            return TagLib::MPEG::File::ID3v2;
        }
        case TagKind::Ape: {
            TagLib::APE::Tag* tag = file.APETag(true);
            if (!artists.isEmpty()) {
                tag->setItem("ARTIST", TagLib::APE::Item("ARTIST", artists));
            }
            tag->setAlbum(album);
            return TagLib::MPEG::File::APE;
        }
    }
    return TagLib::MPEG::File::NoTags;
}

}  // namespace

std::string mpeg_audio(int frames) {
    std::string frame(kFrameSize, '\0');
    frame.replace(0, 4, "\xFF\xFB\x90\x44");
    std::string audio;
    for (int i = 0; i < frames; ++i) {
        audio += frame;
    }
    return audio;
}

std::string noise(std::size_t size, std::uint32_t seed) {
    std::string out(size, '\0');
    for (char& c : out) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>(seed >> 24);
    }
    return out;
}

void make_mp3(const fs::path& path, const Mp3Tags& tags, const std::string& audio) {
    make_mp3_with_tags(path, {tags}, audio);
}

void make_mp3_with_tags(const fs::path& path, const std::vector<Mp3Tags>& tags,
                        const std::string& audio) {
    std::string head;
    for (const Mp3Tags& tag : tags) {
        if (tag.kind == TagKind::Id3v22) {
            head = id3v22_tag(tag);
        }
    }
    write_file(path, head + audio);

    TagLib::MPEG::File file(path.c_str(), TagLib::ID3v2::FrameFactory::instance(), false);
    auto version = TagLib::ID3v2::v4;
    int written = TagLib::MPEG::File::NoTags;
    for (const Mp3Tags& tag : tags) {
        written |= set_tags(file, tag, version);
    }
    if (written != TagLib::MPEG::File::NoTags &&
        !file.save(written, TagLib::File::StripNone, version, TagLib::File::DoNotDuplicate)) {
        throw std::runtime_error("TagLib cannot save " + path.string());
    }
}

void make_mp3_with_raw_text(const fs::path& path, TagKind kind, const std::string& artist,
                            const std::string& album, const std::string& title) {
    if (kind == TagKind::Id3v1) {
        auto field = [](const std::string& text) {
            if (text.size() > 30) {
                throw std::invalid_argument("an ID3v1 field holds 30 bytes");
            }
            return text + std::string(30 - text.size(), '\0');
        };
        const std::string tag = "TAG" + field(title) + field(artist) + field(album) +
                                std::string(4 + 30, '\0') + '\xFF';
        write_file(path, mpeg_audio() + tag);
        return;
    }
    if (kind != TagKind::Id3v23) {
        throw std::invalid_argument("raw text goes into ID3v1 or ID3v2.3 only");
    }
    std::string frames;
    if (!title.empty()) {
        frames += id3v23_frame("TIT2", title);
    }
    if (!artist.empty()) {
        frames += id3v23_frame("TPE1", artist);
    }
    if (!album.empty()) {
        frames += id3v23_frame("TALB", album);
    }
    write_file(path, id3v2_header(3, frames.size()) + frames + mpeg_audio());
}

std::string syncsafe(std::size_t size) {
    return {static_cast<char>((size >> 21) & 0x7F), static_cast<char>((size >> 14) & 0x7F),
            static_cast<char>((size >> 7) & 0x7F), static_cast<char>(size & 0x7F)};
}

std::string id3v2_frame(int version, const std::string& id, const std::string& data,
                        std::uint8_t format_flags) {
    if (version == 2) {
        return id + big_endian(data.size(), 3) + data;
    }
    const std::string size = version == 4 ? syncsafe(data.size()) : big_endian(data.size(), 4);
    return id + size + '\0' + static_cast<char>(format_flags) + data;
}

std::string id3v2_tag(int version, std::uint8_t flags, const std::string& body,
                      std::size_t declared_size) {
    return std::string("ID3") + static_cast<char>(version) + '\0' + static_cast<char>(flags) +
           syncsafe(declared_size != 0 ? declared_size : body.size()) + body;
}

void make_broken_mp3(const fs::path& path, BrokenMp3 kind) {
    switch (kind) {
        case BrokenMp3::Empty:
            write_file(path, "");
            return;
        case BrokenMp3::Text:
            write_file(path, "Not music at all.\nJust a few lines of text.\n");
            return;
        case BrokenMp3::Noise:
            write_file(path, noise(4096));
            return;
        case BrokenMp3::Id3v2PastEnd:
            write_file(path, id3v2_header(3, 1'000'000) + id3v23_frame("TPE1", "Artist"));
            return;
        case BrokenMp3::TruncatedFrame: {
            const std::string frames = id3v23_frame("TALB", "Album") + "TPE1" +
                                       big_endian(100'000, 4) + std::string(2, '\0') +
                                       std::string("\0Art", 4);
            write_file(path, id3v2_header(3, frames.size()) + frames);
            return;
        }
        case BrokenMp3::GarbageTag:
            write_file(path, "ID3" + noise(2000) + mpeg_audio());
            return;
    }
}

void alter_audio(const fs::path& path) {
    std::string bytes = read_file(path);
    // Inside the last frame's payload, clear of tags at either end.
    const auto last_frame = bytes.rfind("\xFF\xFB");
    if (last_frame == std::string::npos || last_frame + 100 >= bytes.size()) {
        throw std::invalid_argument("no audio frame to change");
    }
    bytes[last_frame + 100] ^= 0x55;
    const auto time = fs::last_write_time(path);
    write_file(path, bytes);
    fs::last_write_time(path, time);
}

}  // namespace trackfold::test
