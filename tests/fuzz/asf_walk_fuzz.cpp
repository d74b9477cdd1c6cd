// The walk of a WMA file's header over arbitrary file bytes.
#include <taglib/tbytevectorstream.h>

#include <cstdint>
#include <string_view>

#include "fuzz_support.h"
#include "tags/asf_walk.h"
#include "util/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TagLib::ByteVectorStream stream(
        TagLib::ByteVector(bytes.data(), static_cast<unsigned>(bytes.size())));
    const TagLib::PropertyMap fields = trackfold::asf_fields(stream);
    using trackfold::fuzz::check;
    check(fields.isEmpty() || bytes.size() >= 30, "no field comes from less than a header");
    for (const auto& [key, values] : fields) {
        check(key == "ARTIST" || key == "ALBUM" || key == "ALBUMARTIST", "only the three fields");
        for (const TagLib::String& value : values) {
            check(!value.isEmpty() && trackfold::is_valid_utf8(value.to8Bit(true)),
                  "every value is valid UTF-8 and not empty");
        }
    }
    return 0;
}
