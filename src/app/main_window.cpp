#include "app/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QThread>
#include <QUrl>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "app/caption_fit.h"
#include "app/folder_drop.h"
#include "app/folder_picture.h"
#include "app/messages.h"
#include "app/preview_window.h"
#include "app/progress_window.h"
#include "app/qt_text.h"
#include "app/run_texts.h"
#include "app/settings_dialog.h"
#include "app/undo_window.h"
#include "engine/events/cancel_state.h"
#include "engine/lines/line_texts.h"
#include "engine/record/record_line.h"
#include "engine/settings/first_start.h"
#include "engine/settings/folder_settings.h"
#include "engine/settings/run_mode.h"
#include "engine/settings/settings_keys.h"
#include "engine/walk/file_count.h"
#include "ui_main_window.h"
#include "util/ini_file.h"
#include "util/text.h"

namespace trackfold {

namespace {

constexpr qint64 kRunPaintIntervalMs = 100;
// Within a frame of a click, and far fewer than one round of the event loop per file.

// How long the move question waits for the count of the files: a large collection on a slow
// disk is then named by its folder instead.
constexpr qint64 kMoveCountWaitMs = 1500;

QString trimmed(const QString& text) {
    return to_qt(trim_spaces(text.toStdString()));
}

constexpr struct {
    const char* name;
    ControlStretch stretch;
} kStretches[] = {
    {"menuBar", {.grow_x = true}},
    {"cmbLogFilter", {.move_x = true}},
    {"frmFolder", {.grow_x = true}},
    {"txtInputFolder", {.grow_x = true}},
    {"txtOutputFolder", {.grow_x = true}},
    {"cmdOpen_0", {.move_x = true}},
    {"cmdOpen_1", {.move_x = true}},
    {"frmStatus", {.grow_x = true}},
    {"lbReadFilelStatus", {.grow_x = true}},
    {"lstInfo", {.grow_x = true, .grow_y = true}},
    {"picCorp", {.move_y = true}},
    {"cmdPreview", {.move_x = true, .move_y = true}},
    {"cmdSettings", {.move_x = true, .move_y = true}},
    {"cmdStart", {.move_x = true, .move_y = true}},
    {"cmdEnd", {.move_x = true, .move_y = true}},
};

}  // namespace

MainWindow::MainWindow(RunFiles files, Mp3Library& library)
    : ui_(std::make_unique<Ui::MainWindow>()),
      files_(std::move(files)),
      library_(library),
      ask_cancel_([this] {
          QMessageBox box(QMessageBox::Question, QStringLiteral("Trackfold"),
                          cancel_question_text(), QMessageBox::Yes | QMessageBox::No, this);
          box.setDefaultButton(QMessageBox::Yes);
          return box.exec() == QMessageBox::Yes;
      }),
      open_with_shell_([](const std::string& path) {
          return QDesktopServices::openUrl(QUrl::fromLocalFile(to_qt(path)));
      }),
      end_process_([] { std::_Exit(0); }),
      tell_([this](const std::string& message, Notice notice) {
          QMessageBox box(
              notice == Notice::problem ? QMessageBox::Warning : QMessageBox::Information,
              QStringLiteral("Trackfold"), to_qt(message), QMessageBox::Ok, this);
          box.exec();
      }),
      choose_folder_(choose_folder_in_dialog),
      open_settings_([](SettingsDialog& dialog) { dialog.exec(); }),
      ask_move_([this](const QString& question) {
          QMessageBox box(QMessageBox::Question, QStringLiteral("Trackfold"), question,
                          QMessageBox::Yes | QMessageBox::No, this);
          // A key pressed out of habit must not move a collection.
          box.setDefaultButton(QMessageBox::No);
          box.setEscapeButton(QMessageBox::No);
          return box.exec() == QMessageBox::Yes;
      }),
      open_undo_([](UndoWindow& window) { window.exec(); }) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Trackfold! Ver." TRACKFOLD_VERSION));
    add_failed_counter();
    add_log_filter();
    add_menus();
    designed_size_ = size();
    setMinimumSize(designed_size_);

    const QIcon folder(open_folder_picture());
    ui_->cmdOpen_0->setIcon(folder);
    ui_->cmdOpen_1->setIcon(folder);
    fit_captions(*this);
    // No label here ever changes size. Saying so spares a layout request to the frame for every
    // new text of a counter or the status line, several per file during a run.
    for (QLabel* label : findChildren<QLabel*>()) {
        label->setFixedSize(label->size());
    }
    for (const auto& [name, stretch] : kStretches) {
        if (auto* widget = findChild<QWidget*>(QLatin1String(name))) {
            designed_geometry_.push_back({widget, widget->geometry(), stretch});
        }
    }

    new FolderDrop(*ui_->txtInputFolder);
    new FolderDrop(*ui_->txtOutputFolder);
    connect(ui_->cmdOpen_0, &QPushButton::clicked, this, [this] { open_clicked(0); });
    connect(ui_->cmdOpen_1, &QPushButton::clicked, this, [this] { open_clicked(1); });
    connect(ui_->cmdStart, &QPushButton::clicked, this, &MainWindow::start_clicked);
    connect(ui_->cmdPreview, &QPushButton::clicked, this, &MainWindow::preview_clicked);
    connect(ui_->cmdEnd, &QPushButton::clicked, this, &QWidget::close);
    connect(ui_->cmdSettings, &QPushButton::clicked, this, &MainWindow::settings_clicked);
    ui_->cmdStart->setFocus();
    ui_->lblMode->hide();

    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
}

MainWindow::~MainWindow() = default;

// Above the designed window, which moves down by the bar's height and keeps its own layout.
void MainWindow::add_menus() {
    const QList<QWidget*> children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    menu_bar_ = new QMenuBar(this);
    menu_bar_->setObjectName(QStringLiteral("menuBar"));
    // In the window on every desktop, so the window's layout is the same everywhere.
    menu_bar_->setNativeMenuBar(false);
    QMenu* file = menu_bar_->addMenu(tr("&File"));
    undo_action_ = file->addAction(tr("&Undo last run..."), this, &MainWindow::undo_clicked);
    undo_action_->setObjectName(QStringLiteral("actUndo"));
    file->addSeparator();
    file->addAction(tr("E&nd"), this, &QWidget::close);
    // Whether there is a run to undo is known only from the output folder's record, which
    // may change at any time: it is looked at as the menu opens.
    connect(file, &QMenu::aboutToShow, this, &MainWindow::update_undo_action);
    file->setToolTipsVisible(true);
    QMenu* help = menu_bar_->addMenu(tr("&Help"));
    help->addAction(tr("&About Trackfold"), this, &MainWindow::about_clicked)
        ->setObjectName(QStringLiteral("actAbout"));
    const int bar = menu_bar_->sizeHint().height();
    menu_bar_->setGeometry(0, 0, width(), bar);
    for (QWidget* child : children) {
        child->move(child->pos() + QPoint(0, bar));
    }
    resize(width(), height() + bar);
}

// In the row of the files taken, with the same look as the other counters.
void MainWindow::add_failed_counter() {
    QLabel* model = ui_->lblReadFileCount;
    QLabel* model_title = ui_->lblReadFileCountTitle;
    auto* title = new QLabel(tr("Failed Count : "), ui_->frmStatus);
    title->setObjectName(QStringLiteral("lblFailedCountTitle"));
    title->setAlignment(model_title->alignment());
    title->setGeometry(model->geometry().right() + 10, model_title->y(), model_title->width(),
                       model_title->height());
    failed_count_ = new QLabel(QStringLiteral("0"), ui_->frmStatus);
    failed_count_->setObjectName(QStringLiteral("lblFailedCount"));
    failed_count_->setPalette(model->palette());
    failed_count_->setAutoFillBackground(model->autoFillBackground());
    failed_count_->setFrameShape(model->frameShape());
    failed_count_->setFrameShadow(model->frameShadow());
    failed_count_->setAlignment(model->alignment());
    failed_count_->setGeometry(title->geometry().right() + 1, model->y(), model->width(),
                               model->height());
}

// Right above the list, at its right end.
void MainWindow::add_log_filter() {
    log_filter_ = new QComboBox(this);
    log_filter_->setObjectName(QStringLiteral("cmbLogFilter"));
    log_filter_->addItem(tr("All lines"), static_cast<int>(LogFilter::all));
    log_filter_->addItem(tr("Errors"), static_cast<int>(LogFilter::errors));
    log_filter_->addItem(tr("Numbered or replaced"),
                         static_cast<int>(LogFilter::numbered_replaced));
    log_filter_->setToolTip(tr("Which lines of the log the list shows"));
    const QRect list = ui_->lstInfo->geometry();
    const int height = list.top() - ui_->frmStatus->geometry().bottom() - 2;
    log_filter_->setGeometry(list.right() - 180 + 1, list.top() - height - 1, 180, height);
    // Beside the list it filters, in the order of the keyboard too.
    setTabOrder(ui_->lstInfo, log_filter_);
    connect(log_filter_, &QComboBox::currentIndexChanged, this, [this] {
        ui_->lstInfo->set_filter(static_cast<LogFilter>(log_filter_->currentData().toInt()));
    });
}

void MainWindow::InitMainWindow() {
    write_first_start_defaults(files_.settings_file);
    reset_run_display(*this);
    const char* const keys[] = {settings_key::kInputFolder, settings_key::kOutputFolder};
    for (int i = 0; i < 2; ++i) {
        loaded_[i].bytes = whole_ini_text(files_.settings_file, settings_key::kSection, keys[i]);
        loaded_[i].shown = QFile::decodeName(QByteArray::fromStdString(loaded_[i].bytes));
        folder_box(i)->setText(loaded_[i].shown);
    }
    show_mode();
    restore_geometry();
    update_undo_action();
}

// Moving removes the sources, which a user should not find out from an emptied input folder.
void MainWindow::show_mode() {
    const bool move = run_mode(IniReader(files_.settings_file)) == RunMode::move;
    ui_->lblMode->setVisible(move);
    ui_->cmdStart->setText(move ? tr("&Move") : tr("&Start"));
}

// Asked before every move, whatever started it: the sources leave the input folder.
bool MainWindow::move_confirmed(const std::string& input_text, const std::string& output_text) {
    const std::string input = folder_with_separator(input_text);
    const std::string output = folder_with_separator(output_text);
    if (input.empty() || output.empty()) {
        return true;  // nothing is started
    }
    std::optional<std::size_t> total;
    {
        const FolderSettings settings = read_folder_settings(IniReader(files_.settings_file));
        const FileCount count(input, settings.types.accepted, output, 0, CountedSizes::all,
                              settings.ignore);
        QElapsedTimer waited;
        waited.start();
        while (!(total = count.total()) && !waited.hasExpired(kMoveCountWaitMs)) {
            QThread::msleep(10);
        }
    }
    const QString from = QFile::decodeName(QByteArray::fromStdString(input));
    const QString to = QFile::decodeName(QByteArray::fromStdString(output));
    QString question =
        !total ? tr("Move the files under\n%1\nto\n%2?").arg(from, to)
        : *total == 1
            ? tr("Move 1 file from\n%1\nto\n%2?").arg(from, to)
            : tr("Move %1 files from\n%2\nto\n%3?").arg(to_qt(with_thousands(*total)), from, to);
    question += QStringLiteral("\n\n") +
                tr("No file leaves its place before its copy in the output folder is safe on the "
                   "disk. The move can be undone with File → Undo last run...");
    return ask_move_(question);
}

void MainWindow::update_undo_action() {
    const std::string output = folder_with_separator(folder_bytes(1));
    const UndoResult found = output.empty() ? UndoResult{} : run_to_undo_in(output);
    undo_action_->setEnabled(!running_ && !found.run.empty());
    // A command that is greyed out says why.
    undo_action_->setToolTip(found.run.empty() ? to_qt(found.problem) : QString());
}

void MainWindow::undo_clicked() {
    const std::string output = folder_with_separator(folder_bytes(1));
    if (output.empty() || running_) {
        return;
    }
    UndoWindow window(this, output);
    window.set_pump_interval(pump_clock_.interval());
    window.preview();
    open_undo_(window);
    update_undo_action();
}

void MainWindow::about_clicked() {
    const std::string output = folder_with_separator(folder_bytes(1));
    const QString record =
        output.empty()
            ? tr("in each output folder, as %1").arg(to_qt(std::string(kRecordFileName)))
            : QFile::decodeName(QByteArray::fromStdString(output + std::string(kRecordFileName)));
    const QString text =
        tr("Trackfold %1").arg(QStringLiteral(TRACKFOLD_VERSION)) + QStringLiteral("\n\n") +
        tr("Sorts music files into folders by their artist and album tags.") +
        QStringLiteral("\n") +
        tr("Free software under the MIT licence: you may use, copy, change and pass it on.") +
        QStringLiteral("\n\n") +
        tr("Settings: %1")
            .arg(QFile::decodeName(QByteArray::fromStdString(files_.settings_file.string()))) +
        QStringLiteral("\n") +
        tr("Log: %1").arg(QFile::decodeName(QByteArray::fromStdString(files_.log_file.string()))) +
        QStringLiteral("\n") + tr("Record: %1").arg(record);
    QMessageBox box(QMessageBox::Information, tr("About Trackfold"), text, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

void MainWindow::come_forward() {
    if (isMinimized()) {
        showNormal();
    }
    show();
    raise();
    activateWindow();
}

void MainWindow::save_geometry() {
    PutIniText(files_.settings_file, settings_key::kSection, settings_key::kWindowGeometry,
               saveGeometry().toBase64().toStdString());
}

// Qt checks what it reads and keeps the window on a screen that is there now.
void MainWindow::restore_geometry() {
    const std::string saved =
        whole_ini_text(files_.settings_file, settings_key::kSection, settings_key::kWindowGeometry);
    if (!saved.empty()) {
        restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(saved)));
    }
}

QLineEdit* MainWindow::folder_box(int index) const {
    return index == 0 ? ui_->txtInputFolder : ui_->txtOutputFolder;
}

// A folder name that is not UTF-8 cannot pass through a QString unchanged: as long as the box
// shows what the settings gave it, those very bytes are used.
std::string MainWindow::folder_bytes(int index) const {
    const QString text = folder_box(index)->text();
    if (text == loaded_[index].shown) {
        return loaded_[index].bytes;
    }
    return QFile::encodeName(text).toStdString();
}

void MainWindow::set_cancel_question(std::function<bool()> ask) {
    ask_cancel_ = std::move(ask);
}

void MainWindow::set_shell_opener(std::function<bool(const std::string&)> open) {
    open_with_shell_ = std::move(open);
}

void MainWindow::set_process_end(std::function<void()> end) {
    end_process_ = std::move(end);
}

void MainWindow::set_folder_chooser(FolderChooser choose) {
    choose_folder_ = std::move(choose);
}

void MainWindow::set_move_question(std::function<bool(const QString&)> ask) {
    ask_move_ = std::move(ask);
}

void MainWindow::set_undo_opener(std::function<void(UndoWindow&)> open) {
    open_undo_ = std::move(open);
}

void MainWindow::set_teller(std::function<void(const std::string&, Notice)> tell) {
    tell_ = std::move(tell);
}

void MainWindow::set_settings_opener(std::function<void(SettingsDialog&)> open) {
    open_settings_ = std::move(open);
}

void MainWindow::set_pump_interval(int milliseconds) {
    pump_clock_.set_interval(milliseconds);
}

void MainWindow::tell(const std::string& message) {
    if (end_after_run_) {
        // Nobody is left to read a message box.
        std::fprintf(stderr, "trackfold: %s\n", message.c_str());
        return;
    }
    if (running_) {
        // A warning during a run covers the window for a while; behind it the window paints.
        show_pending_texts();
        setUpdatesEnabled(true);
    }
    tell_(message, Notice::problem);
}

void MainWindow::note(const std::string& message) {
    if (troubled_) {
        tell(message);
    } else if (!end_after_run_) {
        tell_(message, Notice::information);
    }
}

QLabel* MainWindow::counter_label(Counter counter) const {
    switch (counter) {
        case Counter::ReadFile:
            return ui_->lblReadFileCount;
        case Counter::AlbumArtist:
            return ui_->lblAlbumArtist;
        case Counter::AlbumOnly:
            return ui_->lblAlbumOnlyCount;
        case Counter::ArtistOnly:
            return ui_->lblArtistOnlyCount;
        case Counter::Unknown:
            break;
    }
    return ui_->lblUnknownFileCount;
}

void MainWindow::set_counters(const RunCounters& counters) {
    counters_ = counters;
    progress_model_.set_taken(counters[Counter::ReadFile]);
    counters_pending_ = true;
    if (!running_) {
        show_pending_texts();
    }
}

void MainWindow::set_status(const std::string& file_name) {
    if (running_) {
        pending_status_ = file_name;
    } else {
        show_status(to_qt(file_name));
    }
}

void MainWindow::show_pending_texts() {
    if (counters_pending_) {
        for (Counter counter : {Counter::ReadFile, Counter::AlbumArtist, Counter::AlbumOnly,
                                Counter::ArtistOnly, Counter::Unknown}) {
            counter_label(counter)->setText(QString::number(counters_[counter]));
        }
        failed_count_->setText(QString::number(failed_));
        counters_pending_ = false;
    }
    if (pending_status_) {
        show_status(to_qt(*pending_status_));
        pending_status_.reset();
    }
}

// The line is as wide as designed; what does not fit is in its tooltip.
void MainWindow::show_status(const QString& text) {
    QLabel* label = ui_->lbReadFilelStatus;
    label->setText(text);
    label->setToolTip(label->fontMetrics().horizontalAdvance(text) > label->contentsRect().width()
                          ? text
                          : QString());
}

// The list shows the engine's line of each event and the word for what was done.
void MainWindow::report(const RunEvent& event) {
    const ActionWord word = action_word(event);
    ui_->lstInfo->append(list_line(event), RunTexts::action(word).toStdString(), line_kind(word));
    if (selects_line(event)) {
        ui_->lstInfo->select_last();
    }
    progress_model_.feed(event);
    troubled_ = troubled_ || is_failure(event);
    if (const auto* placed = std::get_if<FilePlaced>(&event);
        placed != nullptr && placed->source_fate == SourceFate::Stuck) {
        if (sources_kept_++ == 0) {
            first_kept_reason_ = shown(placed->source) + " (" + placed->source_kept + ")";
        }
    } else if (std::holds_alternative<FileFailed>(event)) {
        ++failed_;
        counters_pending_ = true;
    } else if (const auto* summary = std::get_if<RunSummary>(&event)) {
        failed_ = summary->failed;
        counters_pending_ = true;
    } else if (const auto* ended = std::get_if<RunEnded>(&event)) {
        troubled_ = troubled_ || ended->outcome == RunOutcome::NotStarted;
    }
    if (counters_pending_ && !running_) {
        show_pending_texts();
    }
}

void MainWindow::files_counted(std::size_t total) {
    progress_model_.set_total(total);
}

void MainWindow::clear_log() {
    ui_->lstInfo->clear();
}

void MainWindow::append_log(const std::string& line) {
    ui_->lstInfo->append(line);
}

void MainWindow::select_last_log() {
    ui_->lstInfo->select_last();
}

bool MainWindow::ask_cancel() {
    // The question may cover the window for a while; behind it the window paints as usual.
    show_pending_texts();
    setUpdatesEnabled(true);
    const bool yes = ask_cancel_() || end_after_run_;
    if (!yes && progress_) {
        // The run goes on, and so must the way to cancel it.
        progress_->show();
    }
    return yes;
}

// Events wait as the pump clock says, and the window is painted only a few times a second;
// the walk still asks its cancel question before the next file.
void MainWindow::pump_events() {
    if (!pump_clock_.due()) {
        return;
    }
    if (!last_paint_.isValid() || last_paint_.hasExpired(kRunPaintIntervalMs)) {
        show_pending_texts();
        if (progress_) {
            progress_->show_progress(progress_model_.at(RunProgress::Clock::now()));
        }
        setUpdatesEnabled(true);
        repaint();
        last_paint_.start();
    }
    setUpdatesEnabled(false);
    QCoreApplication::processEvents();
}

void MainWindow::set_run_buttons_enabled(bool enabled) {
    ui_->cmdOpen_0->setEnabled(enabled);
    ui_->cmdOpen_1->setEnabled(enabled);
    ui_->cmdStart->setEnabled(enabled);
    ui_->cmdPreview->setEnabled(enabled);
    ui_->cmdSettings->setEnabled(enabled);
    undo_action_->setEnabled(enabled && undo_action_->isEnabled());
    // The run is over: from here on the window paints as usual again.
    running_ = !enabled;
    if (enabled) {
        show_pending_texts();
        setUpdatesEnabled(true);
    }
}

void MainWindow::show_progress() {
    progress_model_ = RunProgress();
    pump_clock_.restart();
    last_paint_.invalidate();
    progress_ = std::make_unique<ProgressWindow>(this);
    progress_->show();
}

void MainWindow::unload_progress() {
    progress_.reset();
}

void MainWindow::show_end_status(const RunResult& result, const std::string& log,
                                 const std::string& problem) {
    set_status(RunTexts::end_status(result, log, problem).toStdString());
}

void MainWindow::tell_log_trouble(LogTrouble trouble, const std::string& log,
                                  const std::string& problem) {
    const std::string text = RunTexts::log_trouble(trouble, log, problem).toStdString();
    // A log no program opens is a notice; a log not saved is a problem.
    if (trouble == LogTrouble::NoViewer) {
        note(text);
    } else {
        tell(text);
    }
}

void MainWindow::tell_disk_full(const DiskFullStop& stop) {
    tell(RunTexts::disk_full(stop).toStdString());
}

void MainWindow::tell_not_started(const std::string& reason) {
    tell(RunTexts::not_started(reason).toStdString());
}

bool MainWindow::open_with_shell(const std::string& path) {
    // An editor opening as the program ends was not asked for.
    return end_after_run_ || open_with_shell_(path);
}

void MainWindow::open_clicked(int index) {
    QLineEdit* box = folder_box(index);
    const QString title = index == 0 ? tr("Select Input Folder") : tr("Select Output Folder");
    box->setText(BrowseFolder(this, title, trimmed(box->text()), choose_folder_));
    const QString folder = trimmed(box->text());
    if (!folder.isEmpty() && !folder.endsWith(u'/')) {
        box->setText(box->text() + u'/');
    }
}

void MainWindow::settings_clicked() {
    SettingsDialog dialog(files_.settings_file, this);
    open_settings_(dialog);
    show_mode();
}

void MainWindow::start_clicked() {
    show_mode();
    const std::string input = folder_bytes(0);
    const std::string output = folder_bytes(1);
    if (run_mode(IniReader(files_.settings_file)) == RunMode::move &&
        !move_confirmed(input, output)) {
        return;
    }
    failed_ = 0;
    sources_kept_ = 0;
    first_kept_reason_.clear();
    troubled_ = false;
    start_run(*this, input, output, files_, library_);
    if (end_after_run_) {
        save_geometry();
        release_mp3_library(library_);
        end_process_();
        return;
    }
    tell_sources_kept();
    update_undo_action();
}

// A move that had to keep sources is not the move that was asked for, whatever the last line
// says: the user hears it, with the reason of the first.
void MainWindow::tell_sources_kept() {
    if (sources_kept_ == 0) {
        return;
    }
    const QString text =
        sources_kept_ == 1
            ? tr("1 source could not be removed and stays where it was, beside its copy in the "
                 "output folder: %1")
                  .arg(to_qt(first_kept_reason_))
            : tr("%1 sources could not be removed and stay where they were, each beside its copy "
                 "in the output folder. The first: %2")
                  .arg(to_qt(with_thousands(sources_kept_)), to_qt(first_kept_reason_));
    tell(text.toStdString());
}

// The folders are taken as Start takes them; the preview's own Start then runs the real sort
// from the main window, so the two cannot differ in anything but writing.
void MainWindow::preview_clicked() {
    const std::string input = folder_with_separator(folder_bytes(0));
    const std::string output = folder_with_separator(folder_bytes(1));
    if (input.empty() || output.empty()) {
        return;
    }
    SortRequest request{input, output, files_.settings_file};
    request.library = &library_;
    auto* preview = new PreviewWindow(this, request);
    preview->setAttribute(Qt::WA_DeleteOnClose);
    preview->set_pump_interval(pump_clock_.interval());
    connect(preview, &PreviewWindow::start_requested, this, &MainWindow::start_clicked,
            Qt::QueuedConnection);
    preview->run();
}

// Also reached from inside a run, when the walk lets the window handle a click on End or on
// the close box: the run stops after the file in hand without a question, its log is written,
// and then the process ends.
void MainWindow::closeEvent(QCloseEvent* event) {
    if (running_) {
        end_after_run_ = true;
        CancelState = Cancelled;
        event->ignore();
        return;
    }
    save_geometry();
    release_mp3_library(library_);
    event->accept();
    end_process_();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    resize_children();
}

// The designed layout at the designed size; what the window gains goes to the folder boxes and
// the log list, and the controls beside and below them move along.
void MainWindow::resize_children() {
    if (!designed_size_.isValid()) {
        return;
    }
    const int dx = width() - designed_size_.width();
    const int dy = height() - designed_size_.height();
    for (const DesignedPlace& place : designed_geometry_) {
        const ControlStretch& s = place.stretch;
        const int move_x = s.move_x ? dx : 0;
        const int move_y = s.move_y ? dy : 0;
        const QRect now = place.rect.adjusted(move_x, move_y, move_x + (s.grow_x ? dx : 0),
                                              move_y + (s.grow_y ? dy : 0));
        if (place.widget->minimumSize() == place.widget->maximumSize()) {
            place.widget->setFixedSize(now.size());
        }
        place.widget->setGeometry(now);
    }
}

}  // namespace trackfold
