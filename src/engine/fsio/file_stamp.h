#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

namespace trackfold {

// What the system tells of one file that says whether it is still the same file with the same
// contents: a file rewritten, or replaced by another under the same name, changes some of it.
struct FileStamp {
    std::int64_t size = 0;
    std::int64_t mtime_ns = 0;
    std::int64_t ctime_ns = 0;
    std::uint64_t inode = 0;
    std::int64_t birth_ns = 0;  // 0: the disk does not keep it
    // Only for this run: device numbers change between boots.
    std::uint64_t device = 0;
    std::uint32_t mode = 0;
};

struct StampResult {
    std::optional<FileStamp> stamp;
    std::error_code error;
};

// Of an open file, of a name in an open folder (links not followed) and of a path.
StampResult stamp_of_fd(int fd);
// Both what fstat tells and the stamp, from one call.
struct OpenFileStamp {
    struct stat info;
    StampResult stamp;
};
OpenFileStamp stamp_of_open_file(int fd);
StampResult stamp_at(int folder_fd, const std::string& name);
StampResult stamp_of_path(const std::string& path);

// The parts of a stamp that each rule below compares. The record's index keeps hashes of these
// very keys, so that what it says and what a comparison says can never differ.
struct StampKey {
    std::int64_t a = 0, b = 0, c = 0;
    bool operator==(const StampKey&) const = default;
};
// The inode and the birth time.
StampKey object_key(const FileStamp& stamp);
// Size and modification time, and the change time where no birth time proves the object: the
// same recording in the same file object, where the object keys match.
StampKey recording_key(const FileStamp& stamp);
// Size, modification and change time.
StampKey touch_key(const FileStamp& stamp);

// The same file object under one name, as far as the stamps can tell: the same inode with the
// same birth time. Where the disk keeps no birth time only the inode can be compared, and a new
// file under an old name may well get the old one's inode.
bool same_file_object(const FileStamp& now, const FileStamp& then);

// Provably the same file object: its disk keeps birth times.
bool proven_same_file_object(const FileStamp& now, const FileStamp& then);

// Nothing was done to it since: size and times as they were. Not the inode: FUSE disks such as
// FAT ones may number a file anew each time it is looked up.
bool untouched_since(const FileStamp& now, const FileStamp& then);

}  // namespace trackfold
