#include "engine/fsio/file_copy.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "engine/fsio/file_descriptor.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace trackfold::test {
namespace {

// The source is cut short between the look the copy took at it and the end of the copy, as a
// download being rewritten or a tagger saving would do: the copy holds parts of neither.
TEST(FileCopy, ASourceThatChangedWhileItWasReadIsNeverPlaced) {
    const struct {
        const char* how;
        bool over;
        bool unnamed;
    } cases[] = {{"new, written unnamed", false, true},
                 {"new, written under a temporary name", false, false},
                 {"over an earlier copy", true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        TempDir tmp;
        const fs::path source = tmp.path() / "source.mp3";
        write_file(source, std::string(300000, 'a'));
        fs::create_directory(tmp.path() / "out");
        if (c.over) {
            write_file(tmp.path() / "out/copy.mp3", "the earlier copy");
        }
        const FileDescriptor in(::open(source.c_str(), O_RDONLY));
        const FileDescriptor folder(::open((tmp.path() / "out").c_str(), O_RDONLY | O_DIRECTORY));
        OpenSource open_source{in.get(), {}};
        ASSERT_EQ(::fstat(in.get(), &open_source.info), 0);
        write_file(source, std::string(1000, 'b'));

        const CopyOutcome outcome =
            c.over ? copy_over(open_source, folder.get(), "copy.mp3", ".part")
                   : copy_to_new(open_source, folder.get(), "copy.mp3", ".part",
                                 c.unnamed ? NewCopy::unnamed : NewCopy::via_temporary);

        EXPECT_EQ(outcome.error, source_changed_error());
        EXPECT_EQ(outcome.error.message(), "source changed while copying");
        if (c.over) {
            EXPECT_EQ(read_file(tmp.path() / "out/copy.mp3"), "the earlier copy");
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path() / "out"), {}), c.over ? 1 : 0);
    }
}

}  // namespace
}  // namespace trackfold::test
