#include "app/progress_window.h"

#include <QCloseEvent>
#include <QPushButton>
#include <QScreen>

#include "engine/cancel_state.h"

namespace trackfold {

ProgressWindow::ProgressWindow(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("Running..."));
    setFixedSize(110, 35);

    // A plain widget has no Esc or Enter button; the button must not become one either.
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    cancel->setAutoDefault(false);
    cancel->setDefault(false);
    cancel->setGeometry(6, 8, 101, 23);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);

    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
}

ProgressWindow::~ProgressWindow() {
    CancelState = CancelRequested;
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    CancelState = CancelRequested;
    event->accept();
}

}  // namespace trackfold
