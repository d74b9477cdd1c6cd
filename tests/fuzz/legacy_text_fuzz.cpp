// The 8-bit tag text decoder. The first byte chooses the code page and whether the text fills
// a fixed-size field.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "code_page.h"
#include "code_pages.h"
#include "legacy_text.h"
#include "util/text.h"

namespace {

void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    trackfold::select_code_page(trackfold::fuzz::code_page_for(data[0] >> 1));
    const bool fills_field = data[0] & 1;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string text = trackfold::decode_tag_text(bytes, fills_field);
    if (!trackfold::is_valid_utf8(text)) {
        fail("the decoder gave invalid UTF-8");
    }
    if (trackfold::is_valid_utf8(bytes) && text != bytes) {
        fail("valid UTF-8 was not kept as it was");
    }
    if (text.empty() != bytes.empty() && !fills_field) {
        fail("text was lost or made up");
    }
    return 0;
}
