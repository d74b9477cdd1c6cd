// The library's C entry points over arbitrary file bytes. The first byte chooses the code page.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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
        }
    }
    vbmp3_stop();
    vbmp3_stopCallback();
    vbmp3_free();
    return 0;
}
