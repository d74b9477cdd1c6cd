#include "engine/sort_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
#include "engine/placement_record.h"
#include "engine/target_writer.h"
#include "util/ini_file.h"

namespace fs = std::filesystem;

namespace trackfold {

namespace {

struct FolderEntries {
    std::vector<std::string> files;
    std::vector<std::string> folders;
    std::vector<std::string> linked_folders;  // those of the folders that are links
    std::vector<std::string> linked_files;    // those of the files that are links
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
        if (name == kRecordFileName) {
            // The record of an output folder that lies in the input is never a source.
            continue;
        }
        if (it->is_directory(type_ec)) {
            if (it->is_symlink(type_ec)) {
                entries.linked_folders.push_back(name);
            }
            entries.folders.push_back(std::move(name));
        } else if (it->is_regular_file(type_ec) || !it->exists(type_ec)) {
            // A dangling link stays a file, so that its failure shows in the log.
            if (it->is_symlink(type_ec)) {
                entries.linked_files.push_back(name);
            }
            entries.files.push_back(std::move(name));
        }
    }
    std::sort(entries.files.begin(), entries.files.end());
    std::sort(entries.linked_files.begin(), entries.linked_files.end());
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

std::string real_path_of(const std::string& path) {
    std::error_code ec;
    const fs::path real = fs::canonical(path, ec);
    return ec ? std::string() : real.string();
}

// What one run writes to: the output folder's record, what the run knows of the output tree,
// and the writer that places files in it. Made when the walk first knows the output folder.
struct RunOutput {
    RunOutput(const std::string& output, const std::vector<std::string>& input_roots, bool preview)
        : record(output),
          folders(OutputTree::Hooks{
                      record.temp_prefix(),
                      [this](const std::string& name) { return record.is_stale_temp(name); },
                      [this](const std::string& path) { note_made_folder(path); }},
                  preview),
          writer(folders, record, input_roots) {}

    void note_made_folder(const std::string& path) {
        const std::string& output = record.output_folder();
        if (!(path + "/").starts_with(output) || path.size() + 1 == output.size()) {
            return;
        }
        RecordLine line;
        line.action = RecordAction::Folder;
        line.target = relative_to_output(output, path);
        record.append(std::move(line));
    }

    PlacementRecord record;
    OutputTree folders;
    TargetWriter writer;
};

// syncfs writes back everything of the folder's disk; some FUSE disks write their own buffers
// only when a file or folder on them is synced, hence the fsync as well.
std::error_code flush_disk(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return {errno, std::generic_category()};
    }
    std::error_code ec;
    if (::syncfs(fd) != 0 || (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS)) {
        ec.assign(errno, std::generic_category());
    }
    ::close(fd);
    return ec;
}

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
          preview(preview) {}

    RunWindow& window;
    fs::path settings_file;
    Mp3Library& library;
    TagReadAhead read_ahead;
    bool preview;
    // Real paths of the input folder and of every linked folder met in it: nothing in them is
    // ever replaced.
    std::vector<std::string> input_roots;
    std::unique_ptr<RunOutput> run_output;
    std::vector<FolderId> ancestors;
    // The real path of each folder the walk is in, from the input folder down.
    std::vector<std::string> real_folders;
    std::set<std::string> reported_types;
    bool finished = false;

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
    void start_output(const std::string& input, const std::string& output);
    std::string real_path_in(const std::string& folder, const std::string& name,
                             bool is_link) const;
    void take_file(const std::string& folder, const std::string& name, const std::string& output,
                   const FolderSettings& settings, const TagResult& tags,
                   const std::string& real_source);
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
    OutputTree& folders = run_output->folders;
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

void Sorter::State::start_output(const std::string& input, const std::string& output) {
    if (run_output) {
        return;
    }
    run_output = std::make_unique<RunOutput>(output, input_roots, preview);
    PlacementRecord& record = run_output->record;
    if (!preview) {
        std::error_code ec;
        // The record lives in the output folder, so that folder comes first.
        run_output->folders.ensure(output, ec);
        if (!ec) {
            ec = record.begin(RecordAction::Start, real_path_of(input));
        }
        if (ec) {
            window.append_log("Record: " + record.path() + " ...Error (" + ec.message() + ")");
            window.select_last_log();
        }
    }
}

std::string Sorter::State::real_path_in(const std::string& folder, const std::string& name,
                                        bool is_link) const {
    if (is_link || real_folders.empty() || real_folders.back().empty()) {
        const std::string real = real_path_of(folder + name);
        return real.empty() ? folder + name : real;
    }
    const std::string& real_folder = real_folders.back();
    return (real_folder == "/" ? "" : real_folder) + "/" + name;
}

void Sorter::State::take_file(const std::string& folder, const std::string& name,
                              const std::string& output, const FolderSettings& settings,
                              const TagResult& tags, const std::string& real_source) {
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
        placed = run_output->writer.copy({source, real_source}, target_folder + "/", name);
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

Sorter::~Sorter() {
    if (state_->run_output && !state_->finished && !state_->preview) {
        // Ended without finish(): the record still says when the run ended.
        state_->run_output->record.end(CancelState == Cancelled ? "cancelled" : "complete");
    }
}

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
    const bool root = s.ancestors.empty();
    if (root) {
        s.add_input_root(folder);
        s.start_output(folder, output);
        s.real_folders.push_back(real_path_of(folder));
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
            const bool is_link =
                std::binary_search(entries.linked_files.begin(), entries.linked_files.end(), name);
            s.take_file(folder, name, output, settings, s.read_ahead.take(taken++),
                        s.real_path_in(folder, name, is_link));
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
        const bool is_link =
            std::binary_search(entries.linked_folders.begin(), entries.linked_folders.end(), name);
        s.real_folders.push_back(s.real_path_in(folder, name, is_link));
        SortFolder(folder + name + "/", output);
        s.real_folders.pop_back();
    }
    s.ancestors.pop_back();
    if (root) {
        s.real_folders.pop_back();
    }
    return true;
}

bool Sorter::finish() {
    State& s = *state_;
    if (s.finished || !s.run_output || s.preview) {
        s.finished = true;
        return true;
    }
    s.finished = true;
    bool whole = true;
    // Until the disks hold them, copies that the log calls placed could still be lost.
    for (const auto& [device, folder] : s.run_output->writer.written_disks()) {
        const std::error_code ec = flush_disk(folder);
        if (ec) {
            s.window.append_log("Flush: " + folder + " ...Error (" + ec.message() + ")");
            s.window.select_last_log();
            whole = false;
        }
    }
    PlacementRecord& record = s.run_output->record;
    const std::error_code ec = record.end(CancelState == Cancelled ? "cancelled" : "complete");
    if (ec && record.begun()) {
        s.window.append_log("Record: " + record.path() + " ...Error (" + ec.message() + ")");
        s.window.select_last_log();
    }
    return whole && !ec;
}

}  // namespace trackfold
