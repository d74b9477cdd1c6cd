// The 8-bit tag text decoder. The first byte chooses the code page and whether the text fills
// a fixed-size field.
#include <cstdint>
#include <string>
#include <string_view>

#include "code_page.h"
#include "fuzz_support.h"
#include "legacy_text.h"
#include "util/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    trackfold::select_code_page(trackfold::fuzz::code_page_for(data[0] >> 1));
    const bool fills_field = data[0] & 1;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string text = trackfold::decode_tag_text(bytes, fills_field);
    using trackfold::fuzz::check;
    check(trackfold::is_valid_utf8(text), "the decoder gives valid UTF-8");
    check(!trackfold::is_valid_utf8(bytes) || text == bytes, "valid UTF-8 is kept as it is");
    check(fills_field || text.empty() == bytes.empty(), "no text is lost or made up");
    return 0;
}
