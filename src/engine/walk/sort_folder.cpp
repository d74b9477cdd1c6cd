#include "engine/walk/sort_folder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "engine/events/cancel_state.h"
#include "engine/fsio/disk_space.h"
#include "engine/fsio/file_descriptor.h"
#include "engine/fsio/path_inside.h"
#include "engine/fsio/system_error.h"
#include "engine/naming/disc_number.h"
#include "engine/place/copy_workers.h"
#include "engine/place/move_batch.h"
#include "engine/place/run_output.h"
#include "engine/record/unfinished_moves.h"
#include "engine/settings/folder_settings.h"
#include "engine/walk/album_code_pages.h"
#include "engine/walk/companion_files.h"
#include "engine/walk/companion_rules.h"
#include "engine/walk/folder_listing.h"
#include "engine/walk/folder_tags.h"
#include "engine/walk/ignored_names.h"
#include "engine/walk/layout_target.h"
#include "engine/walk/unchanged_files.h"
#include "engine/walk/walk_rules.h"
#include "tags/audio_formats.h"
#include "util/ini_file.h"
#include "util/real_path.h"
#include "util/text.h"

#include "code_page.h"

namespace fs = std::filesystem;

namespace trackfold {

namespace {

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

// Enough copies in flight to keep the workers busy while the walk looks at the next files, few
// enough that a cancel waits for little.
constexpr std::size_t kMostInFlight = 32;

// Where a file of each category goes.
struct TargetFolder {
    std::string path;
    Counter category = Counter::Unknown;
    std::error_code error{};  // set: the folder could not be made
    std::string file_name{};  // the target's, in the folder
};

}  // namespace

struct Sorter::State {
    State(RunFrontEnd& window, fs::path settings_file, Mp3Library& library, unsigned threads,
          Disk& disk)
        : window(window),
          settings(std::move(settings_file)),
          library(library),
          read_ahead(library, threads),
          disk(disk) {}

    RunFrontEnd& window;
    // Before the run's output, whose writer hands copies to them.
    std::unique_ptr<CopyWorkers> copy_workers;
    // Files whose copy a worker is making, oldest first: told when done, in the walk's order.
    struct InFlight {
        std::size_t number;
        Counter category;
        std::string source;
        FileKind kind = FileKind::Audio;
        std::string code_page{};  // judged for its album, where not the locale's
    };
    std::deque<InFlight> in_flight;
    bool finishing = false;
    RunCounters counters;
    CachedSettings settings;
    Mp3Library& library;
    TagReadAhead read_ahead;
    AlbumCodePages album_code_pages;
    Disk& disk;
    std::string output;  // the output folder, ending in the separator
    // Real paths of the input folder and of every linked folder met in it: nothing in them is
    // ever replaced.
    std::vector<std::string> input_roots;
    std::unique_ptr<RunOutput> run_output;
    std::unique_ptr<MoveBatch> batch;
    std::unique_ptr<UnchangedFiles> unchanged;
    std::unique_ptr<WalkRules> walk_rules;
    std::string output_real;
    bool output_in_walk = false;  // the output lies inside the input, or holds it
    // The real path of each folder the walk is in, from the input folder down.
    std::vector<std::string> real_folders;
    std::set<std::string> reported_types;
    std::map<std::string, std::size_t> left_out;
    std::size_t system_files = 0;
    std::size_t ignored = 0;
    std::size_t read_count = 0;
    bool move = false;
    const FileCount* file_count = nullptr;
    bool count_told = false;
    // The output's disk took no more: the walk takes no further file.
    bool disk_full = false;
    // The record knew no placement into the output when the run began.
    bool first_run = false;
    // The bytes of the sources placed so far, whether copied, renamed or found there.
    std::uintmax_t placed_bytes = 0;
    // Folders that lost a source to the move, to be removed at the end when left empty.
    std::set<std::string> emptied;
    // The target folder of each audio file of the folder in hand, for its companions.
    std::vector<std::string> audio_targets;
    // Set while the folder's last audio file is taken: its companions go once its target is
    // known and before it is placed, so that a move killed between them leaves that file
    // beside them, and the next run takes both.
    struct CompanionTurn {
        const std::string& folder;
        const FolderListing& listing;
        const FolderSettings& settings;
    };
    std::optional<CompanionTurn> companion_turn;
    bool companions_taken = false;  // of the folder in hand, or not to be taken
    UnfinishedMoves unfinished_moves;
    RunSummary summary;
    bool finished = false;
    // The settings of the last folder whose settings could be used: a file that vanishes for a
    // moment, or an edit that names a folder outside the output, leaves the run with these.
    std::optional<FolderSettings> last_good;
    bool told_settings_ignored = false;
    // The tag settings the record last heard of from this run, and their fingerprint.
    std::string tag_settings;
    std::uint64_t tag_fingerprint = kSettingsUnknown;

    FolderSettings folder_settings() {
        FolderSettings now = read_folder_settings(settings.current());
        const std::string problem = folder_settings_problem(now);
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
            now.layout = *parse_layout("").layout;
            last_good = now;
        }
        return *last_good;
    }

    // Every event goes through the move's batch, so none overtakes a file whose source waits,
    // and comes after every file whose copy is still being made.
    void report(RunEvent event, std::optional<PendingRemoval> removal = std::nullopt) {
        finish_in_flight();
        if (batch) {
            batch->add(std::move(event), std::move(removal));
        } else {
            tell(event);
        }
    }

    void tell(const RunEvent& event) {
        const auto* placed = std::get_if<FilePlaced>(&event);
        if (placed != nullptr && placed->source_fate == SourceFate::Removed) {
            emptied.insert(parent_folder(placed->source));
        }
        count_into(summary, event);
        if (count_into(counters, event)) {
            window.set_counters(counters);
        }
        window.report(event);
    }

    // Also while a file's placement waits for an earlier one: then that one's own event comes
    // after, as the walk's order has it.
    void finish_in_flight() {
        if (finishing) {
            return;
        }
        finishing = true;
        while (!in_flight.empty()) {
            finish_oldest();
        }
        finishing = false;
    }
    void finish_oldest() {
        const bool was_finishing = std::exchange(finishing, true);
        const InFlight file = std::move(in_flight.front());
        in_flight.pop_front();
        PlacedFile placed = run_output->writer.finish_oldest();
        tell_placed(file, placed);
        finishing = was_finishing;
    }
    void tell_placed(const InFlight& file, PlacedFile& placed);

    void pump() {
        if (!in_flight.empty() && window.events_due()) {
            finish_in_flight();
        }
        window.pump_events();
    }

    void settle() {
        finish_in_flight();
        if (batch) {
            batch->commit(run_output->writer.written_disks());
        }
    }

    void add_input_root(const std::string& folder) {
        const std::string real = real_path(folder);
        if (!real.empty() &&
            std::find(input_roots.begin(), input_roots.end(), real) == input_roots.end()) {
            input_roots.push_back(real);
        }
    }

    // The record says what the tags of the run's files meant from here on: a later run takes a
    // file as placed without its tags only where they mean the same to it.
    void note_tag_settings(const FolderSettings& now) {
        std::string text = tag_settings_text(now);
        if (text == tag_settings) {
            return;
        }
        // What was decided with the settings before goes to the record before the line.
        settle();
        tag_fingerprint = settings_fingerprint(text);
        run_output->writer.set_tag_settings(tag_fingerprint);
        tag_settings = text;
        RecordLine line;
        line.action = RecordAction::Settings;
        line.target = std::move(text);
        run_output->record.append(std::move(line));
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
    OutputStart open_record(const std::string& input);
    std::string real_path_in(const std::string& folder, const std::string& name,
                             bool is_link) const;

    void tell_count() {
        if (file_count != nullptr && !count_told) {
            if (const auto total = file_count->total()) {
                window.files_counted(*total);
                count_told = true;
                check_room_ahead();
            }
        }
    }
    void check_room_ahead();
    std::optional<SpaceShort> room_short(std::uintmax_t to_copy) const;
    // Whether the walk takes no further file: cancelled, or the disk is full.
    bool stopped() const { return disk_full || CancelState == Cancelled; }

    bool walk(const std::string& folder);
    std::optional<FolderListing> enter(const std::string& folder, const FileTypes& types);
    // How the walk takes each file of a folder.
    struct Chosen {
        std::vector<bool> taken;  // of a type the run takes
        // Unchanged at its recorded target: given to the read-ahead only if it is not there.
        std::vector<std::optional<UnchangedFile>> unchanged;
        std::size_t to_read = 0;  // files given to the read-ahead
    };
    // The files of the folder whose types the run takes, as the read-ahead gets them; the
    // others of a known type are counted as left out.
    Chosen choose_files(const std::string& folder, const FolderListing& listing,
                        const FolderSettings& settings);
    void take_files(const std::string& folder, const FolderListing& listing,
                    const FolderSettings& settings);
    // Counted, and told only by a preview: a run leaves them out quietly.
    void leave_out_names(const std::string& folder, FolderListing& listing,
                         const IgnorePatterns& ignore) {
        for (NameLeftOut& name : take_out_left_out(folder, listing, ignore)) {
            ++(name.by == LeftOutBy::system_file ? system_files : ignored);
            if (!disk.keeps_record()) {
                report(std::move(name));
            }
        }
    }
    // Whether the walk goes on after the window has had its turn.
    bool keep_going();
    void count_read();
    // Placed at once, or handed to the copy workers and told in walk order later.
    void start_placing(InFlight flight, const SourcePath& source, const std::string& folder,
                       const std::string& name);
    void take_file(const std::string& folder, const ListedFile& file,
                   const FolderSettings& settings, TagResult tags, int disc);
    // Whether the file was at its recorded target, and reported as placed there.
    bool take_unchanged(const std::string& folder, const ListedFile& file,
                        UnchangedFile& unchanged_file);
    TargetFolder ensure_target_folder(const FolderSettings& settings, const TagResult& tags,
                                      int disc, const std::string& name);
    // Once the target of all the folder's audio is known: its companions go where the audio
    // went. False when the run stopped before they were all taken.
    bool take_companions(const std::string& folder, const FolderListing& listing,
                         const FolderSettings& settings);
    void place_companion(const std::string& folder, const CompanionFile& companion,
                         const std::string& target);
    void remove_emptied_folders(const std::string& input);
};

TargetFolder Sorter::State::ensure_target_folder(const FolderSettings& settings,
                                                 const TagResult& tags, int disc,
                                                 const std::string& name) {
    const LayoutFile file = layout_file(tags, settings.names, disc, name);
    const LayoutPath path = expand_layout(settings.layout, file.values);
    const FolderPath found = ensure_layout_folders(run_output->folders, output, path);
    if (found.error || path.file_stem.empty()) {
        return {found.path, file.category, found.error, name};
    }
    const std::size_t name_max = run_output->folders.folder(found.path + "/").traits.name_max;
    return {found.path, file.category, {}, layout_file_name(path, name, name_max)};
}

Sorter::State::OutputStart Sorter::State::open_record(const std::string& input) {
    PlacementRecord& record = run_output->record;
    // The record lives in the output folder, so that folder comes first.
    std::error_code ec = run_output->folders.ensure(output);
    // Before the record is touched, so that a run that cannot place the files changes nothing.
    if (!ec && run_output->folders.disk_traits(output).refuses_non_ascii) {
        return {ascii_only_problem(output)};
    }
    if (!ec) {
        ec = record.open(
            disk.keeps_record() ? RecordUse::run : RecordUse::preview, RecordTrust::checked,
            [this](const RecordLine& line, std::uint64_t) { unfinished_moves.add(line); });
    }
    if (!ec && record.read_error()) {
        report(DiskFailed{"Record", record.path(),
                          "cannot be read whole (" + record.read_error().message() +
                              "): nothing is replaced on its word"});
    }
    first_run = !ec && record.index().size() == 0;
    if (!ec && disk.keeps_record()) {
        ec = record.begin(RecordAction::Start, real_path(input));
    }
    if (ec) {
        // A move without its record could not be undone, a preview without it could not tell
        // what the run would replace, and a record that is no file of ours or is held by an
        // undo stops every run; a copy loses nothing by a record it cannot write (on fusefat
        // one process at a time may have it open), so it says so and goes on.
        const bool fatal = move || !disk.keeps_record() || ec == RecordError::undo_going ||
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
                                                       const std::string& output_folder) {
    if (run_output) {
        return {};
    }
    output = output_folder;
    run_output = std::make_unique<RunOutput>(output, input_roots, disk,
                                             [this](const RunEvent& event) { report(event); });
    OutputStart start = open_record(input);
    if (disk.copies_in_parallel()) {
        copy_workers = std::make_unique<CopyWorkers>(CopyWorkers::default_threads());
        run_output->writer.use_workers(copy_workers.get(), [this] { finish_in_flight(); });
    }
    const std::string input_real = real_path(input);
    output_real = real_path(output);
    walk_rules = std::make_unique<WalkRules>(input_real, output_real);
    output_in_walk = !output_real.empty() && !input_real.empty() &&
                     (is_inside(output_real, input_real) || is_inside(input_real, output_real));
    // Copies the run makes in folders it has yet to walk are not sources of this run.
    run_output->writer.track_written(output_in_walk);
    run_output->writer.set_move(move);
    batch = std::make_unique<MoveBatch>(run_output->record,
                                        [this](const RunEvent& event) { tell(event); });
    unchanged = std::make_unique<UnchangedFiles>(
        run_output->record, run_output->folders, output,
        move ? UnchangedFiles::Kind::move : UnchangedFiles::Kind::copy);
    return start;
}

std::string Sorter::State::real_path_in(const std::string& folder, const std::string& name,
                                        bool is_link) const {
    if (is_link || real_folders.empty() || real_folders.back().empty()) {
        const std::string real = real_path(folder + name);
        return real.empty() ? folder + name : real;
    }
    return join_path(real_folders.back(), name);
}

void Sorter::State::count_read() {
    ++read_count;
    counters[Counter::ReadFile] = read_count;
    window.set_counters(counters);
}

bool Sorter::State::take_unchanged(const std::string& folder, const ListedFile& file,
                                   UnchangedFile& unchanged_file) {
    const std::optional<FoundThere> there = unchanged->at_turn(unchanged_file, file.name);
    if (!there) {
        return false;
    }
    count_read();
    placed_bytes += static_cast<std::uintmax_t>(unchanged_file.source.size);
    audio_targets.push_back(parent_folder(there->target));
    // Just what the writer reports of a source it finds at its target, placed by an earlier run.
    report(FilePlaced{read_count,
                      there->category,
                      folder + file.name,
                      there->target,
                      PlaceAction::AlreadyThere,
                      {},
                      SourceFate::Kept,
                      {},
                      0});
    return true;
}

void Sorter::State::take_file(const std::string& folder, const ListedFile& file,
                              const FolderSettings& settings, TagResult tags, int disc) {
    count_read();
    const std::string source = folder + file.name;
    if (!file.regular) {
        report(FileFailed{read_count, source, "not a regular file", FailedAt::Reading});
        return;
    }
    if (tags.error) {
        report(FileFailed{read_count, source, tags.reason, FailedAt::Reading});
        return;
    }
    const TargetFolder target = ensure_target_folder(settings, tags, disc, file.name);
    InFlight flight{read_count, target.category, source, FileKind::Audio, tags.code_page};
    if (target.error) {
        PlacedFile failed{target.path + "/" + target.file_name, target.error, {}};
        tell_placed(flight, failed);
        return;
    }
    audio_targets.push_back(target.path + "/");
    if (companion_turn && !take_companions(companion_turn->folder, companion_turn->listing,
                                           companion_turn->settings)) {
        return;  // stopped: the file stays as it is, beside its companions
    }
    const std::string real_source = real_path_in(folder, file.name, file.link);
    start_placing(std::move(flight),
                  {source, real_source, file.link, tags.opened ? &*tags.opened : nullptr},
                  target.path + "/", target.file_name);
}

void Sorter::State::start_placing(InFlight flight, const SourcePath& source,
                                  const std::string& folder, const std::string& name) {
    std::optional<PlacedFile> placed = run_output->writer.start(source, folder, name);
    if (placed) {
        tell_placed(flight, *placed);
        return;
    }
    in_flight.push_back(std::move(flight));
    if (in_flight.size() > kMostInFlight) {
        finish_oldest();
    }
}

void Sorter::State::tell_placed(const InFlight& file, PlacedFile& placed) {
    if (is_disk_full(placed.error)) {
        // Every file after it would fail alike; it and they are what the last line says is
        // still to copy. Its source is untouched, and the copy left nothing behind.
        disk_full = true;
        return;
    }
    placed_bytes += placed.source_size;
    if (placed.error) {
        // One file that cannot be placed must not cost the rest of the folder.
        report(FileFailed{file.number, file.source, placed.error.message(), FailedAt::Placing});
        return;
    }
    report(FilePlaced{file.number, file.category, file.source, placed.target,
                      place_action(placed.action),
                      placed.time_error ? placed.time_error.message() : std::string(),
                      placed.source_fate,
                      placed.source_error ? placed.source_error.message() : std::string(),
                      placed.bytes_freed, file.kind, file.code_page},
           std::move(placed.removal));
}

Sorter::Sorter(RunFrontEnd& window, fs::path settings_file, Mp3Library& library,
               unsigned read_ahead_threads, Disk& disk)
    : state_(new State(window, std::move(settings_file), library, read_ahead_threads, disk)) {}

Sorter::~Sorter() {
    if (state_->run_output && !state_->finished) {
        // Ended without finish(): the record still says when the run ended.
        state_->run_output->record.end(state_->stopped() ? "cancelled" : "complete");
    }
}

bool Sorter::SortFolder(const std::string& folder, const std::string& output) {
    State& s = *state_;
    if (s.stopped()) {
        return false;
    }
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        s.report(FolderFailed{folder, std::error_code(errno, std::generic_category()).message()});
        return false;
    }
    s.add_input_root(folder);
    if (const State::OutputStart start = s.start_output(folder, output); !start.problem.empty()) {
        if (start.of_record) {
            s.report(DiskFailed{"Record", s.run_output->record.path(), start.problem});
        } else {
            s.report(RunEnded{RunOutcome::NotStarted, start.problem});
        }
        return false;
    }
    s.real_folders.push_back(real_path(folder));
    const bool whole = s.walk(folder);
    s.real_folders.pop_back();
    s.settle();
    s.remove_emptied_folders(folder);
    return whole;
}

std::optional<FolderListing> Sorter::State::enter(const std::string& folder,
                                                  const FileTypes& types) {
    // Judged by the folder it lists. One that cannot be opened is still judged by its name,
    // so that an unreadable system folder is left out, not failed.
    const FileDescriptor dir = open_folder(folder);
    std::error_code ec = dir.get() < 0 ? last_error() : std::error_code();
    struct stat info {};
    if ((dir.get() >= 0 ? ::fstat(dir.get(), &info) : ::stat(folder.c_str(), &info)) != 0) {
        ec = last_error();
    } else {
        const WalkRules::Decision decision =
            walk_rules->enter(folder, real_folders.back(), info.st_dev, info.st_ino);
        switch (decision.verdict) {
            case WalkRules::Verdict::walked_already:
                report(FolderLeftOut{folder, decision.walked_as});
                return std::nullopt;
            case WalkRules::Verdict::system_folder:
                report(FolderLeftOut{folder, {}});
                return std::nullopt;
            case WalkRules::Verdict::own_output:
                // An output folder inside the input holds this run's copies, not its sources.
                return std::nullopt;
            default:
                break;
        }
    }
    FolderListing listing;
    if (!ec) {
        listing = list_open_folder(dir.get());
        ec = listing.error;
    }
    if (ec) {
        // A listing that broke off is not taken in part: what it saw is told as not taken.
        const auto seen = std::count_if(
            listing.files.begin(), listing.files.end(),
            [&](const ListedFile& file) { return has_accepted_type(file.name, types.accepted); });
        report(FolderFailed{folder, ec.message(), static_cast<std::size_t>(seen)});
        return std::nullopt;
    }
    for (const ListedFolder& sub : listing.folders) {
        if (sub.link) {
            add_input_root(folder + sub.name);
        }
    }
    return listing;
}

bool Sorter::State::walk(const std::string& folder) {
    if (stopped()) {
        return false;
    }
    // Looked at for every folder, so a hand edit of the settings takes effect during a run.
    const FolderSettings settings = folder_settings();
    note_tag_settings(settings);
    library.setCodePage(settings.code_page.c_str());
    report_unknown_types(settings.types);
    std::optional<FolderListing> listing = enter(folder, settings.types);
    if (!listing) {
        return true;
    }
    leave_out_names(folder, *listing, settings.ignore);
    take_files(folder, *listing, settings);
    for (const ListedFolder& sub : listing->folders) {
        pump();
        real_folders.push_back(real_path_in(folder, sub.name, sub.link));
        walk(folder + sub.name + "/");
        real_folders.pop_back();
    }
    return true;
}

Sorter::State::Chosen Sorter::State::choose_files(const std::string& folder,
                                                  const FolderListing& listing,
                                                  const FolderSettings& settings) {
    Chosen chosen{std::vector<bool>(listing.files.size(), false),
                  std::vector<std::optional<UnchangedFile>>(listing.files.size())};
    std::vector<bool>& taken = chosen.taken;
    TagBatch tag_batch{
        {},
        settings.code_page,
        settings.use_album_artist,
        disk.keeps_record() && !move ? SourceRead::tags_then_copy : SourceRead::tags_only};
    unchanged->enter(folder, tag_fingerprint);
    const bool real_folder_known = !real_folders.empty() && !real_folders.back().empty();
    for (std::size_t i = 0; i < listing.files.size(); ++i) {
        const ListedFile& file = listing.files[i];
        if (output_in_walk &&
            run_output->writer.wrote(real_path_in(folder, file.name, file.link))) {
            continue;
        }
        if (has_accepted_type(file.name, settings.types.accepted)) {
            taken[i] = true;
            if (file.regular && !file.link && real_folder_known) {
                chosen.unchanged[i] = unchanged->before_tags(
                    file.name, join_path(real_folders.back(), file.name), settings.names);
            }
            if (!chosen.unchanged[i]) {
                // A FIFO or a device must never be opened: its read could block or never end.
                tag_batch.paths.push_back(file.regular ? folder + file.name : std::string());
            }
        } else if (const std::string type = lower_extension(file.name);
                   is_supported_extension(type)) {
            ++left_out[type];
        }
    }
    unchanged->leave();
    chosen.to_read = tag_batch.paths.size();
    read_ahead.start(std::move(tag_batch));
    return chosen;
}

bool Sorter::State::keep_going() {
    // The record's lines are the output's too: a move must not go on without them.
    disk_full = disk_full || is_disk_full(run_output->record.write_error());
    if (disk_full) {
        return false;
    }
    if (CancelState == CancelRequested) {
        if (window.ask_cancel()) {
            CancelState = Cancelled;
            return false;
        }
        CancelState = Idle;
    }
    tell_count();
    pump();
    // Ended from the window while it handled its events: no question is asked.
    return !stopped();
}

void Sorter::State::take_files(const std::string& folder, const FolderListing& listing,
                               const FolderSettings& settings) {
    if (output_in_walk) {
        // What is still being written could be among this folder's files.
        finish_in_flight();
    }
    Chosen chosen = choose_files(folder, listing, settings);
    FolderTags folder_tags(read_ahead, chosen.to_read);
    const bool judging = is_auto_code_page(settings.code_page);
    if (judging) {
        album_code_pages.enter_folder();
        folder_tags.preload(read_and_judge(read_ahead, chosen.to_read, album_code_pages,
                                           [this] { return keep_going(); }));
    }
    const int folder_disc = disc_of_folder_name(last_name(folder.substr(0, folder.size() - 1)));
    audio_targets.clear();
    companions_taken = !settings.companions;
    const auto last = std::find(chosen.taken.rbegin(), chosen.taken.rend(), true);
    const std::size_t last_taken = static_cast<std::size_t>(chosen.taken.rend() - last) - 1;
    std::size_t i = 0;
    for (; i < listing.files.size() && keep_going(); ++i) {
        const ListedFile& file = listing.files[i];
        window.set_status(file.name);
        std::optional<UnchangedFile>& unchanged_file = chosen.unchanged[i];
        if (chosen.taken[i] && !(unchanged_file && take_unchanged(folder, file, *unchanged_file))) {
            // A file whose target is not as the record said after all has its tags read now,
            // here, where the walk has set the folder's code page.
            if (i == last_taken && !companions_taken) {
                companion_turn.emplace(CompanionTurn{folder, listing, settings});
            }
            TagResult tags = unchanged_file ? read_tag_result(folder + file.name, library,
                                                              settings.use_album_artist)
                                            : folder_tags.take();
            if (judging && unchanged_file) {
                album_code_pages.apply(tags);
            }
            const int disc =
                settings.disc_folders ? folder_tags.disc_folder_of(tags, folder_disc) : 0;
            take_file(folder, file, settings, std::move(tags), disc);
            companion_turn.reset();
        }
        if (batch->full()) {
            settle();
        }
    }
    if (i == listing.files.size() && !companions_taken) {
        take_companions(folder, listing, settings);
    }
}

bool Sorter::State::take_companions(const std::string& folder, const FolderListing& listing,
                                    const FolderSettings& settings) {
    companions_taken = true;
    std::vector<std::string> targets = audio_targets;
    // What the record says can only send them to a folder inside the output: a record that
    // others may write (on FAT and exFAT every record) is read here all the same.
    if (!real_folders.back().empty()) {
        for (const std::string& target : unfinished_moves.targets_from(real_folders.back())) {
            targets.push_back(output + target);
        }
    }
    const CompanionPlan plan = plan_companions(targets);
    if (plan.verdict == CompanionPlan::Verdict::none) {
        return true;
    }
    const std::vector<CompanionFile> files =
        companion_files(folder, listing, settings.types.accepted);
    if (files.empty()) {
        return true;
    }
    if (plan.verdict == CompanionPlan::Verdict::stay) {
        report(CompanionsKept{folder, files.size(), plan.albums});
        return true;
    }
    if (audio_targets.empty()) {
        // Its audio went there in a move that did not finish: the folder may be gone since.
        if (const std::error_code ec =
                run_output->folders.ensure(plan.folder.substr(0, plan.folder.size() - 1))) {
            report(FolderFailed{plan.folder, ec.message()});
            return true;
        }
    }
    for (const CompanionFile& companion : files) {
        if (!keep_going()) {
            return false;
        }
        place_companion(folder, companion, plan.folder);
        if (batch->full()) {
            settle();
        }
    }
    return true;
}

// Through the very way an audio file goes: the same names, record lines, move and undo.
void Sorter::State::place_companion(const std::string& folder, const CompanionFile& companion,
                                    const std::string& target) {
    const std::string source = folder + companion.below + companion.file.name;
    const std::string real_source =
        real_path_in(folder, companion.below + companion.file.name, companion.file.link);
    // A companion folder that is the output, or lies in it, holds copies, not sources.
    if (!output_real.empty() && is_inside(real_source, output_real) &&
        !is_inside(real_folders.back(), output_real)) {
        return;
    }
    if (output_in_walk && run_output->writer.wrote(real_source)) {
        return;
    }
    InFlight flight{read_count, Counter::Unknown, source, FileKind::Companion};
    FolderPath place{target};
    for (const std::string_view part : split_at(companion.below, '/')) {
        if (!part.empty() && !place.error) {
            place = run_output->folders.ensure_child(place.path, std::string(part));
            place.path += "/";
        }
    }
    if (place.error) {
        PlacedFile failed{place.path + companion.file.name, place.error, {}};
        tell_placed(flight, failed);
        return;
    }
    start_placing(std::move(flight), {source, real_source, companion.file.link}, place.path,
                  companion.file.name);
}

// A folder the move left with nothing in it at all goes, and then so may its parent; one with
// a cover, a playlist or a hidden file stays, and so does the input folder.
void Sorter::State::remove_emptied_folders(const std::string& input) {
    while (!emptied.empty()) {
        // Deepest first, so a parent is looked at after its children.
        const auto deepest = std::max_element(
            emptied.begin(), emptied.end(),
            [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
        const std::string folder = *deepest;
        emptied.erase(deepest);
        if (folder.size() > input.size() && is_inside(folder, input) &&
            disk.remove_empty_folder(folder)) {
            emptied.insert(parent_folder(folder));
        }
    }
}

std::string Sorter::start(const std::string& input, const std::string& output) {
    state_->add_input_root(input);
    return state_->start_output(input, output).problem;
}

std::optional<SpaceShort> Sorter::State::room_short(std::uintmax_t to_copy) const {
    const std::optional<DiskSpace> space = disk_space(output);
    if (!space || to_copy <= space->free_bytes) {
        return std::nullopt;
    }
    return SpaceShort{output, space->free_bytes, to_copy};
}

// A first run into the output copies every file it takes, as the count tells them; a later
// one finds most of them there already, which only its walk can tell, so there the preview
// says it instead, from the copies it planned.
void Sorter::State::check_room_ahead() {
    if (!disk.keeps_record() || !first_run) {
        return;
    }
    if (const std::optional<CountedBytes> bytes = file_count->bytes()) {
        const std::uintmax_t taken = move ? bytes->other_disks : bytes->all;
        if (const auto short_of = room_short(taken - std::min(taken, placed_bytes))) {
            // Told now, ahead of the files a move still holds back: it is about none of them.
            tell(*short_of);
        }
    }
}

void Sorter::set_move(bool move) {
    state_->move = move;
}

CountedSizes Sorter::sizes_to_count() const {
    return state_->first_run && state_->disk.keeps_record() ? CountedSizes::all
                                                            : CountedSizes::none;
}

void Sorter::set_file_count(const FileCount* count) {
    state_->file_count = count;
}

bool Sorter::finish() {
    State& s = *state_;
    if (s.finished || !s.run_output) {
        s.finished = true;
        return true;
    }
    s.finished = true;
    s.finish_in_flight();
    if (!s.disk.keeps_record()) {
        if (auto short_of = s.room_short(s.run_output->writer.copied_bytes())) {
            s.report(std::move(*short_of));
        }
    }
    bool whole = true;
    // Until the disks hold them, copies that the log calls placed could still be lost.
    for (const auto& [device, folder] : s.run_output->writer.written_disks()) {
        if (const std::error_code ec = s.disk.flush(folder)) {
            s.report(DiskFailed{"Flush", folder, ec.message()});
            whole = false;
        }
    }
    PlacementRecord& record = s.run_output->record;
    const bool begun = record.begun();
    // A full disk ended it early, as a cancel would have.
    const std::error_code ec = record.end(s.stopped() ? "cancelled" : "complete");
    if (ec && begun) {
        s.report(DiskFailed{"Record", record.path(), ec.message()});
    }
    return whole && !ec;
}

std::optional<DiskFullStop> Sorter::disk_full() const {
    const State& s = *state_;
    if (!s.disk_full) {
        return std::nullopt;
    }
    DiskFullStop stop;
    if (const std::optional<DiskSpace> space = disk_space(s.output)) {
        stop.free_bytes = space->free_bytes;
    }
    if (const auto bytes = s.file_count != nullptr ? s.file_count->bytes() : std::nullopt) {
        stop.still_to_copy = bytes->all - std::min(bytes->all, s.placed_bytes);
    }
    return stop;
}

RunSummary Sorter::summary() const {
    RunSummary summary = state_->summary;
    summary.move = state_->move;
    summary.left_out.assign(state_->left_out.begin(), state_->left_out.end());
    summary.system_files = state_->system_files;
    summary.ignored = state_->ignored;
    return summary;
}

std::size_t Sorter::settings_reads() const {
    return state_->settings.reads();
}

}  // namespace trackfold
