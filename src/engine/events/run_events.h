#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace trackfold {

// The window's five counters: files taken, and files placed in each category.
enum class Counter { ReadFile, AlbumArtist, AlbumOnly, ArtistOnly, Unknown };

// The five counters as the engine keeps them; a front end only shows them.
struct RunCounters {
    std::array<std::size_t, 5> counts{};

    std::size_t& operator[](Counter counter) { return counts[static_cast<std::size_t>(counter)]; }
    std::size_t operator[](Counter counter) const {
        return counts[static_cast<std::size_t>(counter)];
    }
    bool operator==(const RunCounters&) const = default;
};

// What a run tells its front ends, one value for each outcome, in the order they happen. The
// window's list and counters, the log file, the command line's lines, JSON, exit status and
// progress are all made from these; nothing reads the text of a log line back.

// What was done with a file that was placed.
enum class PlaceAction {
    Copied,        // copied under its own name
    AlreadyThere,  // its bytes were there already; nothing was written
    Replaced,      // replaced its own earlier copy
    Numbered,      // copied under a numbered name, as another file had the name
};

// What became of the source, in a move.
enum class SourceFate {
    Kept,      // a copy: the source stays
    Removed,   // moved: the source is gone, its recording is at the target
    Stuck,     // to be moved, but it could not be removed: the copy stays, and so does it
    Pending,   // to be removed once its copy is on the disk; never reported so
    LinkKept,  // to be moved, but a link: what it leads to was copied, the link stays
};

// An audio file, or one of its album's companions (cover, cue sheet, booklet...), which goes
// wherever all the audio of its folder went.
enum class FileKind { Audio, Companion };

struct FilePlaced {
    std::size_t read_count = 0;  // files taken so far, this one included
    Counter category = Counter::Unknown;
    std::string source{};
    std::string target{};
    PlaceAction action = PlaceAction::Copied;
    std::string time_not_kept{};  // why the copy did not get its source's time; "" when it did
    SourceFate source_fate = SourceFate::Kept;
    std::string source_kept{};       // with Stuck: why
    std::uintmax_t bytes_freed = 0;  // on the source's disk, by removing it
    FileKind kind = FileKind::Audio;
    // The code page its album's 8-bit tags were judged to be in, where not the locale's.
    std::string code_page{};
};

// Whether a file failed before its tags were known, or when it was to be placed.
enum class FailedAt { Reading, Placing };

struct FileFailed {
    std::size_t read_count = 0;
    std::string source{};
    std::string reason{};
    FailedAt stage = FailedAt::Placing;
};

struct FolderFailed {
    std::string folder;
    std::string reason;
    // Files of the types the run takes that a listing which broke off had seen: these at least
    // were not taken. 0 when nothing in the folder could be seen.
    std::size_t files_seen = 0;
};

// A folder the walk did not enter, and why: it was walked already by another way (a link), or
// it is one of the system's own (/proc, /sys, /dev, /run) reached by a link.
struct FolderLeftOut {
    std::string folder;
    std::string walked_as;  // the way it was walked first; "" for a folder of the system's
};

// Why a file or folder is left out by its name: one of the systems' own files, or the Ignore
// setting names it.
enum class LeftOutBy { system_file, ignore_setting };

// A file or folder the walk leaves out by its name. Told only by a preview, so a run leaves
// them out quietly; the summary counts them.
struct NameLeftOut {
    std::string path;
    bool folder = false;
    LeftOutBy by = LeftOutBy::system_file;
    std::string pattern{};  // LeftOutBy::ignore_setting: the pattern that matched, case-folded
};

// Types the settings name that no reader here knows: those files are left out.
struct TypesUnknown {
    std::string type;  // as the setting writes it
};

// A folder whose audio went to several albums: its companion files stay where they are.
struct CompanionsKept {
    std::string folder;
    std::size_t files = 0;
    std::size_t albums = 0;
};

// The run's placement record or the flush of a disk failed: copies may not survive a power cut.
struct DiskFailed {
    std::string what;  // "Record" or "Flush"
    std::string path;
    std::string reason;
};

// A preview met a disk whose rules for names and times it cannot know without writing.
struct DiskUnknown {
    std::string folder;
};

// Before the run has written much: the output's disk has less room than the files to copy.
struct SpaceShort {
    std::string folder;  // the output folder
    std::uintmax_t free_bytes = 0;
    std::uintmax_t to_copy = 0;
};

struct RunSummary {
    bool move = false;       // the run moved its files
    std::size_t copied = 0;  // in a move: moved
    std::size_t already_there = 0;
    std::size_t replaced = 0;
    std::size_t numbered = 0;
    std::size_t failed = 0;
    std::size_t folders_failed = 0;           // folders that could not be read: none taken
    std::size_t files_in_failed_folders = 0;  // seen in them before a listing broke off
    std::size_t moved = 0;                    // sources removed
    std::size_t stuck = 0;                    // sources a move could not remove
    std::size_t links_kept = 0;               // linked sources a move copied and left in place
    std::size_t folders_left_out = 0;         // folders walked already, or the system's own
    std::size_t other_code_page = 0;          // placed by tags read in a judged code page
    std::uintmax_t bytes_freed = 0;
    std::size_t system_files = 0;  // the systems' own files left out by their names
    std::size_t ignored = 0;       // files and folders the Ignore setting left out
    std::size_t companions = 0;    // companion files placed beside their album, in any way
    // Audio files of types the run did not take, by extension, in name order.
    std::vector<std::pair<std::string, std::size_t>> left_out;
};

// DiskFull: the output's disk took no more, and the run stopped before the next file.
enum class RunOutcome { Complete, Cancelled, NotStarted, DiskFull };

// What a full disk left undone.
struct DiskFullStop {
    std::uintmax_t free_bytes = 0;
    std::optional<std::uintmax_t> still_to_copy{};  // of the files not placed; unknown before
                                                    // the count is done
};

struct RunEnded {
    RunOutcome outcome = RunOutcome::Complete;
    std::string reason{};  // why it did not start
    DiskFullStop disk_full{};
};

using RunEvent =
    std::variant<FilePlaced, FileFailed, FolderFailed, FolderLeftOut, NameLeftOut, TypesUnknown,
                 DiskFailed, DiskUnknown, SpaceShort, RunSummary, RunEnded, CompanionsKept>;

// Whether an event is a failure that the run's exit status reports: an error, or a source a
// move could not remove.
bool is_failure(const RunEvent& event);

// Counts the outcomes into a summary.
void count_into(RunSummary& summary, const RunEvent& event);
// Counts a placed file in its category; true when a counter changed. The files taken are
// counted as they are taken, before their events, which a move holds back.
bool count_into(RunCounters& counters, const RunEvent& event);

}  // namespace trackfold
