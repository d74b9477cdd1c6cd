// record_bench: the placement record at the size of a large collection. Writes a record of N
// placements with paths as a real collection has them, then times reading it into the index
// that a run decides with, and looking up every target once, as an unchanged re-run does.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "child_process.h"
#include "engine/record/placement_record.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace trackfold::bench {
namespace {

std::string target_of(std::size_t i) {
    return "Albums/Artist " + std::to_string(i / 120) + "/Album " + std::to_string(i / 12) + "/" +
           std::to_string(i % 12 + 1) + " Track of a usual length.mp3";
}

std::string source_of(std::size_t i) {
    return "/srv/music/incoming/2025/Artist " + std::to_string(i / 120) + " - Album " +
           std::to_string(i / 12) + "/" + std::to_string(i % 12 + 1) +
           " Track of a usual length.mp3";
}

FileStamp stamp_of(std::size_t i) {
    const std::int64_t when = 1700000000123456789 + static_cast<std::int64_t>(i) * 1000;
    return {5000000 + static_cast<std::int64_t>(i % 1000), when, when, 1000000 + i, when, 0, 0};
}

void write_record(const fs::path& output, std::size_t placements) {
    std::ofstream out(output / std::string(kRecordFileName), std::ios::binary);
    out << kRecordVersionLine << "\n";
    RecordLine line;
    line.run = "0123456789ab";
    line.time = "2026-12-08T02:30:00Z";
    line.action = RecordAction::Start;
    line.pid = 4242;
    line.source = "/srv/music/incoming";
    out << format_record_line(line) << "\n";
    line.action = RecordAction::Copied;
    for (std::size_t i = 0; i < placements; ++i) {
        line.source = source_of(i);
        line.target = target_of(i);
        line.source_stamp = stamp_of(i);
        line.target_stamp = stamp_of(i);
        out << format_record_line(line) << "\n";
    }
}

long peak_rss_kb() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// In a process of its own, so that its peak memory is the record's alone.
int load(const std::string& output, std::size_t placements) {
    const long before = peak_rss_kb();
    const auto start = Clock::now();
    PlacementRecord record(output + "/");
    const bool opened = !record.open(RecordUse::preview);
    const double load_seconds = seconds_since(start);
    const long after = peak_rss_kb();
    const auto lookups = Clock::now();
    std::size_t found = 0;
    for (std::size_t i = 0; i < placements; ++i) {
        found += record.index().find(target_of(i), source_of(i), stamp_of(i), stamp_of(i)) ? 1 : 0;
    }
    std::printf("%.3f %ld %zu %.3f %zu\n", load_seconds, after - before,
                record.index().memory_bytes(), seconds_since(lookups), found);
    return opened && found == placements ? 0 : 1;
}

}  // namespace
}  // namespace trackfold::bench

int main(int argc, char** argv) {
    using namespace trackfold::bench;
    if (argc == 4 && std::string(argv[1]) == "--load") {
        return load(argv[2], std::strtoull(argv[3], nullptr, 10));
    }
    std::printf("%12s %10s %9s %9s %10s %11s %9s %11s\n", "placements", "record MB", "load s",
                "cp s", "load/cp", "peak +MiB", "index MiB", "lookups s");
    for (int i = 1; i < argc; ++i) {
        const std::size_t placements = std::strtoull(argv[i], nullptr, 10);
        char folder[] = "/tmp/trackfold-record-bench-XXXXXX";
        if (::mkdtemp(folder) == nullptr) {
            return 2;
        }
        write_record(folder, placements);
        const fs::path record = fs::path(folder) / std::string(trackfold::kRecordFileName);
        // The floor for reading the file: cp of it, from the same warm page cache.
        const auto copy_start = Clock::now();
        const std::string copy = "cp '" + record.string() + "' '" + folder + "/copy'";
        if (std::system(copy.c_str()) != 0) {
            return 2;
        }
        const double cp_seconds = seconds_since(copy_start);
        const ChildRun run = run_child({argv[0], "--load", folder, argv[i]});
        double load_seconds = 0, lookup_seconds = 0;
        long rss_kb = 0;
        std::size_t index_bytes = 0, found = 0;
        std::sscanf(run.output.c_str(), "%lf %ld %zu %lf %zu", &load_seconds, &rss_kb, &index_bytes,
                    &lookup_seconds, &found);
        std::printf("%12zu %10.1f %9.3f %9.3f %10.1f %11.1f %9.1f %11.3f%s\n", placements,
                    static_cast<double>(fs::file_size(record)) / 1e6, load_seconds, cp_seconds,
                    load_seconds / cp_seconds, static_cast<double>(rss_kb) / 1024.0,
                    static_cast<double>(index_bytes) / 1048576.0, lookup_seconds,
                    found == placements ? "" : "  (lookups FAILED)");
        fs::remove_all(folder);
    }
    return 0;
}
