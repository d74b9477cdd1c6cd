// The frame walk over arbitrary tag bytes. The first byte chooses the code page.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "code_page.h"
#include "code_pages.h"
#include "id3v2_walk.h"
#include "util/text.h"

namespace {

void expect_utf8(std::string_view text) {
    if (!trackfold::is_valid_utf8(text)) {
        std::fprintf(stderr, "the walk gave invalid UTF-8\n");
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    trackfold::select_code_page(trackfold::fuzz::code_page_for(data[0]));
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const trackfold::Id3v2Texts texts = trackfold::read_id3v2_texts(bytes);
    expect_utf8(texts.artist);
    expect_utf8(texts.album);
    if (trackfold::id3v2_tag_size(bytes) == 0 && !(texts.artist.empty() && texts.album.empty())) {
        std::fprintf(stderr, "text from bytes that hold no tag\n");
        std::abort();
    }
    return 0;
}
