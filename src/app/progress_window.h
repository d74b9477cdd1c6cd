#pragma once

#include <QWidget>

#include "engine/run/run_progress.h"

class QLabel;
class QProgressBar;

namespace trackfold {

// The small always-on-top "Running..." window: a bar, "n of N files", the folder being sorted,
// the time left and Cancel. Closing it by its Cancel button or its close box, and destroying it
// at the end of a run, only raise the cancel request that the walk turns into a question.
class ProgressWindow : public QWidget {
    Q_OBJECT
  public:
    explicit ProgressWindow(QWidget* owner);
    ~ProgressWindow() override;

    void show_progress(const ProgressView& view);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QProgressBar* bar_;
    QLabel* count_;
    QLabel* folder_;
};

}  // namespace trackfold
