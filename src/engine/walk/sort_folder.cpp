#include "engine/walk/sort_folder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "engine/fsio/path_inside.h"
#include "engine/place/run_output.h"
#include "engine/run/cancel_state.h"
#include "engine/run/folder_settings.h"
#include "engine/walk/folder_listing.h"
#include "engine/walk/walk_rules.h"
#include "tags/audio_formats.h"
#include "util/ini_file.h"
#include "util/real_path.h"

namespace fs = std::filesystem;

namespace trackfold {

namespace {

// A move removes its waiting sources in batches of about this size.
constexpr std::size_t kSettleFiles = 500;
constexpr std::uintmax_t kSettleBytes = 512ULL << 20;

std::string lower_extension(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    std::string extension(dot == std::string_view::npos ? "" : name.substr(dot + 1));
    for (char& c : extension) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return extension;
}

PlaceAction place_action(RecordAction action) {
    switch (action) {
        case RecordAction::AlreadyThere:
            return PlaceAction::AlreadyThere;
        case RecordAction::Replaced:
            return PlaceAction::Replaced;
        case RecordAction::Numbered:
            return PlaceAction::Numbered;
        default:
            return PlaceAction::Copied;
    }
}

// What a disk that takes only ASCII names would make of a run: an error for nearly every file
// whose tags name an artist or album beyond ASCII, and a collection sorted in part.
std::string ascii_only_problem(const std::string& output) {
    return "the disk of " + output +
           " takes only ASCII names (its FAT driver, such as FUSE's fusefat, refuses every other "
           "letter), so most tagged files could not be placed: mount it with the kernel's vfat "
           "driver (mount -t vfat -o utf8) and start again";
}

// Where a file of each category goes.
struct TargetFolder {
    std::string path;
    Counter category = Counter::Unknown;
};

}  // namespace

struct Sorter::State {
    State(RunWindow& window, fs::path settings_file, Mp3Library& library, unsigned threads,
          bool preview)
        : window(window),
          settings(std::move(settings_file)),
          library(library),
          read_ahead(library, threads),
          preview(preview) {}

    RunWindow& window;
    CachedSettings settings;
    Mp3Library& library;
    TagReadAhead read_ahead;
    bool preview;
    // Real paths of the input folder and of every linked folder met in it: nothing in them is
    // ever replaced.
    std::vector<std::string> input_roots;
    std::unique_ptr<RunOutput> run_output;
    std::unique_ptr<WalkRules> walk_rules;
    std::string output_real;
    bool output_in_walk = false;  // the output lies inside the input, or holds it
    // The real path of each folder the walk is in, from the input folder down.
    std::vector<std::string> real_folders;
    std::set<std::string> reported_types;
    std::map<std::string, std::size_t> left_out;
    std::size_t read_count = 0;
    bool move = false;
    const FileCount* file_count = nullptr;
    bool count_told = false;
    // Events of files whose sources wait to be removed, and all after them, in order.
    std::vector<RunEvent> held;
    // Folders that lost a source to the move, to be removed at the end when left empty.
    std::set<std::string> emptied;
    RunSummary summary;
    bool finished = false;
    // The settings of the last folder whose settings could be used: a file that vanishes for a
    // moment, or an edit that names a folder outside the output, leaves the run with these.
    std::optional<FolderSettings> last_good;
    bool told_settings_ignored = false;

    FolderSettings folder_settings() {
        FolderSettings now = read_folder_settings(settings.current());
        const std::string problem = sub_folder_problem(now.names);
        if (problem.empty()) {
            last_good = now;
            return now;
        }
        if (!told_settings_ignored) {
            told_settings_ignored = true;
            report(DiskFailed{"Settings", settings.path().string(),
                              problem + "; the run goes on with the settings it had"});
        }
        if (!last_good) {
            now.names = {};
            last_good = now;
        }
        return *last_good;
    }

    void report(const RunEvent& event) {
        const auto* placed = std::get_if<FilePlaced>(&event);
        if (!held.empty() || (placed != nullptr && placed->source_fate == SourceFate::Pending)) {
            held.push_back(event);
            return;
        }
        if (placed != nullptr && placed->source_fate == SourceFate::Removed) {
            emptied.insert(placed->source.substr(0, placed->source.rfind('/') + 1));
        }
        count_into(summary, event);
        window.report(event);
    }

    // Removes the sources that wait, once their copies are on the disk, and tells their
    // events, now with what became of each source.
    void settle() {
        if (!run_output) {
            return;
        }
        const std::vector<TargetWriter::Settled> settled = run_output->writer.settle();
        std::vector<RunEvent> events = std::move(held);
        held.clear();
        auto next = settled.begin();
        for (RunEvent& event : events) {
            auto* placed = std::get_if<FilePlaced>(&event);
            if (placed != nullptr && placed->source_fate == SourceFate::Pending &&
                next != settled.end()) {
                placed->source_fate = next->fate;
                placed->source_kept = next->error ? next->error.message() : std::string();
                placed->bytes_freed = next->bytes_freed;
                ++next;
            }
            report(event);
        }
    }

    void remove_emptied_folders(const std::string& input);

    void add_input_root(const std::string& folder) {
        const std::string real = real_path(folder);
        if (!real.empty() &&
            std::find(input_roots.begin(), input_roots.end(), real) == input_roots.end()) {
            input_roots.push_back(real);
        }
    }

    void report_unknown_types(const FileTypes& types) {
        for (const std::string& type : types.unknown) {
            if (reported_types.insert(type).second) {
                report(TypesUnknown{type});
            }
        }
    }

    // Why the run cannot begin in its output folder; its record, or the disk.
    struct OutputStart {
        std::string problem{};
        bool of_record = false;
    };
    OutputStart start_output(const std::string& input, const std::string& output);
    OutputStart open_record(const std::string& input, const std::string& output);
    std::string real_path_in(const std::string& folder, const std::string& name,
                             bool is_link) const;

    void tell_count() {
        if (file_count != nullptr && !count_told) {
            if (const auto total = file_count->total()) {
                window.files_counted(*total);
                count_told = true;
            }
        }
    }
    void take_file(const std::string& folder, const ListedFile& file, const std::string& output,
                   const FolderSettings& settings, const TagResult& tags);
    TargetFolder ensure_target_folder(const std::string& output, const SubFolderNames& names,
                                      const TagResult& tags, std::error_code& ec);
};

TargetFolder Sorter::State::ensure_target_folder(const std::string& output,
                                                 const SubFolderNames& names, const TagResult& tags,
                                                 std::error_code& ec) {
    const std::string& artist = tags.artist;
    const std::string& album = tags.album;
    const std::string& base_name = !album.empty()    ? names.album
                                   : !artist.empty() ? names.artist
                                                     : names.unknown;
    OutputTree& folders = run_output->folders;
    const std::string base = output + base_name;
    folders.ensure(base, ec);
    if (ec) {
        return {base};
    }
    // Joined with a bare separator even when the configured name is empty: the target then
    // shows a doubled separator after the output folder, as the log always has.
    const std::string under = base + "/";
    if (!artist.empty() && !album.empty()) {
        const std::string artist_folder = folders.ensure_child(under, artist, ec);
        return {ec ? artist_folder : folders.ensure_child(artist_folder + "/", album, ec),
                Counter::AlbumArtist};
    }
    if (!album.empty()) {
        return {folders.ensure_child(under, album, ec), Counter::AlbumOnly};
    }
    if (!artist.empty()) {
        return {folders.ensure_child(under, artist, ec), Counter::ArtistOnly};
    }
    return {base, Counter::Unknown};
}

Sorter::State::OutputStart Sorter::State::open_record(const std::string& input,
                                                      const std::string& output) {
    PlacementRecord& record = run_output->record;
    std::error_code ec;
    if (!preview) {
        // The record lives in the output folder, so that folder comes first.
        run_output->folders.ensure(output, ec);
    }
    // Before the record is touched, so that a run that cannot place the files changes nothing.
    if (!ec && run_output->folders.disk_traits(output).refuses_non_ascii) {
        return {ascii_only_problem(output)};
    }
    if (!ec) {
        ec = record.open(preview ? RecordUse::preview : RecordUse::run);
    }
    if (!ec && !preview) {
        ec = record.begin(RecordAction::Start, real_path(input));
    }
    if (ec) {
        // A move without its record could not be undone, and a record that is no file of ours
        // or is held by an undo stops every run; a copy loses nothing by a record it cannot
        // write (on fusefat one process at a time may have it open), so it says so and goes on.
        const bool fatal = move || preview || ec == RecordError::undo_going ||
                           ec == RecordError::not_regular || ec == RecordError::is_link ||
                           ec == RecordError::linked_twice;
        if (fatal) {
            return {"cannot use the record " + record.path() + ": " + ec.message(), true};
        }
        report(DiskFailed{"Record", record.path(), ec.message()});
    }
    return {};
}

Sorter::State::OutputStart Sorter::State::start_output(const std::string& input,
                                                       const std::string& output) {
    if (run_output) {
        return {};
    }
    run_output = std::make_unique<RunOutput>(output, input_roots, preview,
                                             [this](const RunEvent& event) { report(event); });
    OutputStart start = open_record(input, output);
    const std::string input_real = real_path(input);
    output_real = real_path(output);
    walk_rules = std::make_unique<WalkRules>(input_real, output_real);
    output_in_walk = !output_real.empty() && !input_real.empty() &&
                     (is_inside(output_real, input_real) || is_inside(input_real, output_real));
    // Copies the run makes in folders it has yet to walk are not sources of this run.
    run_output->writer.track_written(output_in_walk && !preview);
    run_output->writer.set_move(move);
    return start;
}

std::string Sorter::State::real_path_in(const std::string& folder, const std::string& name,
                                        bool is_link) const {
    if (is_link || real_folders.empty() || real_folders.back().empty()) {
        const std::string real = real_path(folder + name);
        return real.empty() ? folder + name : real;
    }
    const std::string& real_folder = real_folders.back();
    return (real_folder == "/" ? "" : real_folder) + "/" + name;
}

void Sorter::State::take_file(const std::string& folder, const ListedFile& file,
                              const std::string& output, const FolderSettings& settings,
                              const TagResult& tags) {
    ++read_count;
    window.set_counter_text(Counter::ReadFile, std::to_string(read_count));
    const std::string source = folder + file.name;
    if (!file.regular) {
        report(FileFailed{read_count, source, "not a regular file", FailedAt::Reading});
        return;
    }
    if (tags.error) {
        report(FileFailed{read_count, source, tags.reason, FailedAt::Reading});
        return;
    }
    std::error_code ec;
    const TargetFolder target = ensure_target_folder(output, settings.names, tags, ec);
    PlacedFile placed{target.path + "/" + file.name, ec, {}};
    if (!ec) {
        const std::string real_source = real_path_in(folder, file.name, file.link);
        placed =
            run_output->writer.copy({source, real_source, file.link}, target.path + "/", file.name);
    }
    if (placed.error) {
        // One file that cannot be placed must not cost the rest of the folder.
        report(FileFailed{read_count, source, placed.error.message(), FailedAt::Placing});
        return;
    }
    report(FilePlaced{
        read_count, target.category, source, placed.target, place_action(placed.action),
        placed.time_error ? placed.time_error.message() : std::string(), placed.source_fate,
        placed.source_error ? placed.source_error.message() : std::string(), placed.bytes_freed});
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
    // Looked at for every folder, so a hand edit of the settings takes effect during a run.
    const FolderSettings settings = s.folder_settings();
    s.library.setCodePage(settings.code_page.c_str());
    s.report_unknown_types(settings.types);

    struct stat info {};
    std::error_code ec;
    if (::stat(folder.c_str(), &info) != 0) {
        ec.assign(errno, std::generic_category());
    }
    const bool root = s.real_folders.empty();
    if (root && !ec) {
        s.add_input_root(folder);
        s.real_folders.push_back(real_path(folder));
        if (const State::OutputStart start = s.start_output(folder, output);
            !start.problem.empty()) {
            if (start.of_record) {
                s.report(DiskFailed{"Record", s.run_output->record.path(), start.problem});
            } else {
                s.report(RunEnded{RunOutcome::NotStarted, start.problem});
            }
            s.real_folders.clear();
            return false;
        }
    }
    FolderListing listing;
    if (!ec) {
        const WalkRules::Decision decision =
            s.walk_rules->enter(folder, s.real_folders.back(), info.st_dev, info.st_ino);
        switch (decision.verdict) {
            case WalkRules::Verdict::walked_already:
                s.report(FolderLeftOut{folder, decision.walked_as});
                return true;
            case WalkRules::Verdict::system_folder:
                s.report(FolderLeftOut{folder, {}});
                return true;
            case WalkRules::Verdict::own_output:
                // An output folder inside the input holds this run's copies, not its sources.
                return true;
            default:
                break;
        }
        listing = list_folder(folder, ec);
    }
    if (ec) {
        s.report(FolderFailed{folder, ec.message()});
        if (root) {
            s.real_folders.clear();
        }
        return false;
    }
    for (const ListedFolder& sub : listing.folders) {
        if (sub.link) {
            s.add_input_root(folder + sub.name);
        }
    }

    std::vector<bool> taken(listing.files.size(), false);
    TagBatch batch{{}, settings.code_page, settings.use_album_artist};
    for (std::size_t i = 0; i < listing.files.size(); ++i) {
        const ListedFile& file = listing.files[i];
        if (s.output_in_walk &&
            s.run_output->writer.wrote(s.real_path_in(folder, file.name, file.link))) {
            continue;
        }
        if (has_accepted_type(file.name, settings.types.accepted)) {
            taken[i] = true;
            // A FIFO or a device must never be opened: its read could block or never end.
            batch.paths.push_back(file.regular ? folder + file.name : std::string());
        } else if (const std::string type = lower_extension(file.name);
                   is_supported_extension(type)) {
            ++s.left_out[type];
        }
    }
    s.read_ahead.start(std::move(batch));
    std::size_t index = 0;
    for (std::size_t i = 0; i < listing.files.size(); ++i) {
        if (CancelState == CancelRequested) {
            if (s.window.ask_cancel()) {
                CancelState = Cancelled;
                break;
            }
            CancelState = Idle;
        }
        s.tell_count();
        s.window.pump_events();
        if (CancelState == Cancelled) {
            // Ended from the window while it handled its events: no question is asked.
            break;
        }
        s.window.set_status(listing.files[i].name);
        if (taken[i]) {
            s.take_file(folder, listing.files[i], output, settings, s.read_ahead.take(index++));
        }
        const TargetWriter& writer = s.run_output->writer;
        if (writer.pending_files() >= kSettleFiles || writer.pending_bytes() >= kSettleBytes) {
            s.settle();
        }
    }

    for (const ListedFolder& sub : listing.folders) {
        s.window.pump_events();
        s.real_folders.push_back(s.real_path_in(folder, sub.name, sub.link));
        SortFolder(folder + sub.name + "/", output);
        s.real_folders.pop_back();
    }
    if (root) {
        s.real_folders.pop_back();
        s.settle();
        s.remove_emptied_folders(folder);
    }
    return true;
}

// A folder the move left with nothing in it at all goes, and then so may its parent; one with
// a cover, a playlist or a hidden file stays, and so does the input folder.
void Sorter::State::remove_emptied_folders(const std::string& input) {
    if (preview) {
        return;
    }
    while (!emptied.empty()) {
        // Deepest first, so a parent is looked at after its children.
        const auto deepest = std::max_element(
            emptied.begin(), emptied.end(),
            [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
        const std::string folder = *deepest;
        emptied.erase(deepest);
        if (folder.size() > input.size() && folder.starts_with(input) &&
            ::rmdir(folder.c_str()) == 0) {
            const std::size_t slash = folder.rfind('/', folder.size() - 2);
            emptied.insert(folder.substr(0, slash + 1));
        }
    }
}

std::string Sorter::start(const std::string& input, const std::string& output) {
    state_->add_input_root(input);
    return state_->start_output(input, output).problem;
}

void Sorter::set_move(bool move) {
    state_->move = move;
}

void Sorter::set_file_count(const FileCount* count) {
    state_->file_count = count;
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
        if (const std::error_code ec = flush_disk(folder)) {
            s.report(DiskFailed{"Flush", folder, ec.message()});
            whole = false;
        }
    }
    PlacementRecord& record = s.run_output->record;
    const bool begun = record.begun();
    const std::error_code ec = record.end(CancelState == Cancelled ? "cancelled" : "complete");
    if (ec && begun) {
        s.report(DiskFailed{"Record", record.path(), ec.message()});
    }
    return whole && !ec;
}

RunSummary Sorter::summary() const {
    RunSummary summary = state_->summary;
    summary.move = state_->move;
    summary.left_out.assign(state_->left_out.begin(), state_->left_out.end());
    return summary;
}

std::size_t Sorter::settings_reads() const {
    return state_->settings.reads();
}

}  // namespace trackfold
