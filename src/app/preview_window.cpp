#include "app/preview_window.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/plan_tree_model.h"
#include "app/run_texts.h"
#include "engine/events/cancel_state.h"
#include "engine/lines/line_texts.h"
#include "engine/run/start_run.h"

namespace trackfold {

PreviewWindow::PreviewWindow(QWidget* owner, SortRequest request)
    : QDialog(owner),
      request_(std::move(request)),
      plan_(std::make_unique<PlanTree>(request_.output)),
      status_(new QLabel(this)),
      bar_(new QProgressBar(this)),
      view_(new QTreeView(this)),
      start_(new QPushButton(tr("&Start"), this)),
      cancel_(new QPushButton(tr("&Cancel"), this)) {
    request_.mode = DiskMode::preview;
    setWindowTitle(tr("Preview: nothing is written"));
    setWindowModality(Qt::WindowModal);
    status_->setObjectName(QStringLiteral("lblPreviewStatus"));
    status_->setTextFormat(Qt::PlainText);
    status_->setWordWrap(true);
    bar_->setRange(0, 0);
    // The status gives the one number; the bar only draws it.
    bar_->setTextVisible(false);
    view_->setObjectName(QStringLiteral("treePlan"));
    // Every row is one line high, so the view need not measure 100,000 of them.
    view_->setUniformRowHeights(true);
    start_->setObjectName(QStringLiteral("cmdPreviewStart"));
    cancel_->setObjectName(QStringLiteral("cmdPreviewCancel"));
    start_->setEnabled(false);
    start_->setAutoDefault(false);
    cancel_->setAutoDefault(false);
    connect(cancel_, &QPushButton::clicked, this, &PreviewWindow::reject);
    connect(start_, &QPushButton::clicked, this, [this] {
        accept();
        emit start_requested();
    });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(start_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addWidget(bar_);
    layout->addWidget(view_, 1);
    layout->addLayout(buttons);
    resize(640, 480);
}

PreviewWindow::~PreviewWindow() = default;

void PreviewWindow::run() {
    show();
    CancelState = Idle;
    walking_ = true;
    const RunResult result = sort_run(*this, request_);
    walking_ = false;
    CancelState = Idle;
    show_plan(result);
}

void PreviewWindow::show_plan(const RunResult& result) {
    plan_->finish();
    model_ = std::make_unique<PlanTreeModel>(*plan_);
    view_->setModel(model_.get());
    view_->header()->setSectionResizeMode(PlanTreeModel::Name, QHeaderView::Stretch);
    view_->header()->setStretchLastSection(false);
    view_->expandToDepth(0);
    bar_->hide();
    if (result.outcome == RunOutcome::NotStarted) {
        status_->setText(RunTexts::not_started(not_started_));
        return;
    }
    status_->setText(RunTexts::outcome(result) + QString::fromStdString(space_short_));
    start_->setEnabled(true);
    cancel_->setText(tr("&Close"));
}

void PreviewWindow::report(const RunEvent& event) {
    if (const auto* ended = std::get_if<RunEnded>(&event);
        ended != nullptr && ended->outcome == RunOutcome::NotStarted) {
        not_started_ = ended->reason;
    }
    if (std::holds_alternative<SpaceShort>(event)) {
        space_short_ = "\n" + log_line(event);
    }
    plan_->add(event);
    progress_.feed(event);
}

void PreviewWindow::files_counted(std::size_t total) {
    progress_.set_total(total);
}

void PreviewWindow::pump_events() {
    if (!pump_clock_.due()) {
        return;
    }
    const ProgressView view = progress_.at(RunProgress::Clock::now());
    if (view.percent) {
        bar_->setRange(0, 100);
        bar_->setValue(*view.percent);
    }
    status_->setText(RunTexts::progress(view) + u'\n' + QString::fromStdString(view.folder));
    QCoreApplication::processEvents();
}

// Cancel and the close box: during the walk they stop it before the next file, with no
// question, since a preview loses nothing; afterwards they close the window.
void PreviewWindow::reject() {
    if (walking_) {
        CancelState = Cancelled;
        return;
    }
    QDialog::reject();
}

}  // namespace trackfold
