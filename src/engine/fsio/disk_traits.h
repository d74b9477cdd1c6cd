#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

#include "engine/naming/folder_names.h"

namespace trackfold {

// What one target disk does with names and times, learnt from a probe file on it rather than
// from its type: FUSE mounts (exFAT, NTFS, phones) all look alike from outside.
struct DiskTraits {
    std::size_t name_max = kDefaultNameMax;  // bytes in one name
    std::int64_t time_step_ns = 1;           // the steps it keeps modification times in
    bool refuses_reserved_names = false;     // FAT, exFAT, NTFS: no : * ? " < > | \ in names
    bool refuses_invalid_utf8 = false;       // exFAT: names must be valid UTF-8
    // FAT through FUSE's fusefat: not one byte beyond ASCII, so every name with a letter of
    // another script or an accent fails.
    bool refuses_non_ascii = false;
    bool unnamed_files = false;  // a file can be written unnamed and linked in whole
    // Any write or time change shows in a file's change time, which no program can set: the
    // kernel's own POSIX disks. FUSE disks report what their driver likes (exFAT: the
    // modification time), so an edit that puts size and time back goes unseen there.
    bool times_show_changes = false;

    NameRules name_rules() const { return {refuses_reserved_names, refuses_invalid_utf8}; }
};

// Whether writers appending to one file must take turns by a lock for each write() to land
// whole after the others'. The kernel's own disks hold the file's lock through a whole
// O_APPEND write; a FUSE driver may be handed it in pieces, and a network share's server gets
// each client's write at the end that client last knew of.
enum class AppendLocking { not_needed, needed };
// By the statfs type of the disk (f_type): needed on every type not known to be the kernel's.
AppendLocking append_locking(long fs_magic);

// Whether the disk of `path` is one whose change times show every change (see DiskTraits).
bool times_show_changes(const std::string& path);

// The steps a disk keeps times in, from a time asked for with an odd second and nine nonzero
// decimals and the time it stored: nanoseconds (ext4), 100 ns (NTFS), 10 ms (exFAT), 1 s, 2 s
// (FAT).
std::int64_t time_step(const timespec& asked, const timespec& stored);

// The time the probe asks for.
inline constexpr timespec kProbeTime{1000000001, 123456789};

// Whether two modification times are one on a disk that keeps times in steps of step_ns.
bool same_time(const timespec& a, const timespec& b, std::int64_t step_ns);
bool same_time(std::int64_t a_ns, std::int64_t b_ns, std::int64_t step_ns);

struct ProbedTraits {
    DiskTraits traits;
    bool probed = false;  // false: no probe file could be made (a read-only or full disk)
};

struct PredictedTraits {
    DiskTraits traits;
    bool known = false;  // false: a disk whose rules cannot be told without writing to it
};

// What the disk of `folder` does, told without writing: from its file system type, and for a
// FUSE disk from its mount and, where it may be read, the start of its device.
PredictedTraits predict_disk(const std::string& folder);

// Probes the disk of `folder` (ending in a separator) with short-lived files named
// temp_prefix + "probe...". Unprobed traits are the defaults with the disk's name limit.
ProbedTraits probe_disk(const std::string& folder, const std::string& temp_prefix);

}  // namespace trackfold
