#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/browse_folder.h"
#include "app/pump_clock.h"
#include "engine/run/run_progress.h"
#include "engine/run/run_window.h"
#include "engine/run/start_run.h"
#include "tags/tag_reader.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenuBar;

namespace Ui {
class MainWindow;
}

namespace trackfold {

class LogList;
class ProgressWindow;
class SettingsDialog;
class UndoWindow;

// How a control follows the main window when it is made larger than designed.
struct ControlStretch {
    bool grow_x = false;
    bool grow_y = false;
    bool move_x = false;
    bool move_y = false;
};

// The one main window: folder fields, buttons, counters, status line and the log list.
class MainWindow : public QWidget, public RunWindow {
    Q_OBJECT
  public:
    explicit MainWindow(RunFiles files, Mp3Library& library = vbmp3_library());
    ~MainWindow() override;

    void InitMainWindow();

    // What would reach past the window: the question box, the shell, the end of the process
    // and the folder dialog. Tests put their own here.
    void set_cancel_question(std::function<bool()> ask);
    void set_shell_opener(std::function<bool(const std::string&)> open);
    void set_process_end(std::function<void()> end);
    void set_folder_chooser(FolderChooser choose);
    // Shows a message; the icon says whether it reports a problem.
    enum class Notice { problem, information };
    void set_teller(std::function<void(const std::string&, Notice)> tell);
    // Shows the Settings dialog, modally; tests fill it in and accept or reject it instead.
    void set_settings_opener(std::function<void(SettingsDialog&)> open);
    // Asks whether to move, before a run in move mode; true goes ahead. The text says what.
    void set_move_question(std::function<bool(const QString&)> ask);
    // Shows the Undo window, modally, after its preview; tests press its buttons instead.
    void set_undo_opener(std::function<void(UndoWindow&)> open);
    // Brings the window to the front, as a second start of the program asks.
    void come_forward();
    // How long the window lets pending events wait during a run; tests make it 0, so that
    // every point where the walk lets the window handle events does.
    void set_pump_interval(int milliseconds);

    void report(const RunEvent& event) override;
    void files_counted(std::size_t total) override;
    void set_counters(const RunCounters& counters) override;
    void set_status(const std::string& file_name) override;
    bool ask_cancel() override;
    void pump_events() override;
    bool events_due() const override { return pump_clock_.due_now(); }
    void clear_log() override;
    void append_log(const std::string& line) override;
    void select_last_log() override;
    void set_run_buttons_enabled(bool enabled) override;
    void show_progress() override;
    void unload_progress() override;
    bool open_with_shell(const std::string& path) override;
    void tell(const std::string& message) override;
    void note(const std::string& message) override;
    void show_end_status(const RunResult& result, const std::string& log,
                         const std::string& problem) override;
    void tell_log_trouble(LogTrouble trouble, const std::string& log,
                          const std::string& problem) override;
    void tell_not_started(const std::string& reason) override;
    void tell_disk_full(const DiskFullStop& stop) override;

    // As the run told them; the labels catch up when the window paints.
    const RunCounters& counters() const { return counters_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    struct LoadedFolder {
        std::string bytes;  // as the settings file holds it
        QString shown;      // as the box showed it then
    };

    QLineEdit* folder_box(int index) const;
    std::string folder_bytes(int index) const;
    void start_clicked();
    void preview_clicked();
    void open_clicked(int index);
    void settings_clicked();
    void show_mode();
    bool move_confirmed(const std::string& input, const std::string& output);
    void undo_clicked();
    void update_undo_action();
    void about_clicked();
    void add_menus();
    void add_failed_counter();
    void add_log_filter();
    void tell_sources_kept();
    void show_status(const QString& text);
    void save_geometry();
    void restore_geometry();
    QLabel* counter_label(Counter counter) const;
    void show_pending_texts();
    void resize_children();

    std::unique_ptr<Ui::MainWindow> ui_;
    RunFiles files_;
    Mp3Library& library_;
    std::function<bool()> ask_cancel_;
    std::function<bool(const std::string&)> open_with_shell_;
    std::function<void()> end_process_;
    std::function<void(const std::string&, Notice)> tell_;
    FolderChooser choose_folder_;
    std::function<void(SettingsDialog&)> open_settings_;
    std::function<bool(const QString&)> ask_move_;
    std::function<void(UndoWindow&)> open_undo_;
    QMenuBar* menu_bar_ = nullptr;
    QAction* undo_action_ = nullptr;
    QLabel* failed_count_ = nullptr;
    QComboBox* log_filter_ = nullptr;
    // Of the run in hand: the failures so far, and the first source a move had to keep.
    std::size_t failed_ = 0;
    std::size_t sources_kept_ = 0;
    std::string first_kept_reason_;
    // The run did not start, or something failed: its notices are warnings.
    bool troubled_ = false;
    std::unique_ptr<ProgressWindow> progress_;
    LoadedFolder loaded_[2];
    QElapsedTimer last_paint_;
    PumpClock pump_clock_;
    RunProgress progress_model_;
    // End was asked for during a run: the run stops after the file in hand, writes its log,
    // and then the process ends.
    bool end_after_run_ = false;
    QSize designed_size_;
    struct DesignedPlace {
        QWidget* widget;
        QRect rect;
        ControlStretch stretch;
    };
    std::vector<DesignedPlace> designed_geometry_;
    // During a run the counters and the status change with every file, far more often than the
    // window paints; setting a label's text each time costs a layout pass nobody sees. They
    // wait here until the window paints.
    bool running_ = false;
    RunCounters counters_;
    bool counters_pending_ = false;
    std::optional<std::string> pending_status_;
};

}  // namespace trackfold
