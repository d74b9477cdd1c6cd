#include "app/progress_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/run_texts.h"
#include "engine/events/cancel_state.h"

namespace trackfold {

namespace {

constexpr int kWidth = 420;

}  // namespace

ProgressWindow::ProgressWindow(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      bar_(new QProgressBar(this)),
      count_(new QLabel(this)),
      folder_(new QLabel(this)) {
    setWindowTitle(tr("Running..."));
    // Without a total the bar only says that something is going on.
    bar_->setRange(0, 0);
    // The text below gives the one number; the bar only draws it.
    bar_->setTextVisible(false);
    bar_->setObjectName(QStringLiteral("barProgress"));
    count_->setObjectName(QStringLiteral("lblProgressCount"));
    folder_->setObjectName(QStringLiteral("lblProgressFolder"));
    folder_->setTextFormat(Qt::PlainText);
    count_->setTextFormat(Qt::PlainText);

    // A plain widget has no Esc or Enter button; the button must not become one either.
    auto* cancel = new QPushButton(tr("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    cancel->setAutoDefault(false);
    cancel->setDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bar_);
    layout->addWidget(count_);
    layout->addWidget(folder_);
    layout->addLayout(buttons);
    setFixedSize(kWidth, sizeHint().height());

    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
}

ProgressWindow::~ProgressWindow() {
    CancelState = CancelRequested;
}

void ProgressWindow::show_progress(const ProgressView& view) {
    if (view.percent) {
        bar_->setRange(0, 100);
        bar_->setValue(*view.percent);
    }
    count_->setText(RunTexts::progress(view));
    const QString folder = QString::fromStdString(view.folder);
    folder_->setText(folder_->fontMetrics().elidedText(folder, Qt::ElideMiddle, folder_->width()));
    folder_->setToolTip(folder);
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    CancelState = CancelRequested;
    event->accept();
}

}  // namespace trackfold
