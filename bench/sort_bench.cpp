#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "child_process.h"
#include "collection.h"
#include "contenders.h"
#include "engine/record/placement_record.h"
#include "engine/record/record_line.h"
#include "fresh_image.h"
#include "machine_info.h"
#include "read_only_stream.h"
#include "support/audio_fixture.h"
#include "support/mp3_fixture.h"
#include "system_calls.h"
#include "tags/tag_reader.h"
#include "workspace.h"

namespace fs = std::filesystem;

namespace trackfold::bench {

namespace {

constexpr const char* kUsage =
    R"(usage: sort_bench [--files N] [--kb K] [--rounds R]
                  [--tags-only | --types | --worst | --window-only]
                  [--dir DIR | --fresh-image] [--keep]

Prints the machine (processor, cores online, memory, kernel) and the disk the benchmark runs
on (file system, device, whether it spins), then makes a synthetic MP3 collection of N files
(default 20000) of about K KB each (default 50) in a new folder under DIR (default: the system
temp folder) and times, R rounds each (default 5), alternating:
  (a) a full sort through the engine with a window that draws nothing;
  (b) the same through the real main window on Qt's offscreen platform;
  (c) cp -r --preserve=timestamps of the same tree, then sync -f of its disk, the floor for
      copying: the engine too flushes the disk it copied to before its run ends;
  (d) a second sort into the output of (a), with nothing changed;
  (e) as (a) and (f) as (c), each from a cold page cache (after sync and dropping the cache,
      which needs root) and timed until sync returns.
It prints each one's peak memory and (b)'s time per file over the first and the last tenth of
the files. Then, when strace is on PATH, it counts the system calls per placed file of
trackfold-cli (strace -f -c) on a collection made the same way of at most 2000 files: a first
run into a new output and an unchanged re-run into the same output. Last, the targets, each
met or MISSED.
--fresh-image (root only) runs on an ext4 image made in /dev/shm for this benchmark, sized for
the files it writes, loop-mounted and removed at the end: a disk in memory on which nothing
has been removed yet.
--tags-only times reading the tags of every file instead, without copying.
--types times reading the tags of N/10 files of each type (MP3, FLAC, Ogg Vorbis, Opus, M4A,
WMA, WAV), tags only, the files as small as each format allows.
--worst times reading the tags of the costliest files known, each 2 GB and sparse (zeros, or
a tag header declaring the largest tag over zeros), against reading the whole file with cat
(cp skips the holes of a sparse file, so it would read nothing).
--window-only times (b) alone, for large counts.
--keep leaves the folder in place; otherwise it is removed at the end. A fresh image always
goes, so --fresh-image takes neither --keep nor --dir.
)";

constexpr std::uintmax_t kTagBytes = 2000;
// System calls are counted on a collection of at most this many files: strace slows every
// call down.
constexpr std::size_t kCountedFiles = 2000;

struct Options {
    std::size_t files = 20000;
    std::size_t kb = 50;
    int rounds = 5;
    bool tags_only = false;
    bool types = false;
    bool worst = false;
    bool window_only = false;
    bool keep = false;
    bool fresh_image = false;
    std::optional<fs::path> dir;  // none: the system temp folder, or the fresh image
};

std::size_t positive_number(const std::string& flag, const std::string& text) {
    std::size_t used = 0;
    unsigned long value = 0;
    try {
        value = std::stoul(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || value == 0) {
        throw std::invalid_argument(flag + " needs a positive number, not \"" + text + "\"");
    }
    return value;
}

Options parse_options(const std::vector<std::string>& arguments) {
    Options options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& flag = arguments[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 == arguments.size()) {
                throw std::invalid_argument(flag + " needs a value");
            }
            return arguments[++i];
        };
        if (flag == "--files") {
            options.files = positive_number(flag, value());
        } else if (flag == "--kb") {
            options.kb = positive_number(flag, value());
        } else if (flag == "--rounds") {
            options.rounds = static_cast<int>(positive_number(flag, value()));
        } else if (flag == "--dir") {
            options.dir = value();
        } else if (flag == "--tags-only") {
            options.tags_only = true;
        } else if (flag == "--window-only") {
            options.window_only = true;
        } else if (flag == "--types") {
            options.types = true;
        } else if (flag == "--worst") {
            options.worst = true;
        } else if (flag == "--keep") {
            options.keep = true;
        } else if (flag == "--fresh-image") {
            options.fresh_image = true;
        } else {
            throw std::invalid_argument("unknown option " + flag + "\n\n" + kUsage);
        }
    }
    if (options.fresh_image && (options.dir || options.keep)) {
        throw std::invalid_argument(
            "--fresh-image is the disk, and goes at the end: it takes "
            "neither --dir nor --keep");
    }
    return options;
}

std::string folder_text(const fs::path& folder) {
    return folder.string() + "/";
}

void write_settings(const fs::path& file, const fs::path& input, const fs::path& output) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << "[SYSTEM]\nInputFolder=" << input.string() << "\nOutputFolder=" << output.string()
        << "\nAlbumFolder=Albums\nArtistFolder=Artists\nUnknowFolder=Unknown\n";
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

struct FileTally {
    std::size_t mp3 = 0;
    std::size_t other = 0;
};

// The copies below root; a sort's placement record is not one.
FileTally count_files(const fs::path& root) {
    FileTally files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file() && entry.path().filename() != kRecordFileName) {
            std::string extension = entry.path().extension().string();
            std::transform(extension.begin(), extension.end(), extension.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            ++(extension == ".mp3" ? files.mp3 : files.other);
        }
    }
    return files;
}

// A run's copies would otherwise stay in memory: the page cache would grow round by round into
// memory the virtual machine's host has taken back, and each later contender would pay the
// host for pages the earlier ones did not. Written out first, they can be dropped.
void evict_from_page_cache(const fs::path& root) {
    ::sync();
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
        }
    }
}

// The input must be in the page cache for every contender alike; should the kernel have let
// some of it go, reading it again brings it back before the clock starts.
void warm_page_cache(const fs::path& root) {
    std::vector<char> buffer(1 << 20);
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            while (::read(fd, buffer.data(), buffer.size()) > 0) {
            }
            ::close(fd);
        }
    }
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double mebibytes(long kibibytes) {
    return static_cast<double>(kibibytes) / 1024.0;
}

double megabytes(std::uintmax_t bytes) {
    return static_cast<double>(bytes) / 1e6;
}

struct Tally {
    const char* label;
    std::vector<double> seconds;
    long peak_rss_kb = 0;
    std::vector<double> first_tenth{};  // seconds per file, through the window only
    std::vector<double> last_tenth{};

    void add(double run_seconds, long rss_kb) {
        seconds.push_back(run_seconds);
        peak_rss_kb = std::max(peak_rss_kb, rss_kb);
    }
};

void print_collection(const Collection& collection, const fs::path& where, double seconds) {
    std::printf(
        "collection: %zu MP3 files (%zu unreadable) + %zu other files in %zu folders, "
        "%.1f MB (MP3 %.1f MB)\n",
        collection.mp3_files, collection.broken_files, collection.other_files, collection.folders,
        megabytes(collection.all_bytes), megabytes(collection.mp3_bytes));
    std::printf("  mix:");
    const char* separator = " ";
    for (const auto& [kind, count] : collection.mix) {
        std::printf("%s%s %zu", separator, kind.c_str(), count);
        separator = ", ";
    }
    std::printf("\n  made in %.1f s under %s\n", seconds, where.c_str());
}

void print_rounds(const Tally& tally) {
    std::printf("  %-40s", tally.label);
    for (double seconds : tally.seconds) {
        std::printf(" %8.3f", seconds);
    }
    std::printf("\n");
}

void print_verdict(const char* target, double value, bool met) {
    std::printf("  %-46s %10.2f  %s\n", target, value, met ? "met" : "MISSED");
}

int run_tags_only(const Options& options, const std::string& self, const fs::path& input,
                  const Collection& collection) {
    Tally tally{"tags only (ReadTag, no copy)", {}, 0};
    for (int round = 0; round < options.rounds; ++round) {
        warm_page_cache(input);
        const ChildRun run = run_child(
            {self, kContenderFlag, "tags", input.string(), std::to_string(collection.mp3_files)});
        const ContenderResult result = parse_contender_output(run.output);
        if (result.error_lines != collection.broken_files) {
            throw std::runtime_error("the reader failed on " + std::to_string(result.error_lines) +
                                     " files, not " + std::to_string(collection.broken_files));
        }
        tally.add(result.seconds, run.peak_rss_kb);
    }
    const double seconds = median(tally.seconds);
    const double rate = static_cast<double>(collection.mp3_files) / seconds;
    std::printf(
        "\npage cache: warm (input read through before each round); median of %d rounds\n\n",
        options.rounds);
    std::printf("%-34s %9s %10s %9s %12s\n", "", "seconds", "files/s", "MB/s", "peak RSS");
    std::printf("%-34s %9.3f %10.0f %9.1f %8.1f MiB\n", tally.label, seconds, rate,
                megabytes(collection.mp3_bytes) / seconds, mebibytes(tally.peak_rss_kb));
    std::printf("\nrounds (s):\n");
    print_rounds(tally);
    std::printf("\ntarget:\n");
    print_verdict("tags only >= 20000 files/s", rate, rate >= 20000);
    return 0;
}

// ReadTag over files of one type, one round to warm the page cache, then the median of R.
int run_types(const Options& options, const fs::path& root) {
    using test::AudioType;
    const std::size_t count = std::max<std::size_t>(options.files / 10, 1);
    const struct {
        const char* name;
        const char* extension;
        std::optional<AudioType> type;  // none: MP3
    } kinds[] = {{"MP3 (ID3v2.4)", "mp3", std::nullopt},
                 {"FLAC", "flac", AudioType::Flac},
                 {"Ogg Vorbis", "ogg", AudioType::OggVorbis},
                 {"Opus", "opus", AudioType::Opus},
                 {"M4A", "m4a", AudioType::M4a},
                 {"WMA", "wma", AudioType::Wma},
                 {"WAV", "wav", AudioType::Wav}};
    std::printf("\n%zu files of each type, page cache warm; median of %d rounds\n\n", count,
                options.rounds);
    std::printf("%-16s %9s %10s\n", "type", "seconds", "files/s");
    for (const auto& kind : kinds) {
        std::vector<std::string> paths;
        for (std::size_t i = 0; i < count; ++i) {
            const fs::path path =
                root / kind.extension / (std::to_string(i) + "." + kind.extension);
            const std::string artist = "Artist " + std::to_string(i % 97);
            const std::string album = "Album " + std::to_string(i % 89);
            if (kind.type) {
                test::make_audio_file(path, *kind.type, {{artist}, album, "Various"});
            } else {
                test::make_mp3(path, {test::TagKind::Id3v24, artist, album});
            }
            paths.push_back(path.string());
        }
        std::vector<double> rounds;
        for (int round = 0; round <= options.rounds; ++round) {
            const auto start = std::chrono::steady_clock::now();
            std::string artist, album;
            for (const std::string& path : paths) {
                if (ReadTag(path, artist, album) || album.empty()) {
                    throw std::runtime_error("no tags read from " + path);
                }
            }
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            if (round > 0) {
                rounds.push_back(took.count());
            }
        }
        const double seconds = median(rounds);
        std::printf("%-16s %9.3f %10.0f\n", kind.name, seconds,
                    static_cast<double>(count) / seconds);
    }
    return 0;
}

// A 2 GB file that is all holes but its first and last bytes.
fs::path sparse_file(const fs::path& path, const std::string& head, const std::string& tail) {
    constexpr std::uintmax_t kSize = 2'000'000'000;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << head;
        out.seekp(static_cast<std::streamoff>(kSize - tail.size()));
        out << tail;
    }
    fs::resize_file(path, kSize);
    return path;
}

// The files whose tags cost the most to read, each timed (median of R) against cat of the same
// file, which reads every byte: cp skips a sparse file's holes.
int run_worst(const Options& options, const fs::path& root) {
    const std::string zeros;
    const std::string huge_id3v2("ID3\x04\0\0\x7F\x7F\x7F\x7F", 10);
    // An APE footer declaring a tag of 2^31 bytes, with a header, before an ID3v1 tag.
    const std::string huge_ape = std::string("APETAGEX\xD0\x07\0\0", 12) +
                                 std::string("\0\0\0\x80\0\0\0\0\0\0\0\xA0", 12) +
                                 std::string(8, '\0') + "TAG" + std::string(125, '\0');
    const std::string flac_stream = "fLaC" + std::string("\0\0\0\x22", 4) + std::string(34, '\0');
    const struct {
        const char* name;
        std::string head, tail;
    } cases[] = {
        {"zeros.mp3", zeros, zeros},
        {"id3v2-of-256-MB.mp3", huge_id3v2, zeros},
        {"ape-of-2-GB.mp3", zeros, huge_ape},
        {"zeros.flac", zeros, zeros},
        {"streaminfo-then-zeros.flac", flac_stream, zeros},
        {"zeros.m4a", zeros, zeros},
        {"zeros.ogg", zeros, zeros},
        {"zeros.wma", zeros, zeros},
        {"zeros.wav", zeros, zeros},
    };
    std::printf("\n2 GB sparse files; median of %d rounds\n\n", options.rounds);
    std::printf("%-28s %12s %12s %12s %10s\n", "file", "bytes read", "tags (ms)", "cat (ms)",
                "x cat");
    for (const auto& c : cases) {
        const fs::path path = sparse_file(root / c.name, c.head, c.tail);
        std::vector<double> tags, copies;
        std::uint64_t bytes = 0;
        for (int round = 0; round < options.rounds; ++round) {
            const std::uint64_t before = ReadOnlyStream::bytes_read_on_this_thread();
            const auto start = std::chrono::steady_clock::now();
            std::string artist, album;
            ReadTag(path.string(), artist, album);
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            bytes = ReadOnlyStream::bytes_read_on_this_thread() - before;
            tags.push_back(took.count());
            copies.push_back(
                run_child({"sh", "-c", "cat \"$0\" >/dev/null", path.string()}).wall_seconds);
        }
        const double tag_seconds = median(tags), copy_seconds = median(copies);
        std::printf("%-28s %12llu %12.3f %12.1f %10.5f\n", c.name,
                    static_cast<unsigned long long>(bytes), tag_seconds * 1000, copy_seconds * 1000,
                    tag_seconds / copy_seconds);
        fs::remove(path);
    }
    return 0;
}

enum class Contender { Engine, Window, Copy, Again, ColdEngine, ColdCopy };

// Writes out what is dirty and drops the page cache; false when this process may not.
bool drop_page_cache() {
    ::sync();
    std::ofstream control("/proc/sys/vm/drop_caches");
    control << "3\n";
    control.close();
    return static_cast<bool>(control);
}

// Every full run writes into a folder of its own and nothing is removed before the end: ext4
// without a journal skips inodes freed in the last minutes when it makes a file, so a run
// right after a removal pays for the removal too.
class SortBenchmark {
  public:
    SortBenchmark(const Options& options, std::string self, const Workspace& work,
                  const Collection& collection)
        : options_(options),
          self_(std::move(self)),
          work_(work),
          collection_(collection),
          input_(work.path() / "input"),
          placed_(collection.mp3_files - collection.broken_files) {}

    int run() {
        // Untimed: the first contender would otherwise pay alone for the memory that the
        // machine's page cache has never used before.
        const fs::path warm_up = work_.path() / "warm-up";
        run_child({"cp", "-r", "--preserve=timestamps", input_.string(), warm_up.string()});
        evict_from_page_cache(warm_up);
        cold_ = drop_page_cache();
        for (int round = 1; round <= options_.rounds; ++round) {
            std::vector<Contender> order = round % 2 == 1
                                               ? std::vector{Contender::Engine, Contender::Copy,
                                                             Contender::Again, Contender::Window}
                                               : std::vector{Contender::Window, Contender::Copy,
                                                             Contender::Engine, Contender::Again};
            if (options_.window_only) {
                order = {Contender::Window};
            } else if (cold_) {
                order.push_back(round % 2 == 1 ? Contender::ColdEngine : Contender::ColdCopy);
                order.push_back(round % 2 == 1 ? Contender::ColdCopy : Contender::ColdEngine);
            }
            for (Contender contender : order) {
                run_one(contender, round);
            }
        }
        if (!options_.window_only) {
            count_calls();
        }
        report();
        return 0;
    }

  private:
    fs::path output(const char* name, int round) const {
        return work_.path() / (std::string(name) + "-" + std::to_string(round));
    }

    fs::path settings(const char* name, const fs::path& output) const {
        const fs::path file = work_.path() / (std::string(name) + ".ini");
        write_settings(file, input_, output);
        return file;
    }

    std::vector<std::string> engine_arguments(const fs::path& output,
                                              const fs::path& settings) const {
        return {self_,
                kContenderFlag,
                "engine",
                folder_text(input_),
                folder_text(output),
                settings.string(),
                (work_.path() / "engine.txt").string(),
                std::to_string(collection_.mp3_files)};
    }

    // Every readable MP3 once, nothing more: no file lost, none copied twice. Beside them a
    // sort copies the covers and playlists of the albums that stayed whole: from none to all
    // other files of the input.
    static void check_output(const fs::path& output, std::size_t mp3, std::size_t fewest_other,
                             std::size_t most_other, const char* who) {
        const FileTally files = count_files(output);
        if (files.mp3 != mp3 || files.other < fewest_other || files.other > most_other) {
            throw std::runtime_error(
                std::string(who) + " left " + std::to_string(files.mp3) + " MP3 files and " +
                std::to_string(files.other) + " others, not " + std::to_string(mp3) + " and " +
                std::to_string(fewest_other) + " to " + std::to_string(most_other));
        }
    }

    void check_sorted(const fs::path& output, const char* who) const {
        check_output(output, placed_, 0, collection_.other_files, who);
    }

    void check_copied(const fs::path& output, const char* who) const {
        check_output(output, collection_.mp3_files, collection_.other_files,
                     collection_.other_files, who);
    }

    ContenderResult checked(const ChildRun& run, const char* who) const {
        const ContenderResult result = parse_contender_output(run.output);
        if (result.error_lines != collection_.broken_files) {
            throw std::runtime_error(std::string(who) + " logged " +
                                     std::to_string(result.error_lines) + " errors, not " +
                                     std::to_string(collection_.broken_files));
        }
        return result;
    }

    // From a cold page cache until everything written is on the disk.
    double cold_run(const std::vector<std::string>& arguments, long& peak_rss_kb, const char* who) {
        drop_page_cache();
        const auto start = std::chrono::steady_clock::now();
        const ChildRun run = run_child(arguments);
        ::sync();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (arguments.front() == self_) {
            checked(run, who);
        }
        peak_rss_kb = run.peak_rss_kb;
        return took.count();
    }

    void run_cold(bool engine, int round) {
        const fs::path out = output(engine ? "out-cold-engine" : "out-cold-cp", round);
        long peak_rss_kb = 0;
        const double seconds =
            engine ? cold_run(engine_arguments(out, settings("cold", out)), peak_rss_kb, "(e)")
                   : cold_run({"cp", "-r", "--preserve=timestamps", input_.string(), out.string()},
                              peak_rss_kb, "(f)");
        if (engine) {
            check_sorted(out, "(e)");
        } else {
            check_copied(out, "(f)");
        }
        (engine ? cold_engine_ : cold_copy_).add(seconds, peak_rss_kb);
    }

    static void stop_if_asked() {
        if (FreshImage::stop_asked()) {
            throw std::runtime_error("stopped by a signal");
        }
    }

    void run_one(Contender contender, int round) {
        stop_if_asked();
        if (contender == Contender::ColdEngine || contender == Contender::ColdCopy) {
            run_cold(contender == Contender::ColdEngine, round);
            return;
        }
        warm_page_cache(input_);
        // What earlier contenders wrote goes to the disk now, not while this one runs.
        ::sync();
        switch (contender) {
            case Contender::Engine:
            case Contender::Again: {
                const bool again = contender == Contender::Again;
                const char* who = again ? "(d)" : "(a)";
                const fs::path out = output("out-engine", round);
                const ChildRun run = run_child(engine_arguments(out, settings("engine", out)));
                const ContenderResult result = checked(run, who);
                check_sorted(out, who);
                evict_from_page_cache(out);
                (again ? again_ : engine_).add(result.seconds, run.peak_rss_kb);
                return;
            }
            case Contender::Window: {
                const fs::path out = output("out-window", round);
                const ChildRun run =
                    run_child({self_, kContenderFlag, "window", settings("window", out).string(),
                               (work_.path() / "window.txt").string(),
                               std::to_string(collection_.mp3_files)});
                const ContenderResult result = checked(run, "(b)");
                check_sorted(out, "(b)");
                evict_from_page_cache(out);
                window_.add(result.seconds, run.peak_rss_kb);
                window_.first_tenth.push_back(result.first_tenth_per_file);
                window_.last_tenth.push_back(result.last_tenth_per_file);
                return;
            }
            case Contender::Copy: {
                const fs::path out = output("out-cp", round);
                const ChildRun run = run_child(
                    {"sh", "-c", "cp -r --preserve=timestamps \"$0\" \"$1\" && sync -f \"$1\"",
                     input_.string(), out.string()});
                check_copied(out, "(c)");
                evict_from_page_cache(out);
                copy_.add(run.wall_seconds, run.peak_rss_kb);
                return;
            }
            case Contender::ColdEngine:
            case Contender::ColdCopy:
                break;  // run above, without warming the cache
        }
    }

    // A first run and an unchanged re-run through the command line, on a collection made the
    // same way.
    void count_calls() {
        stop_if_asked();
        if (!on_path("strace")) {
            calls_.first.why_not = "strace is not on PATH";
            return;
        }
        if (!fs::exists(TRACKFOLD_CLI)) {
            calls_.first.why_not = std::string("no ") + TRACKFOLD_CLI;
            return;
        }
        const fs::path input = work_.path() / "calls-input";
        const fs::path out = work_.path() / "calls-output";
        const Collection few =
            make_collection(input, std::min(options_.files, kCountedFiles), options_.kb);
        const fs::path settings_file = work_.path() / "calls.ini";
        write_settings(settings_file, input, out);
        const std::vector<std::string> command{TRACKFOLD_CLI, "--settings", settings_file.string(),
                                               input.string(), out.string()};
        calls_.files = few.mp3_files;
        calls_.placed = few.mp3_files - few.broken_files;
        calls_.first = count_system_calls(command, work_.path() / "calls-first.txt");
        if (calls_.first.why_not.empty()) {
            check_output(out, calls_.placed, 0, few.other_files, "trackfold-cli");
            calls_.again = count_system_calls(command, work_.path() / "calls-again.txt");
            check_output(out, calls_.placed, 0, few.other_files, "trackfold-cli, again");
        }
    }

    double per_file(std::uintmax_t calls) const {
        return static_cast<double>(calls) / static_cast<double>(calls_.placed);
    }

    void print_calls(const char* run, const SystemCalls& calls) const {
        std::printf("  %-30s %6.2f per placed file (%ju calls); most per file:\n   ", run,
                    per_file(calls.total), calls.total);
        for (std::size_t i = 0; i < calls.by_call.size() && i < 8; ++i) {
            std::printf(" %s %.2f", calls.by_call[i].first.c_str(),
                        per_file(calls.by_call[i].second));
        }
        std::printf("\n");
    }

    void report_calls() const {
        if (!calls_.first.why_not.empty()) {
            std::printf("\nsystem calls: skipped, %s\n", calls_.first.why_not.c_str());
            return;
        }
        std::printf(
            "\nsystem calls (strace -f -c of trackfold-cli on %zu MP3 files, %zu placed):\n",
            calls_.files, calls_.placed);
        print_calls("first run into a new output", calls_.first);
        print_calls("unchanged re-run", calls_.again);
    }

    void report_call_targets() const {
        if (calls_.first.why_not.empty()) {
            const double first = per_file(calls_.first.total);
            const double again = per_file(calls_.again.total);
            print_verdict("first run <= 12 calls per placed file", first, first <= 12);
            print_verdict("re-run <= 6 calls per file", again, again <= 6);
        }
    }

    void print_row(const Tally& tally, std::size_t files, std::uintmax_t bytes,
                   double copy_seconds) const {
        const double seconds = median(tally.seconds);
        std::printf("%-40s %9.3f %10.0f %9.1f %7.2f %8.1f MiB\n", tally.label, seconds,
                    static_cast<double>(files) / seconds, megabytes(bytes) / seconds,
                    seconds / copy_seconds, mebibytes(tally.peak_rss_kb));
    }

    // Per file over the first and the last tenth of the files, and the peak memory.
    void report_window_scaling() const {
        const double first = median(window_.first_tenth);
        const double last = median(window_.last_tenth);
        const double window_mb = mebibytes(window_.peak_rss_kb) * 1.048576;
        std::printf("\n(b) per file: first tenth %.1f us, last tenth %.1f us; peak RSS %.1f MB\n",
                    first * 1e6, last * 1e6, window_mb);
        print_verdict("(b) last tenth <= 1.2 x first tenth, per file", last / first,
                      last <= first * 1.2);
        print_verdict("(b) peak RSS <= 100 MB (at 100000 files)", window_mb, window_mb <= 100);
    }

    void report() const {
        if (options_.window_only) {
            std::printf("\nwarm; (b) alone, median of %d rounds\n\n", options_.rounds);
            print_rounds(window_);
            report_window_scaling();
            return;
        }
        const double copy_seconds = median(copy_.seconds);
        std::printf(
            "\nwarm: one untimed copy first; the input read through before each contender; each\n"
            "output written out and dropped from the page cache after its run\n"
            "median of %d rounds, order a c d b, then b c a d\n\n",
            options_.rounds);
        std::printf("%-40s %9s %10s %9s %7s %12s\n", "contender", "seconds", "files/s", "MB/s",
                    "x (c)", "peak RSS");
        const std::size_t mp3 = collection_.mp3_files;
        print_row(engine_, mp3, collection_.mp3_bytes, copy_seconds);
        print_row(window_, mp3, collection_.mp3_bytes, copy_seconds);
        print_row(copy_, mp3 + collection_.other_files, collection_.all_bytes, copy_seconds);
        print_row(again_, mp3, collection_.mp3_bytes, copy_seconds);
        if (cold_) {
            print_row(cold_engine_, mp3, collection_.mp3_bytes, copy_seconds);
            print_row(cold_copy_, mp3 + collection_.other_files, collection_.all_bytes,
                      copy_seconds);
        } else {
            std::printf("(e) and (f) left out: dropping the page cache needs root\n");
        }

        std::printf("\nrounds (s):\n");
        for (const Tally* tally :
             {&engine_, &window_, &copy_, &again_, &cold_engine_, &cold_copy_}) {
            if (!tally->seconds.empty()) {
                print_rounds(*tally);
            }
        }

        report_calls();

        const double engine_ratio = median(engine_.seconds) / copy_seconds;
        const double window_ratio = median(window_.seconds) / copy_seconds;
        const double again_ratio = median(again_.seconds) / median(engine_.seconds);
        std::printf("\ntargets:\n");
        print_verdict("(a) <= 0.8 x (c)", engine_ratio, engine_ratio <= 0.8);
        print_verdict("(b) <= 0.85 x (c)", window_ratio, window_ratio <= 0.85);
        print_verdict("(d) <= 0.15 x (a)", again_ratio, again_ratio <= 0.15);
        if (cold_) {
            const double cold_ratio = median(cold_engine_.seconds) / median(cold_copy_.seconds);
            print_verdict("(e) <= 1.0 x (f)", cold_ratio, cold_ratio <= 1.0);
        }
        report_call_targets();
        report_window_scaling();
    }

    const Options& options_;
    std::string self_;
    const Workspace& work_;
    const Collection& collection_;
    fs::path input_;
    std::size_t placed_;
    Tally engine_{"(a) engine, quiet window", {}, 0};
    Tally window_{"(b) main window, offscreen", {}, 0};
    Tally copy_{"(c) cp -r --preserve=timestamps, sync -f", {}, 0};
    Tally again_{"(d) second run, nothing changed", {}, 0};
    Tally cold_engine_{"(e) engine, cold cache, until sync", {}, 0};
    Tally cold_copy_{"(f) cp, cold cache, until sync", {}, 0};
    bool cold_ = false;
    struct {
        SystemCalls first;
        SystemCalls again;
        std::size_t files = 0;
        std::size_t placed = 0;
    } calls_;
};

// What a benchmark writes: the input, a warm-up copy, a copy from every full run of every
// round and, for the system calls, a smaller collection and its output. The worst-case files
// are sparse: they take no room.
struct Footprint {
    std::uintmax_t files;
    std::uintmax_t bytes;
};

Footprint footprint(const Options& options) {
    const std::uintmax_t runs = options.window_only ? 1 : 5;
    const std::uintmax_t copies = options.worst       ? 0
                                  : options.tags_only ? 1
                                                      : 2 + runs * options.rounds;
    const bool counted =
        !(options.worst || options.tags_only || options.types || options.window_only);
    const std::uintmax_t files =
        copies * options.files + (counted ? 2 * std::min(options.files, kCountedFiles) : 0);
    // A file takes half a block more than its bytes on average; its folders and the other files
    // about a KiB more.
    return {files, files * (options.kb * 1000 + kTagBytes + 3072)};
}

void check_room(const fs::path& dir, std::uintmax_t needed) {
    const std::uintmax_t free = fs::space(dir).available;
    if (free < needed + needed / 10) {
        throw std::runtime_error("the benchmark needs about " + std::to_string(needed >> 30) +
                                 " GiB under " + dir.string() + ", which has " +
                                 std::to_string(free >> 30) + " GiB free");
    }
}

// Room for the files with the margin check_room asks for, and for the file system's own
// blocks: inode tables (an inode for every file and folder), the journal and the bitmaps.
// Beyond that the room a user's disk mostly has: on a disk near full the record writes each
// line at once, which would be timed here instead of the usual case.
std::unique_ptr<FreshImage> make_image(const Footprint& needs) {
    const std::uintmax_t inodes = needs.files + needs.files / 4 + 4096;
    return std::make_unique<FreshImage>(
        needs.bytes + needs.bytes / 10 + needs.bytes / 50 + inodes * 256 + (64 << 20),
        2 * kRoomToHoldBack, inodes);
}

int run_in(const Options& options, const Workspace& work) {
    if (options.types) {
        return run_types(options, work.path());
    }
    if (options.worst) {
        return run_worst(options, work.path());
    }
    const fs::path input = work.path() / "input";

    const auto start = std::chrono::steady_clock::now();
    const Collection collection = make_collection(input, options.files, options.kb);
    const double made_in =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    print_collection(collection, work.path(), made_in);
    std::fflush(stdout);

    const std::string self = fs::read_symlink("/proc/self/exe").string();
    if (options.tags_only) {
        return run_tags_only(options, self, input, collection);
    }
    return SortBenchmark(options, self, work, collection).run();
}

int run_benchmark(const Options& options) {
    if (options.fresh_image && ::geteuid() != 0) {
        std::fputs("sort_bench: --fresh-image needs root, to loop-mount the image it makes\n",
                   stderr);
        return 2;
    }
    std::printf("machine: %s\n", machine_text().c_str());
    std::fflush(stdout);
    const Footprint needs = footprint(options);
    const std::unique_ptr<FreshImage> image = options.fresh_image ? make_image(needs) : nullptr;
    const fs::path dir = image ? image->path() : options.dir.value_or(fs::temp_directory_path());
    check_room(dir, needs.bytes);
    std::printf("disk of %s: %s%s\n", dir.c_str(), image ? (image->text() + ", ").c_str() : "",
                disk_text(dir).c_str());
    // What is on the image goes with it.
    const Workspace work(dir, options.keep || image ? AtEnd::Keep : AtEnd::Remove);
    return run_in(options, work);
}

}  // namespace

}  // namespace trackfold::bench

int main(int argc, char** argv) {
    using namespace trackfold::bench;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (!arguments.empty() && arguments.front() == kContenderFlag) {
        return run_contender({arguments.begin() + 1, arguments.end()});
    }
    if (!arguments.empty() && (arguments.front() == "--help" || arguments.front() == "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    try {
        return run_benchmark(parse_options(arguments));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "sort_bench: %s\n", error.what());
        return 1;
    }
}
