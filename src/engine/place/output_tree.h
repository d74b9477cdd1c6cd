#pragma once

#include <sys/types.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/fsio/disk.h"
#include "engine/fsio/file_descriptor.h"

namespace trackfold {

// What one run knows of the output tree: the names in each folder it writes to, which of them
// it placed itself, where each folder really is and what its disk allows. Names match without
// regard to letter case on every disk, as they do on the disks many players use: when
// "The Beatles" exists, "the beatles" goes into it, and "Song.mp3" and "song.mp3" are one name.
struct FolderPath {
    std::string path;
    std::error_code error{};  // set: it is not there and could not be made
};

// Each folder is listed at most once per run; a folder the run made is known to be empty.
class OutputTree {
  public:
    struct Entry {
        std::string name{};  // as on the disk
        bool is_folder = false;
        bool is_link = false;
        bool child_known = false;  // a folder whose own record holds its real path
        bool placed = false;       // this run put a file of `size` bytes here
        bool pending = false;      // a copy of this run is being made under this name
        std::uintmax_t size = 0;
    };

    struct Folder {
        std::string real_path{};  // links and ".." resolved; "" when it cannot be told
        dev_t device = 0;
        DiskTraits traits;
        std::unordered_map<std::string, Entry> entries{};  // by folded name
        bool listed = false;
        std::shared_ptr<const FileDescriptor> handle{};  // while open
        // For a name that more than one file of the run went to: the size of the run's copy at
        // each numbered name tried for it, or kNotPlaced. Only a source of one of these sizes
        // can be found at those names.
        static constexpr std::uintmax_t kNotPlaced = static_cast<std::uintmax_t>(-1);
        std::unordered_map<std::string, std::vector<std::uintmax_t>> numbered_sizes{};

        Entry* find(const std::string& folded_name);
    };

    // What the tree needs of the run around it.
    struct Hooks {
        // Starts the names of the run's temporary files.
        std::string temp_prefix;
        // Whether a name is a temporary file that an earlier run made and left behind; such
        // files are removed when their folder is listed.
        std::function<bool(const std::string&)> is_stale_temp;
        // Told of every folder the run makes.
        std::function<void(const std::string&)> made_folder;
        // A preview is told of each disk whose rules it cannot know without writing.
        std::function<void(const std::string&)> unsure_disk;
    };

    // Folders are made, and temporaries removed, on `disk`.
    OutputTree(Hooks hooks, Disk& disk);
    ~OutputTree();
    OutputTree(const OutputTree&) = delete;
    OutputTree& operator=(const OutputTree&) = delete;

    // Makes sure the folder exists, with any missing parents; the text is used as it is.
    std::error_code ensure(const std::string& folder);

    // Makes sure parent + the folder name made of tag_text exists, reusing a folder whose name
    // differs only in case. Returns parent + the name used (parent ends in a separator).
    FolderPath ensure_child(const std::string& parent, const std::string& tag_text);

    // parent + name, where parent (ending in a separator) holds a folder of exactly that name,
    // as ensure_child would find it; nothing is made.
    std::optional<std::string> existing_child(const std::string& parent, const std::string& name);

    // What the disk of the folder (ending in a separator) does, learnt once per disk: probed,
    // or in a preview told without writing.
    DiskTraits disk_traits(const std::string& folder);

    // The folder (ending in a separator), listed on first use.
    Folder& folder(const std::string& path);

    // A descriptor of the folder to work in by name (none, and errno, when it cannot be
    // opened), open for as long as a holder keeps it. The folders used last stay open, so a
    // folder is opened about once a run. It can be locked with flock where the folder can be
    // read.
    using Handle = std::shared_ptr<const FileDescriptor>;
    Handle open_folder(Folder& folder, const std::string& path);

  private:
    void list(const std::string& path, Folder& folder);
    // The record of a child folder, by the path text it is asked for with; not listed yet.
    Folder& record(const std::string& path);
    // parent + the found folder's name, with what follows of where that folder really is.
    std::string known_child(const std::string& parent, const Folder& above, Entry& found);
    DiskTraits traits_of(dev_t device, const std::string& path);

    MadeFolder make_folder(const std::string& path);

    Hooks hooks_;
    Disk& disk_;
    std::unordered_set<std::string> ensured_;
    std::unordered_map<std::string, Folder> folders_;   // by the folder's normal form
    std::unordered_map<std::string, Folder*> by_text_;  // by the path as given
    std::unordered_map<dev_t, DiskTraits> disks_;
    std::deque<Folder*> open_folders_;  // oldest first
};

}  // namespace trackfold
