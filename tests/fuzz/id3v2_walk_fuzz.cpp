// The frame walk over arbitrary tag bytes. The first byte chooses the code page.
#include <cstdint>
#include <string>
#include <string_view>

#include "code_page.h"
#include "fuzz_support.h"
#include "id3v2_walk.h"
#include "util/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    trackfold::select_code_page(trackfold::fuzz::code_page_for(data[0]));
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const trackfold::Id3v2Texts texts = trackfold::read_id3v2_texts(bytes);
    using trackfold::fuzz::check;
    for (const std::string* text : {&texts.artist, &texts.album, &texts.album_artist}) {
        check(trackfold::is_valid_utf8(*text), "the walk gives valid UTF-8");
        check(trackfold::id3v2_tag_size(bytes) != 0 || text->empty(),
              "no text comes from bytes that hold no tag");
    }
    return 0;
}
