#include "app/undo_window.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/log_list.h"
#include "app/qt_text.h"
#include "engine/lines/line_texts.h"
#include "engine/run/run_progress.h"

namespace trackfold {

namespace {}  // namespace

UndoWindow::UndoWindow(QWidget* owner, std::string output)
    : QDialog(owner),
      output_(std::move(output)),
      status_(new QLabel(this)),
      bar_(new QProgressBar(this)),
      list_(new LogList(this)),
      undo_(new QPushButton(tr("&Undo"), this)),
      cancel_(new QPushButton(tr("&Cancel"), this)) {
    setWindowTitle(tr("Undo last run"));
    setWindowModality(Qt::WindowModal);
    status_->setObjectName(QStringLiteral("lblUndoStatus"));
    status_->setTextFormat(Qt::PlainText);
    status_->setWordWrap(true);
    bar_->setObjectName(QStringLiteral("barUndo"));
    bar_->setRange(0, 0);
    // The status says how far, in one number; the bar only shows it.
    bar_->setTextVisible(false);
    list_->setObjectName(QStringLiteral("lstUndo"));
    undo_->setObjectName(QStringLiteral("cmdUndoConfirm"));
    cancel_->setObjectName(QStringLiteral("cmdUndoCancel"));
    undo_->setEnabled(false);
    // Enter must not undo: only a deliberate press of Undo does.
    undo_->setAutoDefault(false);
    cancel_->setAutoDefault(false);
    connect(undo_, &QPushButton::clicked, this, &UndoWindow::undo);
    connect(cancel_, &QPushButton::clicked, this, &UndoWindow::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(undo_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addWidget(bar_);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    resize(640, 420);
}

UndoWindow::~UndoWindow() = default;

bool UndoWindow::stop_asked() {
    if (pump_clock_.due()) {
        show_progress();
        QCoreApplication::processEvents();
    }
    return stop_;
}

void UndoWindow::show_step(const UndoStep& step) {
    count_into(summary_, step);
    done_ += step.action == UndoAction::FolderRemoved ? 0 : 1;
    const bool kept = is_kept(step);
    list_->append(undo_line(step), kept ? tr("kept").toStdString() : std::string(),
                  kept ? LineKind::kept : LineKind::plain);
}

void UndoWindow::show_progress() {
    ProgressView view;
    view.done = done_;
    if (total_ > 0) {
        view.total = std::max(total_, done_);
        view.percent = static_cast<int>(done_ * 100 / *view.total);
    }
    if (view.total) {
        bar_->setRange(0, 100);
        bar_->setValue(*view.percent);
    }
    status_->setText(to_qt(progress_text(view)));
}

void UndoWindow::preview() {
    show();
    working_ = true;
    status_->setText(tr("Looking at what an undo would do..."));
    const UndoResult result = undo_run(
        {output_, std::nullopt, DiskMode::preview},
        [this](const UndoStep& step) { show_step(step); }, [this] { return stop_asked(); });
    working_ = false;
    bar_->hide();
    if (result.run.empty() || result.cancelled) {
        status_->setText(
            result.cancelled
                ? tr("Stopped: nothing was changed.")
                : tr("Nothing to undo in %1: %2").arg(to_qt(output_), to_qt(result.problem)));
        cancel_->setText(tr("&Close"));
        return;
    }
    QString text = tr("Nothing is changed yet. An undo of run %1 in %2 would do this:")
                       .arg(to_qt(result.run), to_qt(output_)) +
                   u'\n' + to_qt(undo_summary_line(summary_));
    if (summary_.kept > 0) {
        text += u'\n' + tr("The files marked \"kept\" stay where they are; each line says why.");
    }
    status_->setText(text);
    // The text has grown by lines the layout has not made room for yet.
    layout()->activate();
    total_ = summary_.files();
    undo_->setEnabled(true);
    undo_->setFocus();
}

void UndoWindow::undo() {
    undo_->setEnabled(false);
    list_->clear();
    summary_ = UndoSummary{};
    done_ = 0;
    stop_ = false;
    bar_->setRange(0, 0);
    bar_->show();
    working_ = true;
    undone_ = true;
    pump_clock_.restart();
    const UndoResult result = undo_run(
        {output_}, [this](const UndoStep& step) { show_step(step); },
        [this] { return stop_asked(); });
    working_ = false;
    bar_->hide();
    QString end = result.cancelled         ? QStringLiteral("...User Cancel")
                  : result.problem.empty() ? QStringLiteral("...Complete")
                                           : to_qt(result.problem);
    QString text = to_qt(undo_summary_line(summary_)) + u' ' + end;
    if (summary_.kept > 0) {
        // They are the run's still: the next undo looks at them again.
        text += u'\n' + tr("The files marked \"kept\" stay where they are; each line says why.");
    }
    status_->setText(text);
    list_->append(undo_summary_line(summary_));
    list_->append(end.toStdString());
    list_->select_last();
    cancel_->setText(tr("&Close"));
}

// Cancel and the close box: during the undo they stop it before the next file, which an undo
// run later takes up again; afterwards they close the window.
void UndoWindow::reject() {
    if (working_) {
        stop_ = true;
        return;
    }
    QDialog::reject();
}

}  // namespace trackfold
