#pragma once

#include <string>
#include <string_view>

#include "vbmp3.h"

namespace trackfold {

// The MP3 library's entry points, behind a seam so tests can watch the calls.
class Mp3Library {
  public:
    virtual ~Mp3Library() = default;
    virtual int open(const char* path, StreamInfoRecord* info) = 0;
    // vbmp3_openDescriptor; -1 when the library can only open a path.
    virtual int openDescriptor(int fd, long long size, StreamInfoRecord* info) {
        (void)fd;
        (void)size;
        (void)info;
        return -1;
    }
    virtual int getTagInfo(TagInfoRecord* info) = 0;
    virtual void stop() = 0;
    virtual void stopCallback() = 0;
    virtual void free() = 0;
    // vbmp3_getTagText: a field's whole text; -1 when the library cannot give it, and then the
    // artist and album come from the record, and a file has no album artist.
    virtual int getTagText(int field, char* text, int size) {
        (void)field;
        (void)text;
        (void)size;
        return -1;
    }
    // How 8-bit tag texts are read: "" is the locale's default. 0 for an unknown name.
    virtual int setCodePage(const char* name) = 0;
    // True when several threads may each read their own file at once, each with its own code
    // page.
    virtual bool readsInParallel() const { return false; }
};

// The real library.
Mp3Library& vbmp3_library();

// stop, stopCallback, free: always together and in this order.
void release_mp3_library(Mp3Library& library);

std::string TrimAtNul(std::string_view text);

// Bytes that are no UTF-8, such as an old Latin-1 file name, as UTF-8 by the rules 8-bit tag
// texts are read by, in the code page last chosen on this thread.
std::string legacy_text_to_utf8(std::string_view bytes);

// A file its caller has open for reading, and its size: read through, not opened again.
struct OpenForTags {
    int fd = -1;
    long long size = 0;
};

// Whether read_track_tags reads a file of this name through an OpenForTags it is given. The types
// read through TagLib's own streams open the path.
bool reads_open_file(const std::string& path);
// Whether reading the tags of such an open file of this size reads all of it, in one call:
// then nothing is gained by asking the disk for the rest ahead of a copy.
bool reads_whole_file(long long size);

// Reads artist and album of one file: an MP3 (or a file of an unknown type) through the
// library, the other supported types through TagLib, whole and by one rule for every type:
// trimmed of spaces, and "" when only white space or invisible characters. With
// use_album_artist, a file's album artist, where it has one, stands in for its artist. Returns true
// when the file could not be opened; then, and when the tag query fails, both texts are "" so a
// file never keeps another file's tags.
bool ReadTag(const std::string& path, std::string& artist, std::string& album,
             Mp3Library& library = vbmp3_library(), bool use_album_artist = false);

// What a layout may name of a file besides its artist and album, by the same rule: "" when
// the file has none.
struct TrackFields {
    std::string album_artist{};
    std::string title{};
    std::string year{};   // as tagged: "1979" or "1979-11-30"
    std::string track{};  // as tagged: "3" or "3/12"
    std::string disc{};   // as tagged: "2" or "2/3"
    std::string genre{};
};

// ReadTag's texts with the other fields of the file.
struct TrackTags {
    bool error = false;  // as ReadTag returns it
    std::string artist{};
    std::string album{};
    TrackFields fields{};
};
TrackTags read_track_tags(const std::string& path, Mp3Library& library = vbmp3_library(),
                          bool use_album_artist = false, OpenForTags opened = {});

// Why ReadTag could not read the file: the system's reason when it cannot be opened
// ("Permission denied"), otherwise what it is not ("no MPEG audio found", "not a FLAC file").
std::string tag_error_reason(const std::string& path);

}  // namespace trackfold
