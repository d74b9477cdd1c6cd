#include "tags/tag_reader.h"

#include <algorithm>
#include <cstring>

#include "tags/audio_formats.h"
#include "util/text.h"

namespace trackfold {

namespace {

class Vbmp3Library final : public Mp3Library {
  public:
    int open(const char* path, StreamInfoRecord* info) override { return vbmp3_open(path, info); }
    int getTagInfo(TagInfoRecord* info) override { return vbmp3_getTagInfo(info); }
    void stop() override { vbmp3_stop(); }
    void stopCallback() override { vbmp3_stopCallback(); }
    void free() override { vbmp3_free(); }
    int getAlbumArtist(char* text, int size) override { return vbmp3_getAlbumArtist(text, size); }
    int setCodePage(const char* name) override { return vbmp3_setCodePage(name); }
    bool readsInParallel() const override { return true; }
};

template <std::size_t N>
std::string field_text(const char (&field)[N]) {
    return trim_spaces(TrimAtNul(std::string_view(field, N)));
}

// The extension in lower case, without the dot.
std::string extension_of(const std::string& path) {
    const std::size_t dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] != '.') {
        return {};
    }
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return extension;
}

void take_album_artist(const std::string& album_artist, std::string& artist) {
    if (!album_artist.empty()) {
        artist = album_artist;
    }
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

bool ReadTag(const std::string& path, std::string& artist, std::string& album, Mp3Library& library,
             bool use_album_artist) {
    const std::string trimmed_path = trim_spaces(path);
    if (const std::string extension = extension_of(trimmed_path); is_taglib_extension(extension)) {
        const FileTags tags = read_file_tags(trimmed_path, extension);
        artist = tags.artist;
        album = tags.album;
        if (use_album_artist) {
            take_album_artist(tags.album_artist, artist);
        }
        return tags.error;
    }
    bool error = false;

    StreamInfoRecord stream;
    std::memset(&stream, 0, sizeof stream);
    if (library.open(trimmed_path.c_str(), &stream) == 0) {
        artist.clear();
        album.clear();
        error = true;
    } else {
        TagInfoRecord tag;
        std::memset(&tag, 0, sizeof tag);
        if (library.getTagInfo(&tag) == 0) {
            // Keeping the caller's texts here would sort this file under the previous
            // file's tags; a file whose tag cannot be read is a file without tags.
            artist.clear();
            album.clear();
        } else {
            artist = field_text(tag.artist);
            album = field_text(tag.album);
            char album_artist[256] = {};
            if (use_album_artist && library.getAlbumArtist(album_artist, sizeof album_artist)) {
                take_album_artist(field_text(album_artist), artist);
            }
        }
    }

    release_mp3_library(library);
    return error;
}

}  // namespace trackfold
