#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "app/pump_clock.h"
#include "engine/events/run_front_end.h"
#include "engine/run/plan_tree.h"
#include "engine/run/run_progress.h"
#include "engine/run/sort_run.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTreeView;

namespace trackfold {

class PlanTreeModel;

// The Preview button's window: the run's decisions with nothing written, first as progress,
// then as a tree of the output folder. Start closes it and asks for the real run.
class PreviewWindow : public QDialog, public RunFrontEnd {
    Q_OBJECT
  public:
    PreviewWindow(QWidget* owner, SortRequest request);
    ~PreviewWindow() override;

    // Shows the window and walks; returns when the walk has ended, with the window still open.
    void run();
    void set_pump_interval(int milliseconds) { pump_clock_.set_interval(milliseconds); }
    const PlanTree& plan() const { return *plan_; }

    void report(const RunEvent& event) override;
    void files_counted(std::size_t total) override;
    void set_counters(const RunCounters& counters) override {
        progress_.set_taken(counters[Counter::ReadFile]);
    }
    void set_status(const std::string&) override {}
    // Stops without a question: a preview loses nothing.
    bool ask_cancel() override { return true; }
    void pump_events() override;

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
    std::string not_started_;
    std::string space_short_;  // the line that says the run would not fit, on a line of its own
    bool walking_ = false;
    PumpClock pump_clock_;
    QLabel* status_;
    QProgressBar* bar_;
    QTreeView* view_;
    QPushButton* start_;
    QPushButton* cancel_;
};

}  // namespace trackfold
