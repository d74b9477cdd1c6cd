#pragma once

#include <QWidget>

namespace trackfold {

// The small always-on-top "Running..." window. Closing it by its Cancel button or its close box,
// and destroying it at the end of a run, only raise the cancel request that the walk turns into
// a question.
class ProgressWindow : public QWidget {
    Q_OBJECT
  public:
    explicit ProgressWindow(QWidget* owner);
    ~ProgressWindow() override;

  protected:
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace trackfold
