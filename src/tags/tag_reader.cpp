#include "tags/tag_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "legacy_text.h"
#include "read_only_stream.h"
#include "tags/audio_formats.h"
#include "util/text.h"

namespace trackfold {

namespace {

class Vbmp3Library final : public Mp3Library {
  public:
    int open(const char* path, StreamInfoRecord* info) override { return vbmp3_open(path, info); }
    int openDescriptor(int fd, long long size, StreamInfoRecord* info) override {
        return vbmp3_openDescriptor(fd, size, info);
    }
    int getTagInfo(TagInfoRecord* info) override { return vbmp3_getTagInfo(info); }
    void stop() override { vbmp3_stop(); }
    void stopCallback() override { vbmp3_stopCallback(); }
    void free() override { vbmp3_free(); }
    int getTagText(int field, char* text, int size) override {
        return vbmp3_getTagText(field, text, size);
    }
    int setCodePage(const char* name) override { return vbmp3_setCodePage(name); }
    bool readsInParallel() const override { return true; }
};

// The one rule every file type's texts take before they name a folder.
std::string name_text(std::string_view text) {
    return is_blank(text) ? std::string() : trim_spaces(text);
}

// A field's whole text from the library, else what the record held.
template <std::size_t N>
std::string field_text(Mp3Library& library, int field, const char (&record)[N]) {
    char start[256];
    const int length = library.getTagText(field, start, sizeof start);
    if (length < 0) {
        return name_text(TrimAtNul(std::string_view(record, N)));
    }
    if (static_cast<std::size_t>(length) < sizeof start) {
        return name_text(std::string_view(start, static_cast<std::size_t>(length)));
    }
    std::string whole(static_cast<std::size_t>(length) + 1, '\0');
    library.getTagText(field, whole.data(), length + 1);
    whole.resize(static_cast<std::size_t>(length));
    return name_text(whole);
}

void take_album_artist(const std::string& album_artist, std::string& artist) {
    if (!album_artist.empty()) {
        artist = album_artist;
    }
}

// The library's open of the file, through the caller's descriptor where it has one.
int open_in(Mp3Library& library, const std::string& path, OpenForTags opened,
            StreamInfoRecord* stream) {
    if (opened.fd >= 0) {
        if (const int done = library.openDescriptor(opened.fd, opened.size, stream); done >= 0) {
            return done;
        }
    }
    return library.open(path.c_str(), stream);
}

}  // namespace

Mp3Library& vbmp3_library() {
    static Vbmp3Library library;
    return library;
}

void release_mp3_library(Mp3Library& library) {
    library.stop();
    library.stopCallback();
    library.free();
}

std::string TrimAtNul(std::string_view text) {
    return std::string(text.substr(0, text.find('\0')));
}

std::string legacy_text_to_utf8(std::string_view bytes) {
    return decode_tag_text(bytes, false);
}

std::string tag_error_reason(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return std::strerror(errno);
    }
    ::close(fd);
    return format_error(lower_extension(path));
}

bool reads_open_file(const std::string& path) {
    return !is_taglib_extension(lower_extension(path));
}

bool reads_whole_file(long long size) {
    return size <= ReadOnlyStream::kReadWhole;
}

namespace {

TrackTags taglib_tags(const std::string& path, const std::string& extension,
                      bool use_album_artist) {
    const FileTags tags = read_file_tags(path, extension);
    TrackTags read{tags.error,
                   name_text(tags.artist),
                   name_text(tags.album),
                   {name_text(tags.album_artist), name_text(tags.title), name_text(tags.year),
                    name_text(tags.track), name_text(tags.disc), name_text(tags.genre)}};
    if (use_album_artist) {
        take_album_artist(read.fields.album_artist, read.artist);
    }
    return read;
}

TrackTags mp3_tags(Mp3Library& library, bool use_album_artist) {
    TagInfoRecord tag;
    std::memset(&tag, 0, sizeof tag);
    if (library.getTagInfo(&tag) == 0) {
        // A file whose tag cannot be read is a file without tags, never the previous file's.
        return {};
    }
    const char no_record[1] = {};
    TrackTags read{false, field_text(library, VBMP3_ARTIST, tag.artist),
                   field_text(library, VBMP3_ALBUM, tag.album)};
    TrackFields& more = read.fields;
    more.album_artist = field_text(library, VBMP3_ALBUM_ARTIST, no_record);
    more.title = field_text(library, VBMP3_TITLE, tag.title);
    more.year = name_text(TrimAtNul(std::string_view(tag.year, sizeof tag.year)));
    more.track = tag.track > 0 ? std::to_string(tag.track) : std::string();
    more.disc = field_text(library, VBMP3_DISC, no_record);
    more.genre = name_text(TrimAtNul(std::string_view(tag.genre, sizeof tag.genre)));
    if (use_album_artist) {
        take_album_artist(more.album_artist, read.artist);
    }
    return read;
}

}  // namespace

TrackTags read_track_tags(const std::string& path, Mp3Library& library, bool use_album_artist,
                          OpenForTags opened) {
    // The path exactly as given: " in/b.mp3" and "in/b.mp3" are two files.
    if (const std::string extension = lower_extension(path); is_taglib_extension(extension)) {
        return taglib_tags(path, extension, use_album_artist);
    }
    StreamInfoRecord stream;
    std::memset(&stream, 0, sizeof stream);
    TrackTags read;
    if (open_in(library, path, opened, &stream) == 0) {
        read.error = true;
    } else {
        read = mp3_tags(library, use_album_artist);
    }
    release_mp3_library(library);
    return read;
}

bool ReadTag(const std::string& path, std::string& artist, std::string& album, Mp3Library& library,
             bool use_album_artist) {
    TrackTags read = read_track_tags(path, library, use_album_artist);
    artist = std::move(read.artist);
    album = std::move(read.album);
    return read.error;
}

}  // namespace trackfold
