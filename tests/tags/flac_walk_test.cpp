#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/mp3_fixture.h"
#include "support/temp_dir.h"
#include "tags/tag_reader.h"

namespace trackfold {
namespace {

std::string little_endian(std::uint32_t value) {
    std::string out;
    for (int i = 0; i < 4; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return out;
}

std::string comment(const std::vector<std::string>& fields) {
    std::string out = little_endian(6) + "vendor" + little_endian(fields.size());
    for (const std::string& field : fields) {
        out += little_endian(field.size()) + field;
    }
    return out;
}

// A metadata block whose header declares `declared` bytes (its data's size when negative).
std::string block(int type, const std::string& data, bool last = false, long declared = -1) {
    const auto size = static_cast<std::uint32_t>(declared < 0 ? data.size() : declared);
    return std::string{static_cast<char>(type | (last ? 0x80 : 0)), static_cast<char>(size >> 16),
                       static_cast<char>(size >> 8), static_cast<char>(size)} +
           data;
}

TEST(FlacFallback, TheCommentIsFoundPastBlocksOfWrongSizesButNotInGarbage) {
    const std::string info = block(0, std::string(34, '\x11'));
    const std::string tags = comment({"ARTIST=Walk Artist", "ALBUM=Walk Album"});
    const std::string audio = "\xFF\xF8" + test::noise(4000);
    const struct {
        const char* name;
        std::string bytes;
        bool error;
        std::string artist, album;
    } cases[] = {
        {"zero-size block", "fLaC" + info + block(2, "") + block(4, tags, true) + audio, false,
         "Walk Artist", "Walk Album"},
        {"padding past the end", "fLaC" + info + block(4, tags) + block(1, "", true, 1 << 20),
         false, "Walk Artist", "Walk Album"},
        {"wrong size before the comment",
         "fLaC" + info + block(2, "appl" + std::string(20, 'x'), false, 30) + block(4, tags, true) +
             audio,
         false, "Walk Artist", "Walk Album"},
        {"comment's own size wrong", "fLaC" + info + block(4, tags, true, 9) + audio, false,
         "Walk Artist", "Walk Album"},
        {"no STREAMINFO first", "fLaC" + block(4, tags) + info + audio, false, "Walk Artist",
         "Walk Album"},
        {"a field without =", "fLaC" + info + block(4, comment({"ARTIST=A", "noise"}), true, 0),
         true, "", ""},
        {"garbage", "fLaC" + test::noise(70000, 7), true, "", ""},
        {"no marker", info + block(4, tags, true) + audio, true, "", ""},
    };
    const test::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::write_file(dir.path() / "a.flac", c.bytes);
        std::string artist, album;
        EXPECT_EQ(ReadTag((dir.path() / "a.flac").string(), artist, album), c.error);
        EXPECT_EQ(artist, c.artist);
        EXPECT_EQ(album, c.album);
    }
}

}  // namespace
}  // namespace trackfold
