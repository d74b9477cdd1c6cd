#include "tags/tag_reader.h"

#include <cstring>

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
    int setCodePage(const char* name) override { return vbmp3_setCodePage(name); }
};

template <std::size_t N>
std::string field_text(const char (&field)[N]) {
    return trim_spaces(TrimAtNul(std::string_view(field, N)));
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

bool ReadTag(const std::string& path, std::string& artist, std::string& album,
             Mp3Library& library) {
    const std::string trimmed_path = trim_spaces(path);
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
        }
    }

    release_mp3_library(library);
    return error;
}

}  // namespace trackfold
