#include "engine/fsio/disk_traits.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace trackfold {
namespace {

constexpr std::int64_t kMs = 1000000;
constexpr std::int64_t kSecond = 1000 * kMs;

TEST(DiskTraits, TheStoredProbeTimeTellsTheDisksTimeSteps) {
    const struct {
        timespec stored;
        std::int64_t step;
    } cases[] = {
        {{1000000001, 123456789}, 1},         // ext4, tmpfs
        {{1000000001, 123456700}, 100},       // NTFS
        {{1000000001, 123457000}, 1000},      // rounded to microseconds
        {{1000000001, 120000000}, 10 * kMs},  // exFAT
        {{1000000001, 130000000}, 10 * kMs},  // exFAT, rounding up
        {{1000000001, 0}, kSecond},           // exFAT through FUSE
        {{1000000000, 0}, 2 * kSecond},       // FAT
        {{1000000002, 0}, 2 * kSecond},       // FAT, rounding up
    };
    for (const auto& c : cases) {
        EXPECT_EQ(time_step(kProbeTime, c.stored), c.step)
            << c.stored.tv_sec << "." << c.stored.tv_nsec;
    }
}

TEST(DiskTraits, TimesAreOneWithinTheDisksStep) {
    const timespec source{1700000001, 987654321};
    const struct {
        timespec copy;
        std::int64_t step;
        bool same;
    } cases[] = {
        {{1700000001, 987654321}, 1, true},         {{1700000001, 987654320}, 1, false},
        {{1700000001, 987654300}, 100, true},       {{1700000001, 980000000}, 10 * kMs, true},
        {{1700000001, 970000000}, 10 * kMs, false}, {{1700000000, 0}, 2 * kSecond, true},
        {{1700000002, 0}, 2 * kSecond, true},       {{1699999999, 0}, 2 * kSecond, false},
        {{1700000001, 0}, kSecond, true},           {{1700000004, 0}, 2 * kSecond, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(same_time(source, c.copy, c.step), c.same)
            << c.copy.tv_sec << "." << c.copy.tv_nsec << " step " << c.step;
    }
}

TEST(DiskTraits, OnlyTheKernelsOwnDisksAppendWholeWithoutALock) {
    // ext4, XFS, Btrfs, tmpfs, vfat, the kernel's exFAT
    for (const long magic :
         {0xEF53L, 0x58465342L, 0x9123683EL, 0x01021994L, 0x4D44L, 0x2011BAB0L}) {
        EXPECT_EQ(append_locking(magic), AppendLocking::not_needed) << std::hex << magic;
    }
    // FUSE (fuseblk, fusefat, exfat-fuse), NFS, SMB, CIFS, SMB2, 9p, anything unknown
    for (const long magic :
         {0x65735546L, 0x6969L, 0x517BL, 0xFF534D42L, 0xFE534D42L, 0x01021997L, 0L}) {
        EXPECT_EQ(append_locking(magic), AppendLocking::needed) << std::hex << magic;
    }
}

TEST(DiskTraits, TheProbeLeavesNothingBehind) {
    const test::TempDir dir;
    const ProbedTraits probe = probe_disk(dir.folder(), ".trackfold-1-");
    EXPECT_TRUE(probe.probed);
    EXPECT_FALSE(probe.traits.refuses_reserved_names);
    EXPECT_FALSE(probe.traits.refuses_invalid_utf8);
    EXPECT_FALSE(probe.traits.refuses_non_ascii);
    EXPECT_GE(probe.traits.name_max, 255u);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace trackfold
