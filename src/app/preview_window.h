#pragma once

#include <QDialog>
#include <map>
#include <memory>
#include <string>

#include "app/pump_clock.h"
#include "engine/run/plan_tree.h"
#include "engine/run/run_progress.h"
#include "engine/run/run_window.h"
#include "engine/run/sort_run.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTreeView;

namespace trackfold {

class PlanTreeModel;

// The Preview button's window: the run's decisions with nothing written, first as progress,
// then as a tree of the output folder. Start closes it and asks for the real run.
class PreviewWindow : public QDialog, public RunWindow {
    Q_OBJECT
  public:
    PreviewWindow(QWidget* owner, SortRequest request);
    ~PreviewWindow() override;

    // Shows the window and walks; returns when the walk has ended, with the window still open.
    void run();
    void set_pump_interval(int milliseconds) { pump_clock_.set_interval(milliseconds); }
    const PlanTree& plan() const { return *plan_; }

    std::string counter_text(Counter counter) const override;
    void set_counter_text(Counter counter, const std::string& text) override;
    void set_status(const std::string&) override {}
    void report(const RunEvent& event) override;
    void files_counted(std::size_t total) override;
    void append_log(const std::string&) override {}
    void select_last_log() override {}
    void clear_log() override {}
    std::size_t log_count() const override { return 0; }
    std::string log_line(std::size_t) const override { return {}; }
    bool ask_cancel() override { return true; }
    void pump_events() override;
    void set_run_buttons_enabled(bool) override {}
    void show_progress() override {}
    void unload_progress() override {}
    bool open_with_shell(const std::string&) override { return false; }
    void tell(const std::string&) override {}

  signals:
    void start_requested();

  protected:
    void reject() override;

  private:
    void show_plan(const RunResult& result);

    SortRequest request_;
    std::unique_ptr<PlanTree> plan_;
    std::unique_ptr<PlanTreeModel> model_;
    RunProgress progress_;
    std::map<Counter, std::string> counters_;
    std::string not_started_;
    bool walking_ = false;
    PumpClock pump_clock_;
    QLabel* status_;
    QProgressBar* bar_;
    QTreeView* view_;
    QPushButton* start_;
    QPushButton* cancel_;
};

}  // namespace trackfold
