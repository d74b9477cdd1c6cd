#include "vbmp3.h"

#include <taglib/apetag.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "code_page.h"
#include "id3v2_walk.h"
#include "read_only_stream.h"
#include "tag_text_handlers.h"
#include "util/text.h"

static_assert(sizeof(StreamInfoRecord) == 272);
static_assert(offsetof(StreamInfoRecord, value0) == 256);
static_assert(sizeof(TagInfoRecord) == 652);
static_assert(offsetof(TagInfoRecord, artist) == 128);
static_assert(offsetof(TagInfoRecord, album) == 256);
static_assert(offsetof(TagInfoRecord, year) == 384);
static_assert(offsetof(TagInfoRecord, comment) == 389);
static_assert(offsetof(TagInfoRecord, track) == 520);
static_assert(offsetof(TagInfoRecord, genre) == 524);

namespace trackfold {
namespace {

// TagLib 1.13 stops reading an ID3v2 tag at the first frame it does not like and drops the
// rest; where it found no artist or album, our own walk reads the tag again, once per open file.
class Id3v2Rescue {
  public:
    explicit Id3v2Rescue(TagLib::IOStream& stream) : stream_(stream) {}

    void forget() { texts_.reset(); }

    TagLib::String text(std::string Id3v2Texts::*field) {
        if (!texts_) {
            texts_ = read_id3v2_texts(tag_bytes());
        }
        return TagLib::String((*texts_).*field, TagLib::String::UTF8);
    }

  private:
    std::string tag_bytes() {
        stream_.seek(0);
        const TagLib::ByteVector head = stream_.readBlock(10);
        const std::size_t size = id3v2_tag_size(std::string_view(head.data(), head.size()));
        if (size == 0) {
            return {};
        }
        stream_.seek(0);
        const TagLib::ByteVector tag = stream_.readBlock(size);
        return std::string(tag.data(), tag.size());
    }

    TagLib::IOStream& stream_;
    std::optional<Id3v2Texts> texts_;
};

// The file stays open between vbmp3_open and vbmp3_free; TagLib reads the tags lazily from it.
struct OpenFile {
    ReadOnlyStream stream;
    std::unique_ptr<TagLib::MPEG::File> mpeg;
    Id3v2Rescue rescue{stream};

    void close() {
        mpeg.reset();
        rescue.forget();
        stream.close();
    }
};

// One open file per thread: the C interface's single-file meaning holds on each thread, and
// several threads may read tags at once.
OpenFile& open_file() {
    thread_local OpenFile file;
    return file;
}

bool has_tag(TagLib::MPEG::File& file) {
    return file.hasID3v2Tag() || file.hasAPETag() || file.hasID3v1Tag();
}

// Highest priority first: ID3v2, then APE, then ID3v1.
std::vector<const TagLib::Tag*> tags_by_priority(TagLib::MPEG::File& file) {
    std::vector<const TagLib::Tag*> tags;
    if (file.hasID3v2Tag()) {
        tags.push_back(file.ID3v2Tag());
    }
    if (file.hasAPETag()) {
        tags.push_back(file.APETag());
    }
    if (file.hasID3v1Tag()) {
        tags.push_back(file.ID3v1Tag());
    }
    return tags;
}

// Multiple values are joined the way ID3v2.3 stores them, so that the same artists tagged in
// v2.3 or v2.4 give the same text; TagLib itself would join them with a space.
const TagLib::String kValueSeparator = "/";

struct TextField {
    const char* frame_id;  // nullptr: the field is taken as TagLib's Tag interface gives it
    const char* ape_key;
    TagLib::String (TagLib::Tag::*read)() const;  // nullptr: ID3v1 has no such field
};

constexpr TextField kTitle{"TIT2", "TITLE", &TagLib::Tag::title};
constexpr TextField kArtist{"TPE1", "ARTIST", &TagLib::Tag::artist};
constexpr TextField kAlbum{"TALB", "ALBUM", &TagLib::Tag::album};
constexpr TextField kComment{nullptr, nullptr, &TagLib::Tag::comment};
constexpr TextField kGenre{nullptr, nullptr, &TagLib::Tag::genre};
constexpr TextField kAlbumArtist{"TPE2", "ALBUM ARTIST", nullptr};
constexpr TextField kDisc{"TPOS", "DISC", nullptr};

TagLib::String id3v2_text(const TagLib::ID3v2::Tag& tag, const char* frame_id) {
    const auto& frames = tag.frameListMap();
    const auto found = frames.find(frame_id);
    if (found == frames.end() || found->second.isEmpty()) {
        return {};
    }
    const TagLib::ID3v2::Frame* frame = found->second.front();
    if (const auto* text = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(frame)) {
        return text->fieldList().toString(kValueSeparator);
    }
    return frame->toString();
}

TagLib::String ape_text(const TagLib::APE::Tag& tag, const char* key) {
    const auto& items = tag.itemListMap();
    const auto found = items.find(key);
    if (found == items.end()) {
        return {};
    }
    return found->second.values().toString(kValueSeparator);
}

TagLib::String read_text(const TagLib::Tag& tag, const TextField& field) {
    if (field.frame_id != nullptr) {
        if (const auto* id3v2 = dynamic_cast<const TagLib::ID3v2::Tag*>(&tag)) {
            return id3v2_text(*id3v2, field.frame_id);
        }
        if (const auto* ape = dynamic_cast<const TagLib::APE::Tag*>(&tag)) {
            return ape_text(*ape, field.ape_key);
        }
    }
    return field.read != nullptr ? (tag.*field.read)() : TagLib::String();
}

// A text of white space or invisible characters only counts as missing, in every format.
bool is_blank(const TagLib::String& text) {
    return trackfold::is_blank(text.to8Bit(true));
}

TagLib::String first_text(std::span<const TagLib::Tag* const> tags, const TextField& field) {
    for (const TagLib::Tag* tag : tags) {
        TagLib::String text = read_text(*tag, field);
        if (!is_blank(text)) {
            return text;
        }
    }
    return {};
}

// Artist and album, where the walk stands in for TagLib's ID3v2 reading in the same place of
// the order.
TagLib::String first_name(TagLib::MPEG::File& file, std::span<const TagLib::Tag* const> tags,
                          const TextField& field, std::string Id3v2Texts::*rescued,
                          Id3v2Rescue& rescue) {
    const std::size_t id3v2 = file.hasID3v2Tag() ? 1 : 0;
    if (TagLib::String text = first_text(tags.first(id3v2), field); !is_blank(text)) {
        return text;
    }
    if (TagLib::String text = rescue.text(rescued); !is_blank(text)) {
        return text;
    }
    return first_text(tags.subspan(id3v2), field);
}

unsigned first_number(const std::vector<const TagLib::Tag*>& tags,
                      unsigned (TagLib::Tag::*read)() const) {
    for (const TagLib::Tag* tag : tags) {
        if (const unsigned number = (tag->*read)(); number != 0) {
            return number;
        }
    }
    return 0;
}

bool is_continuation_byte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Into a zeroed field, so NUL-padded; a text too long for the field is cut before the character
// that does not fit.
void copy_text(char* field, std::size_t size, const std::string& text) {
    std::size_t length = text.size();
    if (length > size) {
        length = size;
        while (length > 0 && is_continuation_byte(text[length])) {
            --length;
        }
    }
    std::memcpy(field, text.data(), length);
}

template <std::size_t N>
void copy_text(char (&field)[N], const TagLib::String& text) {
    copy_text(field, N, text.to8Bit(true));
}

// The text a name field gets, whole; nullopt for an unknown field.
std::optional<std::string> whole_text(OpenFile& file, int field) {
    const TextField* text_field = field == VBMP3_ARTIST         ? &kArtist
                                  : field == VBMP3_ALBUM        ? &kAlbum
                                  : field == VBMP3_ALBUM_ARTIST ? &kAlbumArtist
                                                                : nullptr;
    if (field == VBMP3_TITLE || field == VBMP3_DISC) {
        // Neither names a folder of the default layout, so our own walk does not rescue them.
        return first_text(tags_by_priority(*file.mpeg), field == VBMP3_TITLE ? kTitle : kDisc)
            .to8Bit(true);
    }
    if (text_field == nullptr) {
        return std::nullopt;
    }
    std::string Id3v2Texts::*rescued = field == VBMP3_ARTIST  ? &Id3v2Texts::artist
                                       : field == VBMP3_ALBUM ? &Id3v2Texts::album
                                                              : &Id3v2Texts::album_artist;
    return first_name(*file.mpeg, tags_by_priority(*file.mpeg), *text_field, rescued, file.rescue)
        .to8Bit(true);
}

void fill_tag_info(OpenFile& open, TagInfoRecord& info) {
    TagLib::MPEG::File& file = *open.mpeg;
    const std::vector<const TagLib::Tag*> tags = tags_by_priority(file);
    Id3v2Rescue& rescue = open.rescue;
    copy_text(info.title, first_text(tags, kTitle));
    copy_text(info.artist, first_name(file, tags, kArtist, &Id3v2Texts::artist, rescue));
    copy_text(info.album, first_name(file, tags, kAlbum, &Id3v2Texts::album, rescue));
    if (const unsigned year = first_number(tags, &TagLib::Tag::year); year != 0) {
        copy_text(info.year, sizeof info.year, std::to_string(year));
    }
    copy_text(info.comment, first_text(tags, kComment));
    info.track = static_cast<int32_t>(first_number(tags, &TagLib::Tag::track));
    copy_text(info.genre, first_text(tags, kGenre));
}

std::uint32_t little_endian(const TagLib::ByteVector& bytes, unsigned at) {
    return bytes.toUInt(at, false);
}

// An MP3's tags are an ID3v2 tag at the head, and an APE tag and an ID3v1 tag at the tail,
// each declaring its size. Past them TagLib looks for the first audio frame, so some audio
// after the ID3v2 tag stays within reach, and no more.
void limit_to_mp3_tags(ReadOnlyStream& stream) {
    constexpr long kAudioReach = 64 << 10;
    constexpr long kId3v1Size = 128;
    constexpr long kApeFooterSize = 32;
    stream.seek(0, TagLib::IOStream::Beginning);
    const TagLib::ByteVector head = stream.readBlock(10);
    const long id3v2 =
        static_cast<long>(id3v2_tag_size(std::string_view(head.data(), head.size())));
    long tail = kId3v1Size + kApeFooterSize;
    stream.seek(-tail, TagLib::IOStream::End);
    const TagLib::ByteVector end = stream.readBlock(tail);
    for (const unsigned at : {0u, static_cast<unsigned>(kId3v1Size)}) {
        if (end.size() == static_cast<unsigned>(tail) && end.mid(at, 8) == "APETAGEX") {
            const bool has_header = little_endian(end, at + 20) & 0x80000000u;
            tail += std::min<long>(little_endian(end, at + 12) + (has_header ? kApeFooterSize : 0),
                                   ReadOnlyStream::kTagReach);
            break;
        }
    }
    stream.seek(0, TagLib::IOStream::Beginning);
    stream.limit_reach(std::min(id3v2, ReadOnlyStream::kTagReach) + kAudioReach, tail);
}

// Once the thread's stream has the file.
bool open_mp3() {
    prepare_taglib();
    OpenFile& file = open_file();
    limit_to_mp3_tags(file.stream);
    file.mpeg = std::make_unique<TagLib::MPEG::File>(
        &file.stream, TagLib::ID3v2::FrameFactory::instance(), false);
    // Without a tag the file must at least hold MPEG audio, or it is no MP3 at all.
    if (!file.mpeg->isValid() || (!has_tag(*file.mpeg) && file.mpeg->firstFrameOffset() < 0)) {
        file.close();
        return false;
    }
    return true;
}

}  // namespace
}  // namespace trackfold

namespace trackfold {
namespace {

// The entry points' open: `stream_open` gives the thread's stream its file.
template <typename StreamOpen>
int open_entry(StreamInfoRecord* info, StreamOpen stream_open) {
    try {
        if (info != nullptr) {
            std::memset(info, 0, sizeof *info);
        }
        open_file().close();
        return stream_open(open_file().stream) && open_mp3() ? 1 : 0;
    } catch (...) {
        open_file().close();
        return 0;
    }
}

}  // namespace
}  // namespace trackfold

int vbmp3_open(const char* file_name, StreamInfoRecord* info) {
    return trackfold::open_entry(info, [&](trackfold::ReadOnlyStream& stream) {
        return file_name != nullptr && stream.open(file_name);
    });
}

int vbmp3_openDescriptor(int fd, long long size, StreamInfoRecord* info) {
    return trackfold::open_entry(info, [&](trackfold::ReadOnlyStream& stream) {
        return stream.borrow(fd, static_cast<long>(size));
    });
}

int vbmp3_getTagInfo(TagInfoRecord* info) {
    if (info == nullptr) {
        return 0;
    }
    std::memset(info, 0, sizeof *info);
    try {
        trackfold::OpenFile& file = trackfold::open_file();
        if (file.mpeg == nullptr) {
            return 0;
        }
        trackfold::fill_tag_info(file, *info);
        return 1;
    } catch (...) {
        std::memset(info, 0, sizeof *info);
        return 0;
    }
}

int vbmp3_getAlbumArtist(char* text, int size) {
    if (text == nullptr || size <= 0) {
        return 0;
    }
    return vbmp3_getTagText(VBMP3_ALBUM_ARTIST, text, size) >= 0 ? 1 : 0;
}

int vbmp3_getTagText(int field, char* text, int size) {
    if (size < 0 || (text == nullptr && size != 0)) {
        return -1;
    }
    try {
        trackfold::OpenFile& file = trackfold::open_file();
        const std::optional<std::string> whole =
            file.mpeg == nullptr ? std::nullopt : trackfold::whole_text(file, field);
        if (!whole || whole->size() > static_cast<std::size_t>(INT_MAX)) {
            return -1;
        }
        if (size > 0) {
            std::memset(text, 0, static_cast<std::size_t>(size));
            trackfold::copy_text(text, static_cast<std::size_t>(size) - 1, *whole);
        }
        return static_cast<int>(whole->size());
    } catch (...) {
        if (size > 0) {
            text[0] = '\0';
        }
        return -1;
    }
}

int vbmp3_stop(void) {
    return 1;
}

int vbmp3_stopCallback(void) {
    return 1;
}

int vbmp3_free(void) {
    trackfold::open_file().close();
    return 1;
}

int vbmp3_setCodePage(const char* name) {
    try {
        return trackfold::select_code_page(name == nullptr ? "" : name) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}
