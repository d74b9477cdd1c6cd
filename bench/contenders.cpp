#include "contenders.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/log_list.h"
#include "app/main_window.h"
#include "engine/lines/line_texts.h"
#include "engine/run/start_run.h"
#include "tags/tag_reader.h"

namespace fs = std::filesystem;

namespace trackfold::bench {

namespace {

// What the benchmark reads back of a run's lines: the last and how many were errors. Holding
// the lines themselves would count the benchmark's memory as the run's.
struct LineTally {
    std::string last;
    std::size_t errors = 0;

    void add(const std::string& line) {
        last = line;
        errors += line.find(" ...Error") != std::string::npos ? 1 : 0;
    }
};

// The engine's window without a display: it keeps only what the benchmark reads back (the
// read count and the tally of its lines) and draws nothing.
class QuietWindow final : public RunWindow {
  public:
    void report(const RunEvent& event) override { lines_.add(log_line(event)); }
    void files_counted(std::size_t) override {}
    void set_counters(const RunCounters& counters) override { counters_ = counters; }
    void set_status(const std::string&) override {}
    bool ask_cancel() override { return false; }
    void pump_events() override {}
    void clear_log() override { lines_ = {}; }
    void append_log(const std::string& line) override { lines_.add(line); }
    void select_last_log() override {}
    void set_run_buttons_enabled(bool) override {}
    void show_progress() override {}
    void unload_progress() override {}
    bool open_with_shell(const std::string&) override { return true; }
    void tell(const std::string&) override {}

    const LineTally& lines() const { return lines_; }
    const RunCounters& counters() const { return counters_; }

  private:
    RunCounters counters_;
    LineTally lines_;
};

// What a run left in its window's list.
LineTally list_lines(const MainWindow& window) {
    const auto* list = window.findChild<LogList*>(QStringLiteral("lstInfo"));
    LineTally lines;
    for (std::size_t i = 0; list != nullptr && i < list->count(); ++i) {
        lines.add(list->utf8_line(i));
    }
    return lines;
}

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void print_result(double seconds, std::size_t error_lines) {
    std::printf("%.6f %zu\n", seconds, error_lines);
}

// A run that stopped early or skipped files would give a figure for less work.
bool check_run(const LineTally& lines, std::size_t read_count, std::size_t expected_mp3) {
    if (lines.last != "...Complete" || read_count != expected_mp3) {
        std::fprintf(stderr, "the run did not take all %zu files: last line \"%s\", count %zu\n",
                     expected_mp3, lines.last.c_str(), read_count);
        return false;
    }
    return true;
}

// input output settings log expected-mp3-count
int run_engine(const std::vector<std::string>& a) {
    QuietWindow window;
    const auto start = Clock::now();
    start_run(window, a.at(0), a.at(1), RunFiles{a.at(2), a.at(3)});
    const double seconds = seconds_since(start);
    if (!check_run(window.lines(), window.counters()[Counter::ReadFile], std::stoul(a.at(4)))) {
        return 1;
    }
    print_result(seconds, window.lines().errors);
    return 0;
}

// settings log expected-mp3-count; the folders come from the settings file, as they do when
// the program starts.
int run_window(const std::vector<std::string>& a) {
    Clock::time_point start_time = Clock::now();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "sort_bench";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);

    MainWindow window(RunFiles{a.at(0), a.at(1)});
    window.set_shell_opener([](const std::string&) { return true; });
    window.InitMainWindow();
    window.show();
    QApplication::processEvents();
    auto* start_button = window.findChild<QPushButton*>(QStringLiteral("cmdStart"));
    if (start_button == nullptr) {
        std::fprintf(stderr, "the window has no cmdStart\n");
        return 1;
    }

    // The walk lets the event loop run every few files, and a zero timer fires each time: it
    // notes when the count of files taken passes its first file, a tenth and nine tenths, and
    // the last count short of all with its time. The tenths' rates come from those points, so
    // the count before the walk and the flush after the last file, neither of them a file's,
    // are in neither tenth.
    const double files = std::stod(a.at(2));
    struct Point {
        double seconds = -1;
        double count = 0;
    };
    Point first;
    Point tenth;
    Point nine_tenths;
    Point last;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const Point now{seconds_since(start_time),
                        static_cast<double>(window.counters()[Counter::ReadFile])};
        for (auto [point, from] : {std::pair{&first, 1.0}, std::pair{&tenth, files / 10},
                                   std::pair{&nine_tenths, files * 9 / 10}}) {
            if (point->seconds < 0 && now.count >= from) {
                *point = now;
            }
        }
        if (now.count > last.count && now.count < files) {
            last = now;
        }
    });
    sampler.start(0);

    start_time = Clock::now();
    start_button->click();
    const double seconds = seconds_since(start_time);
    sampler.stop();
    const auto per_file = [](const Point& from, const Point& to) {
        return to.count > from.count ? (to.seconds - from.seconds) / (to.count - from.count) : 0;
    };
    const LineTally lines = list_lines(window);
    if (!check_run(lines, window.counters()[Counter::ReadFile], std::stoul(a.at(2)))) {
        return 1;
    }
    std::printf("%.6f %zu %.9f %.9f\n", seconds, lines.errors, per_file(first, tenth),
                per_file(nine_tenths, last));
    return 0;
}

bool is_mp3_name(const fs::path& path) {
    std::string extension = path.extension().string();
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return extension == ".mp3";
}

// input expected-mp3-count
int run_tags(const std::vector<std::string>& a) {
    std::vector<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(a.at(0))) {
        if (entry.is_regular_file() && is_mp3_name(entry.path())) {
            paths.push_back(entry.path().string());
        }
    }
    if (std::to_string(paths.size()) != a.at(1)) {
        std::fprintf(stderr, "found %zu MP3 files, not %s\n", paths.size(), a.at(1).c_str());
        return 1;
    }
    std::string artist;
    std::string album;
    std::size_t errors = 0;
    const auto start = Clock::now();
    for (const std::string& path : paths) {
        if (ReadTag(path, artist, album)) {
            ++errors;
        }
    }
    print_result(seconds_since(start), errors);
    return 0;
}

}  // namespace

ContenderResult parse_contender_output(const std::string& output) {
    ContenderResult result;
    std::istringstream in(output);
    in >> result.seconds >> result.error_lines;
    in >> result.first_tenth_per_file >> result.last_tenth_per_file;
    return result;
}

int run_contender(const std::vector<std::string>& arguments) {
    const std::string kind = arguments.empty() ? "" : arguments.front();
    const std::vector<std::string> rest(arguments.begin() + (arguments.empty() ? 0 : 1),
                                        arguments.end());
    if (kind == "engine") {
        return run_engine(rest);
    }
    if (kind == "window") {
        return run_window(rest);
    }
    if (kind == "tags") {
        return run_tags(rest);
    }
    std::fprintf(stderr, "unknown contender %s\n", kind.c_str());
    return 2;
}

}  // namespace trackfold::bench
