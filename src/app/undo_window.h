#pragma once

#include <QDialog>
#include <string>

#include "app/pump_clock.h"
#include "engine/record/undo_summary.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace trackfold {

class LogList;

// Undo last run: first what the engine's undo would do, changing nothing (what goes, what is
// moved back, what is kept and why); its Undo button then undoes it, with progress and Cancel.
class UndoWindow : public QDialog {
    Q_OBJECT
  public:
    UndoWindow(QWidget* owner, std::string output);
    ~UndoWindow() override;

    // Shows the window and looks; returns with the window open, its Undo button enabled when
    // there is something to undo.
    void preview();
    void set_pump_interval(int milliseconds) { pump_clock_.set_interval(milliseconds); }
    // Whether the undo went ahead, so the output folder has changed.
    bool undone() const { return undone_; }

  protected:
    void reject() override;

  private:
    void undo();
    bool stop_asked();
    void show_step(const UndoStep& step);
    void show_progress();

    std::string output_;
    UndoSummary summary_;
    std::size_t total_ = 0;
    std::size_t done_ = 0;
    bool working_ = false;
    bool stop_ = false;
    bool undone_ = false;
    PumpClock pump_clock_;
    QLabel* status_;
    QProgressBar* bar_;
    LogList* list_;
    QPushButton* undo_;
    QPushButton* cancel_;
};

}  // namespace trackfold
