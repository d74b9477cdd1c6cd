#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/run/run_window.h"

namespace trackfold::test {

// The main window as the engine sees it, kept in memory.
class FakeWindow : public RunWindow {
  public:
    std::map<Counter, std::string> counters;
    std::string status;
    std::vector<std::string> log;
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

    std::string counter_text(Counter counter) const override {
        auto it = counters.find(counter);
        return it == counters.end() ? "0" : it->second;
    }
    void set_counter_text(Counter counter, const std::string& text) override {
        counters[counter] = text;
    }
    void set_status(const std::string& file_name) override { status = file_name; }
    void append_log(const std::string& line) override { log.push_back(line); }
    void select_last_log() override { selected = static_cast<int>(log.size()) - 1; }
    void clear_log() override {
        log.clear();
        selected = -1;
    }
    std::size_t log_count() const override { return log.size(); }
    std::string log_line(std::size_t index) const override { return log.at(index); }
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

    int count(Counter counter) const { return std::stoi(counter_text(counter)); }
};

}  // namespace trackfold::test
