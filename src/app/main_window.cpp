#include "app/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
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
#include "app/run_texts.h"
#include "app/settings_dialog.h"
#include "engine/events/cancel_state.h"
#include "engine/lines/line_texts.h"
#include "engine/settings/first_start.h"
#include "engine/settings/run_mode.h"
#include "engine/settings/settings_keys.h"
#include "ui_main_window.h"
#include "util/ini_file.h"
#include "util/text.h"

namespace trackfold {

namespace {

constexpr qint64 kRunPaintIntervalMs = 100;
// Within a frame of a click, and far fewer than one round of the event loop per file.

QString to_qt(const std::string& text) {
    return QString::fromStdString(text);
}

QString trimmed(const QString& text) {
    return to_qt(trim_spaces(text.toStdString()));
}

constexpr struct {
    const char* name;
    ControlStretch stretch;
} kStretches[] = {
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
          QMessageBox box(QMessageBox::Information, QStringLiteral("Trackfold"),
                          cancel_question_text(), QMessageBox::Yes | QMessageBox::No, this);
          box.setDefaultButton(QMessageBox::Yes);
          return box.exec() == QMessageBox::Yes;
      }),
      open_with_shell_([](const std::string& path) {
          return QDesktopServices::openUrl(QUrl::fromLocalFile(to_qt(path)));
      }),
      end_process_([] { std::_Exit(0); }),
      tell_([this](const std::string& message) {
          QMessageBox::warning(this, QStringLiteral("Trackfold"), to_qt(message));
      }),
      choose_folder_(choose_folder_in_dialog),
      open_settings_([](SettingsDialog& dialog) { dialog.exec(); }) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Trackfold! Ver." TRACKFOLD_VERSION));
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
}

// Moving removes the sources, which a user should not find out from an emptied input folder.
void MainWindow::show_mode() {
    ui_->lblMode->setVisible(run_mode(IniReader(files_.settings_file)) == RunMode::move);
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

void MainWindow::set_teller(std::function<void(const std::string&)> tell) {
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
    tell_(message);
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
        ui_->lbReadFilelStatus->setText(to_qt(file_name));
    }
}

void MainWindow::show_pending_texts() {
    if (counters_pending_) {
        for (Counter counter : {Counter::ReadFile, Counter::AlbumArtist, Counter::AlbumOnly,
                                Counter::ArtistOnly, Counter::Unknown}) {
            counter_label(counter)->setText(QString::number(counters_[counter]));
        }
        counters_pending_ = false;
    }
    if (pending_status_) {
        ui_->lbReadFilelStatus->setText(to_qt(*pending_status_));
        pending_status_.reset();
    }
}

// The list shows the engine's line of each event and the word for what was done.
void MainWindow::report(const RunEvent& event) {
    ui_->lstInfo->append(log_line(event), RunTexts::action(action_word(event)).toStdString());
    if (selects_line(event)) {
        ui_->lstInfo->select_last();
    }
    progress_model_.feed(event);
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
    tell(RunTexts::log_trouble(trouble, log, problem).toStdString());
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
    start_run(*this, folder_bytes(0), folder_bytes(1), files_, library_);
    if (end_after_run_) {
        release_mp3_library(library_);
        end_process_();
    }
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
