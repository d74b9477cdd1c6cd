#include "engine/sort_folder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <set>
#include <utility>
#include <vector>

#include "engine/cancel_state.h"
#include "engine/file_types.h"
#include "engine/folder_names.h"
#include "engine/output_tree.h"
#include "engine/target_writer.h"
#include "util/ini_file.h"

namespace fs = std::filesystem;

namespace trackfold {

namespace {

struct FolderEntries {
    std::vector<std::string> files;
    std::vector<std::string> folders;
    std::vector<std::string> linked_folders;  // those of the folders that are links
};

// Lists the whole folder before anything in it is touched, in byte order of the names, so a
// run is repeatable and files copied into the folder during the run are not taken by it.
FolderEntries list_folder(const std::string& folder, std::error_code& ec) {
    FolderEntries entries;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        // The entry's own type, as the listing gave it, spares a stat per file; a link is
        // still followed.
        std::error_code type_ec;
        std::string name = it->path().filename().string();
        if (it->is_directory(type_ec)) {
            if (it->is_symlink(type_ec)) {
                entries.linked_folders.push_back(name);
            }
            entries.folders.push_back(std::move(name));
        } else if (it->is_regular_file(type_ec) || !it->exists(type_ec)) {
            // A dangling link stays a file, so that its failure shows in the log.
            entries.files.push_back(std::move(name));
        }
    }
    std::sort(entries.files.begin(), entries.files.end());
    std::sort(entries.folders.begin(), entries.folders.end());
    return entries;
}

struct FolderId {
    dev_t device;
    ino_t inode;
    bool operator==(const FolderId&) const = default;
};

bool folder_error(RunWindow& window, const std::string& folder, const std::error_code& ec) {
    window.append_log("Folder: " + folder + " ...Error (" + ec.message() + ")");
    window.select_last_log();
    return false;
}

struct SubFolderNames {
    std::string album;
    std::string artist;
    std::string unknown;
};

// What the settings file says for one folder.
struct FolderSettings {
    SubFolderNames names;
    FileTypes types;
    bool use_album_artist;
};

FolderSettings read_folder_settings(const IniReader& settings) {
    const std::string use_album_artist = settings.text("SYSTEM", "UseAlbumArtist", "0");
    return FolderSettings{
        {settings.text("SYSTEM", "AlbumFolder", ""), settings.text("SYSTEM", "ArtistFolder", ""),
         settings.text("SYSTEM", "UnknowFolder", "")},
        parse_file_types(settings.whole_text("SYSTEM", "FileTypes")),
        std::atoi(use_album_artist.c_str()) != 0};
}

}  // namespace

struct Sorter::State {
    State(RunWindow& window, fs::path settings_file, Mp3Library& library, unsigned threads,
          bool preview)
        : window(window),
          settings_file(std::move(settings_file)),
          library(library),
          read_ahead(library, threads),
          folders(temp_prefix(), preview) {}

    RunWindow& window;
    fs::path settings_file;
    Mp3Library& library;
    TagReadAhead read_ahead;
    OutputTree folders;
    // Real paths of the input folder and of every linked folder met in it: nothing in them is
    // ever replaced.
    std::vector<std::string> input_roots;
    TargetWriter writer{folders, input_roots};
    std::vector<FolderId> ancestors;
    std::set<std::string> reported_types;

    void add_input_root(const std::string& folder) {
        std::error_code ec;
        const std::string real = fs::canonical(folder, ec).string();
        if (!ec && std::find(input_roots.begin(), input_roots.end(), real) == input_roots.end()) {
            input_roots.push_back(real);
        }
    }

    void increment(Counter counter) {
        window.set_counter_text(counter, incremented_count(window.counter_text(counter)));
    }
    void report_unknown_types(const FileTypes& types) {
        for (const std::string& type : types.unknown) {
            if (reported_types.insert(type).second) {
                window.append_log("FileTypes: " + type + " ...Unknown type, ignored");
                window.select_last_log();
            }
        }
    }
    void take_file(const std::string& folder, const std::string& name, const std::string& output,
                   const FolderSettings& settings, const TagResult& tags);
    std::string ensure_target_folder(const std::string& output, const SubFolderNames& names,
                                     const std::string& artist, const std::string& album,
                                     const char*& category, Counter& counter, std::error_code& ec);
};

std::string Sorter::State::ensure_target_folder(const std::string& output,
                                                const SubFolderNames& names,
                                                const std::string& artist, const std::string& album,
                                                const char*& category, Counter& counter,
                                                std::error_code& ec) {
    const std::string& base_name = !album.empty()    ? names.album
                                   : !artist.empty() ? names.artist
                                                     : names.unknown;
    const std::string base = output + base_name;
    folders.ensure(base, ec);
    if (ec) {
        return base;
    }
    // Joined with a bare separator even when the configured name is empty: the target then
    // shows a doubled separator after the output folder, as the log always has.
    const std::string under = base + "/";
    if (!artist.empty() && !album.empty()) {
        category = "AlbumName + ArtistName";
        counter = Counter::AlbumArtist;
        const std::string artist_folder = folders.ensure_child(under, artist, ec);
        return ec ? artist_folder : folders.ensure_child(artist_folder + "/", album, ec);
    }
    if (!album.empty()) {
        category = "AlbumName";
        counter = Counter::AlbumOnly;
        return folders.ensure_child(under, album, ec);
    }
    if (!artist.empty()) {
        category = "ArtistName";
        counter = Counter::ArtistOnly;
        return folders.ensure_child(under, artist, ec);
    }
    category = "Unknown";
    counter = Counter::Unknown;
    return base;
}

void Sorter::State::take_file(const std::string& folder, const std::string& name,
                              const std::string& output, const FolderSettings& settings,
                              const TagResult& tags) {
    increment(Counter::ReadFile);
    const std::string source = folder + name;
    const std::string& artist = tags.artist;
    const std::string& album = tags.album;
    if (tags.error) {
        window.append_log("File: " + source + " ...Error");
        return;
    }

    const char* category = nullptr;
    Counter counter = Counter::Unknown;
    std::error_code ec;
    const std::string target_folder =
        ensure_target_folder(output, settings.names, artist, album, category, counter, ec);
    PlacedFile placed{target_folder + "/" + name, ec, {}};
    if (!ec) {
        placed = writer.copy(source, target_folder + "/", name);
    }
    if (placed.error) {
        // One file that cannot be placed must not cost the rest of the folder.
        window.append_log("File: " + source + " ...Error (" + placed.error.message() + ")");
        window.select_last_log();
        return;
    }
    increment(counter);
    std::string line = window.counter_text(Counter::ReadFile) + "\t" + category + "\t" + source +
                       "\t" + placed.target;
    if (placed.time_error) {
        // The copy is whole; with another time than its source's it is copied again next run.
        line += "\t...Time not kept (" + placed.time_error.message() + ")";
    }
    window.append_log(line);
    window.select_last_log();
}

Sorter::Sorter(RunWindow& window, fs::path settings_file, Mp3Library& library,
               unsigned read_ahead_threads, bool preview)
    : state_(new State(window, std::move(settings_file), library, read_ahead_threads, preview)) {}

Sorter::~Sorter() = default;

bool Sorter::SortFolder(const std::string& folder, const std::string& output) {
    if (CancelState == Cancelled) {
        return false;
    }
    State& s = *state_;
    // Read for every folder, so a hand edit of the settings takes effect during a run.
    const IniReader settings_file(s.settings_file);
    const FolderSettings settings = read_folder_settings(settings_file);
    const std::string code_page = settings_file.text("SYSTEM", "TagCodePage", "");
    s.library.setCodePage(code_page.c_str());
    s.report_unknown_types(settings.types);

    struct stat info {};
    std::error_code ec;
    if (::stat(folder.c_str(), &info) != 0) {
        ec.assign(errno, std::generic_category());
    }
    const FolderId id{info.st_dev, info.st_ino};
    FolderEntries entries;
    if (!ec) {
        if (std::find(s.ancestors.begin(), s.ancestors.end(), id) != s.ancestors.end()) {
            // A link back to a folder we are already inside would walk it forever.
            return true;
        }
        entries = list_folder(folder, ec);
    }
    if (ec) {
        return folder_error(s.window, folder, ec);
    }
    if (s.ancestors.empty()) {
        s.add_input_root(folder);
    }
    for (const std::string& name : entries.linked_folders) {
        s.add_input_root(folder + name);
    }

    TagBatch batch{{}, code_page, settings.use_album_artist};
    for (const std::string& name : entries.files) {
        if (has_accepted_type(name, settings.types.accepted)) {
            batch.paths.push_back(folder + name);
        }
    }
    s.read_ahead.start(std::move(batch));
    std::size_t taken = 0;
    for (const std::string& name : entries.files) {
        if (CancelState == CancelRequested) {
            if (s.window.ask_cancel()) {
                CancelState = Cancelled;
                break;
            }
            CancelState = Idle;
        }
        s.window.pump_events();
        s.window.set_status(name);
        if (has_accepted_type(name, settings.types.accepted)) {
            s.take_file(folder, name, output, settings, s.read_ahead.take(taken++));
        }
    }

    if (output.starts_with(folder)) {
        // The run may have made new folders here; they are walked like any other.
        entries.folders = list_folder(folder, ec).folders;
        if (ec) {
            return folder_error(s.window, folder, ec);
        }
    }
    s.ancestors.push_back(id);
    for (const std::string& name : entries.folders) {
        s.window.pump_events();
        SortFolder(folder + name + "/", output);
    }
    s.ancestors.pop_back();
    return true;
}

}  // namespace trackfold
