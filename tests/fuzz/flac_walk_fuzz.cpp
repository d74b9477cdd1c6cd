// The FLAC metadata walk over arbitrary file bytes.
#include <taglib/tbytevectorstream.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "id3v2_walk.h"
#include "tags/flac_walk.h"
#include "util/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TagLib::ByteVectorStream stream(
        TagLib::ByteVector(bytes.data(), static_cast<unsigned>(bytes.size())));
    const TagLib::PropertyMap fields = trackfold::flac_comment_fields(stream);
    using trackfold::fuzz::check;
    const std::size_t start = trackfold::id3v2_tag_size(bytes);
    check(fields.isEmpty() || bytes.substr(std::min(start, bytes.size()), 4) == "fLaC",
          "no field comes from bytes that are no FLAC");
    for (const auto& [key, values] : fields) {
        for (const TagLib::String& value : values) {
            check(trackfold::is_valid_utf8(value.to8Bit(true)), "every field is valid UTF-8");
        }
    }
    return 0;
}
