// The library's C entry points over arbitrary file bytes. The first byte chooses the code page.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "util/text.h"
#include "vbmp3.h"

namespace {

// One in-memory file, rewritten for each input.
const std::string& file_name() {
    static const std::string name = [] {
        const int fd = memfd_create("fuzz.mp3", 0);
        if (fd < 0) {
            std::abort();
        }
        return "/proc/self/fd/" + std::to_string(fd);
    }();
    return name;
}

void expect_utf8(const char* field, std::size_t size) {
    trackfold::fuzz::check(trackfold::is_valid_utf8(std::string_view(field, strnlen(field, size))),
                           "every tag field is valid UTF-8");
}

// The whole text, asked for with room for all of it, is valid UTF-8 and starts with what the
// record holds.
void expect_whole(int field, const char* record, std::size_t size) {
    const int length = vbmp3_getTagText(field, nullptr, 0);
    trackfold::fuzz::check(length >= 0, "an open file gives every name field");
    std::string whole(static_cast<std::size_t>(length) + 1, '\0');
    trackfold::fuzz::check(vbmp3_getTagText(field, whole.data(), length + 1) == length,
                           "the length stays the same");
    whole.resize(static_cast<std::size_t>(length));
    trackfold::fuzz::check(trackfold::is_valid_utf8(whole), "every whole text is valid UTF-8");
    trackfold::fuzz::check(whole.starts_with(std::string_view(record, strnlen(record, size))),
                           "the record holds the start of the whole text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    vbmp3_setCodePage(trackfold::fuzz::code_page_for(data[0]));
    FILE* file = std::fopen(file_name().c_str(), "w");
    std::fwrite(data + 1, 1, size - 1, file);
    std::fclose(file);

    StreamInfoRecord stream{};
    TagInfoRecord info{};
    if (vbmp3_open(file_name().c_str(), &stream) != 0 && vbmp3_getTagInfo(&info) != 0) {
        expect_utf8(info.title, sizeof info.title);
        expect_utf8(info.artist, sizeof info.artist);
        expect_utf8(info.album, sizeof info.album);
        expect_utf8(info.comment, sizeof info.comment);
        expect_utf8(info.genre, sizeof info.genre);
        char album_artist[128];
        if (vbmp3_getAlbumArtist(album_artist, sizeof album_artist) != 0) {
            expect_utf8(album_artist, sizeof album_artist);
            expect_whole(VBMP3_ALBUM_ARTIST, album_artist, sizeof album_artist);
        }
        expect_whole(VBMP3_ARTIST, info.artist, sizeof info.artist);
        expect_whole(VBMP3_ALBUM, info.album, sizeof info.album);
    }
    vbmp3_stop();
    vbmp3_stopCallback();
    vbmp3_free();
    return 0;
}
