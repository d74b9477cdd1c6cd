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

// The engine's window without a display: it keeps only what the benchmark reads back (the
// read count and the lines of its list) and draws nothing.
class QuietWindow final : public RunWindow {
  public:
    void report(const RunEvent& event) override { lines_.push_back(log_line(event)); }
    void files_counted(std::size_t) override {}
    void set_counters(const RunCounters& counters) override { counters_ = counters; }
    void set_status(const std::string&) override {}
    bool ask_cancel() override { return false; }
    void pump_events() override {}
    void clear_log() override { lines_.clear(); }
    void append_log(const std::string& line) override { lines_.push_back(line); }
    void select_last_log() override {}
    void set_run_buttons_enabled(bool) override {}
    void show_progress() override {}
    void unload_progress() override {}
    bool open_with_shell(const std::string&) override { return true; }
    void tell(const std::string&) override {}

    const std::vector<std::string>& lines() const { return lines_; }
    const RunCounters& counters() const { return counters_; }

  private:
    RunCounters counters_;
    std::vector<std::string> lines_;
};

// What a run left in its window's list.
std::vector<std::string> list_lines(const MainWindow& window) {
    const auto* list = window.findChild<LogList*>(QStringLiteral("lstInfo"));
    std::vector<std::string> lines;
    for (std::size_t i = 0; list != nullptr && i < list->count(); ++i) {
        lines.push_back(list->utf8_line(i));
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
bool check_run(const std::vector<std::string>& lines, std::size_t read_count,
               std::size_t expected_mp3) {
    if (lines.empty() || lines.back() != "...Complete" || read_count != expected_mp3) {
        std::fprintf(stderr, "the run did not take all %zu files: last line \"%s\", count %zu\n",
                     expected_mp3, lines.empty() ? "" : lines.back().c_str(), read_count);
        return false;
    }
    return true;
}

std::size_t error_lines(const std::vector<std::string>& lines) {
    return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [](const auto& l) {
        return l.find(" ...Error") != std::string::npos;
    }));
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
    print_result(seconds, error_lines(window.lines()));
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

    // The walk lets the event loop run before every file, and a zero timer fires each time:
    // it notes when the count passes a tenth and nine tenths of the files, and reaches all;
    // the flush at the end of the run is not a file's.
    const double files = std::stod(a.at(2));
    double first_tenth = 0;
    double nine_tenths = 0;
    double all = 0;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const auto count = static_cast<double>(window.counters()[Counter::ReadFile]);
        if (first_tenth == 0 && count >= files / 10) {
            first_tenth = seconds_since(start_time);
        }
        if (nine_tenths == 0 && count >= files * 9 / 10) {
            nine_tenths = seconds_since(start_time);
        }
        if (all == 0 && count >= files) {
            all = seconds_since(start_time);
        }
    });
    sampler.start(0);

    start_time = Clock::now();
    start_button->click();
    const double seconds = seconds_since(start_time);
    sampler.stop();
    const std::vector<std::string> lines = list_lines(window);
    if (!check_run(lines, window.counters()[Counter::ReadFile], std::stoul(a.at(2)))) {
        return 1;
    }
    std::printf("%.6f %zu %.9f %.9f\n", seconds, error_lines(lines), first_tenth / (files / 10),
                ((all > 0 ? all : seconds) - nine_tenths) / (files / 10));
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
