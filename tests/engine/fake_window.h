#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/lines/line_texts.h"
#include "engine/run/run_window.h"

namespace trackfold::test {

// The main window as the engine sees it, kept in memory: its list shows each event's line.
class FakeWindow : public RunWindow {
  public:
    RunCounters counters;
    std::string status;
    std::vector<std::string> log;
    std::vector<std::string> events;  // each as its JSON line, with every value it holds
    int selected = -1;
    bool buttons_enabled = true;
    int progress_shown = 0;
    int progress_unloaded = 0;
    std::vector<std::string> opened;
    std::vector<std::string> told;
    int questions = 0;
    std::function<bool()> answer = [] { return true; };
    std::function<void()> on_pump = [] {};
    bool shell_opens = true;

    void report(const RunEvent& event) override {
        events.push_back(json_line(event));
        append_log(log_line(event));
        if (selects_line(event)) {
            select_last_log();
        }
    }
    void files_counted(std::size_t) override {}
    void set_counters(const RunCounters& now) override { counters = now; }
    void set_status(const std::string& file_name) override { status = file_name; }
    void append_log(const std::string& line) override { log.push_back(line); }
    void select_last_log() override { selected = static_cast<int>(log.size()) - 1; }
    void clear_log() override {
        log.clear();
        selected = -1;
    }
    bool ask_cancel() override {
        ++questions;
        return answer();
    }
    void pump_events() override { on_pump(); }
    void set_run_buttons_enabled(bool enabled) override { buttons_enabled = enabled; }
    void show_progress() override { ++progress_shown; }
    void unload_progress() override { ++progress_unloaded; }
    bool open_with_shell(const std::string& path) override {
        opened.push_back(path);
        return shell_opens;
    }
    void tell(const std::string& message) override { told.push_back(message); }

    int count(Counter counter) const { return static_cast<int>(counters[counter]); }
};

}  // namespace trackfold::test
