#include "contenders.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "engine/run/start_run.h"
#include "tags/tag_reader.h"

namespace fs = std::filesystem;

namespace trackfold::bench {

namespace {

// The engine's window without a display: it keeps only what the engine reads back (the
// counters and the lines that become the log file) and draws nothing.
class QuietWindow final : public RunWindow {
  public:
    std::string counter_text(Counter counter) const override {
        const auto found = counters_.find(counter);
        return found == counters_.end() ? "0" : found->second;
    }
    void set_counter_text(Counter counter, const std::string& text) override {
        counters_[counter] = text;
    }
    void set_status(const std::string&) override {}
    void append_log(const std::string& line) override { lines_.push_back(line); }
    void select_last_log() override {}
    void clear_log() override { lines_.clear(); }
    std::size_t log_count() const override { return lines_.size(); }
    std::string log_line(std::size_t index) const override { return lines_.at(index); }
    bool ask_cancel() override { return false; }
    void pump_events() override {}
    void set_run_buttons_enabled(bool) override {}
    void show_progress() override {}
    void unload_progress() override {}
    bool open_with_shell(const std::string&) override { return true; }
    void tell(const std::string&) override {}

  private:
    std::map<Counter, std::string> counters_;
    std::vector<std::string> lines_;
};

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void print_result(double seconds, std::size_t error_lines) {
    std::printf("%.6f %zu\n", seconds, error_lines);
}

// A run that stopped early or skipped files would give a figure for less work.
bool check_run(const RunWindow& window, const std::string& expected_mp3) {
    const std::size_t count = window.log_count();
    if (count == 0 || window.log_line(count - 1) != "...Complete" ||
        window.counter_text(Counter::ReadFile) != expected_mp3) {
        std::fprintf(stderr, "the run did not take all %s files: last line \"%s\", count %s\n",
                     expected_mp3.c_str(), count == 0 ? "" : window.log_line(count - 1).c_str(),
                     window.counter_text(Counter::ReadFile).c_str());
        return false;
    }
    return true;
}

std::size_t error_lines(const RunWindow& window) {
    std::size_t errors = 0;
    for (std::size_t i = 0, count = window.log_count(); i < count; ++i) {
        if (window.log_line(i).find(" ...Error") != std::string::npos) {
            ++errors;
        }
    }
    return errors;
}

// input output settings log expected-mp3-count
int run_engine(const std::vector<std::string>& a) {
    QuietWindow window;
    const auto start = Clock::now();
    StartRun(window, a.at(0), a.at(1), RunFiles{a.at(2), a.at(3)});
    const double seconds = seconds_since(start);
    if (!check_run(window, a.at(4))) {
        return 1;
    }
    print_result(seconds, error_lines(window));
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
        const double count = std::stod(window.counter_text(Counter::ReadFile));
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
    if (!check_run(window, a.at(2))) {
        return 1;
    }
    std::printf("%.6f %zu %.9f %.9f\n", seconds, error_lines(window), first_tenth / (files / 10),
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
