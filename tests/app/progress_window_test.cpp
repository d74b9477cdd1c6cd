#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <QtTest>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/log_list.h"
#include "app/main_window.h"
#include "app/progress_window.h"
#include "controls.h"
#include "engine/events/cancel_state.h"
#include "support/mp3_fixture.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using trackfold::CancelState;
using trackfold::MainWindow;
using trackfold::ProgressWindow;
using trackfold::RunFiles;
using trackfold::test::control;
using trackfold::test::make_mp3;
using trackfold::test::Mp3Tags;
using trackfold::test::read_file;
using trackfold::test::TagKind;
using trackfold::test::TempDir;
using trackfold::test::write_file;

namespace {

enum class Closer { CancelButton, CloseBox };

void close_by(ProgressWindow& progress, Closer closer) {
    if (closer == Closer::CancelButton) {
        QTest::mouseClick(control<QPushButton>(progress, "cmdCancel"), Qt::LeftButton);
    } else {
        progress.windowHandle()->close();
    }
}

// The real window over a test folder. The question is answered by the test, and at a chosen
// event pump of the walk the progress window is closed by a click that arrives just then.
class WalkedWindow : public MainWindow {
  public:
    explicit WalkedWindow(const fs::path& dir)
        : MainWindow(RunFiles{dir / "trackfold.ini", dir / "trackfold.txt"}) {
        set_shell_opener([](const std::string&) { return true; });
        set_pump_interval(0);
        set_process_end([] { qFatal("the process was ended"); });
        set_cancel_question([this] {
            trace.push_back("ask");
            return answer;
        });
    }

    ProgressWindow* progress() const { return findChild<ProgressWindow*>(); }

    void pump_events() override {
        ++pumps;
        trace.push_back("pump");
        ProgressWindow* shown = progress();
        progress_visible.push_back(shown != nullptr && shown->isVisible());
        if (pumps == close_at_pump) {
            QMetaObject::invokeMethod(
                shown, [shown, closer = closer] { close_by(*shown, closer); },
                Qt::QueuedConnection);
        }
        MainWindow::pump_events();
    }

    void set_status(const std::string& file_name) override {
        if (!file_name.empty() && !control<QPushButton>(*this, "cmdStart")->isEnabled()) {
            trace.push_back(file_name);
        }
        MainWindow::set_status(file_name);
    }

    void start(const fs::path& input, const fs::path& output) {
        control<QLineEdit>(*this, "txtInputFolder")->setText(QString::fromStdString(input));
        control<QLineEdit>(*this, "txtOutputFolder")->setText(QString::fromStdString(output));
        control<QPushButton>(*this, "cmdStart")->click();
    }

    std::vector<std::string> log_lines() const {
        std::vector<std::string> lines;
        const auto* list = control<trackfold::LogList>(*this, "lstInfo");
        for (std::size_t i = 0; i < list->count(); ++i) {
            lines.push_back(list->utf8_line(i));
        }
        return lines;
    }

    bool answer = false;
    int close_at_pump = 0;
    Closer closer = Closer::CancelButton;
    int pumps = 0;
    std::vector<bool> progress_visible;
    std::vector<std::string> trace;
};

// in/a1 a2 a3, then in/sub/b and in/zsub/c; untagged, so all go to out/Misc.
struct Collection {
    Collection() {
        write_file(dir.path() / "trackfold.ini", "[SYSTEM]\r\nUnknowFolder=Misc\r\n");
        for (const char* name : {"a1.mp3", "a2.mp3", "a3.mp3", "sub/b.mp3", "zsub/c.mp3"}) {
            make_mp3(in() / name, Mp3Tags{.kind = TagKind::None});
        }
    }
    fs::path in() const { return dir.path() / "in"; }
    fs::path out() const { return dir.path() / "out"; }
    std::string copied_line(int count, const std::string& name) const {
        return std::to_string(count) + "\tUnknown\t" + (in() / name).string() + "\t" +
               out().string() + "/Misc/" + fs::path(name).filename().string();
    }
    bool copied(const char* name) const { return fs::exists(out() / "Misc" / name); }

    TempDir dir;
};

void add_closer_rows() {
    QTest::addColumn<Closer>("closer");
    QTest::newRow("Cancel button") << Closer::CancelButton;
    QTest::newRow("close box") << Closer::CloseBox;
}

}  // namespace

Q_DECLARE_METATYPE(Closer)

std::string summary(int copied) {
    return "Summary: " + std::to_string(copied) +
           " copied, 0 already there, 0 replaced, 0 numbered, 0 failed";
}

class ProgressWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void windowIsASmallCentredToolWindowOnTop() {
        TempDir dir;
        WalkedWindow owner(dir.path());
        ProgressWindow progress(&owner);

        QCOMPARE(progress.windowTitle(), QStringLiteral("Running..."));
        const Qt::WindowFlags flags = progress.windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(progress.minimumSize(), progress.maximumSize());
        // Wide enough for its title and a folder's name.
        QVERIFY(progress.width() >= 400);
        // Within a pixel each way: an odd screen size has no exact centre.
        QVERIFY((progress.geometry().center() - progress.screen()->geometry().center())
                    .manhattanLength() <= 2);
        QCOMPARE(progress.windowIcon().cacheKey(), owner.windowIcon().cacheKey());

        const QList<QPushButton*> buttons = progress.findChildren<QPushButton*>();
        QCOMPARE(buttons.size(), 1);
        QPushButton* cancel = control<QPushButton>(progress, "cmdCancel");
        QCOMPARE(cancel->text(), QStringLiteral("&Cancel"));
        // Until the count is done the bar only says that something is going on.
        auto* bar = control<QProgressBar>(progress, "barProgress");
        QCOMPARE(bar->maximum(), 0);
        trackfold::ProgressView view;
        view.done = 3;
        view.total = 4;
        view.percent = 75;
        progress.show_progress(view);
        // One number: the text's, which the bar draws without a text of its own.
        QCOMPARE(bar->maximum(), 100);
        QCOMPARE(bar->value(), 75);
        QVERIFY(!bar->isTextVisible());
        QCOMPARE(control<QLabel>(progress, "lblProgressCount")->text(),
                 QStringLiteral("3 of 4 files (75%)"));
        QVERIFY(!cancel->isDefault());
        QVERIFY(!cancel->autoDefault());
    }

    void escAndEnterDoNotCancel_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Esc") << int(Qt::Key_Escape);
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("Enter") << int(Qt::Key_Enter);
    }

    void escAndEnterDoNotCancel() {
        QFETCH(int, key);
        TempDir dir;
        WalkedWindow owner(dir.path());
        ProgressWindow progress(&owner);
        progress.show();
        QVERIFY(QTest::qWaitForWindowExposed(&progress));
        QPushButton* cancel = control<QPushButton>(progress, "cmdCancel");
        cancel->setFocus();
        CancelState = trackfold::Idle;

        QTest::keyClick(cancel, Qt::Key(key));
        QTest::keyClick(&progress, Qt::Key(key));

        QVERIFY(progress.isVisible());
        QCOMPARE(CancelState, int(trackfold::Idle));
    }

    void everyWayOfClosingRaisesTheRequest_data() { add_closer_rows(); }

    void everyWayOfClosingRaisesTheRequest() {
        QFETCH(Closer, closer);
        TempDir dir;
        WalkedWindow owner(dir.path());
        ProgressWindow progress(&owner);
        progress.show();
        QVERIFY(QTest::qWaitForWindowExposed(&progress));
        CancelState = trackfold::Idle;

        close_by(progress, closer);

        QVERIFY(!progress.isVisible());
        QCOMPARE(CancelState, int(trackfold::CancelRequested));
    }

    void shownModelesslyDuringTheRunAndGoneAfter() {
        Collection files;
        WalkedWindow window(files.dir.path());
        window.show();
        window.start(files.in(), files.out());

        QCOMPARE(window.progress_visible, std::vector<bool>(window.pumps, true));
        QCOMPARE(window.pumps, 7);
        QVERIFY(window.progress() == nullptr);
        QCOMPARE(window.log_lines().back(), std::string("...Complete"));
        QCOMPARE(CancelState, int(trackfold::CancelRequested));

        // The request the last unload left behind does not reach into the next run.
        window.trace.clear();
        window.start(files.in(), files.out());
        QCOMPARE(std::count(window.trace.begin(), window.trace.end(), "ask"), 0);
        QCOMPARE(window.log_lines().back(), std::string("...Complete"));
    }

    void progressWindowLeavesTheMainWindowUsable() {
        Collection files;
        WalkedWindow window(files.dir.path());
        bool modeless = false;
        window.show();
        QMetaObject::invokeMethod(
            &window,
            [&] {
                ProgressWindow* progress = window.progress();
                modeless = progress != nullptr && !progress->isModal() &&
                           QApplication::activeModalWidget() == nullptr &&
                           progress->parentWidget() == &window;
            },
            Qt::QueuedConnection);
        window.start(files.in(), files.out());
        QVERIFY(modeless);
    }

    void cancelThenYesEndsTheRunAtTheNextFile_data() { add_closer_rows(); }

    void cancelThenYesEndsTheRunAtTheNextFile() {
        QFETCH(Closer, closer);
        Collection files;
        WalkedWindow window(files.dir.path());
        window.answer = true;
        window.closer = closer;
        window.close_at_pump = 2;
        window.show();
        window.start(files.in(), files.out());

        // Closed while the walk pumps before a2: a2 is still taken, the question comes before
        // a3, and neither sub-folder is entered.
        QCOMPARE(window.trace, (std::vector<std::string>{"pump", "a1.mp3", "pump", "a2.mp3", "ask",
                                                         "pump", "pump"}));
        QCOMPARE(window.log_lines(),
                 (std::vector<std::string>{"Ready...", files.copied_line(1, "a1.mp3"),
                                           files.copied_line(2, "a2.mp3"), summary(2),
                                           "...User Cancel"}));
        QVERIFY(files.copied("a2.mp3"));
        QVERIFY(!files.copied("a3.mp3"));
        QVERIFY(!files.copied("b.mp3"));
        QVERIFY(!files.copied("c.mp3"));
        QVERIFY(read_file(files.dir.path() / "trackfold.txt").ends_with("...User Cancel\r\n"));
        QVERIFY(window.progress() == nullptr);
    }

    void cancelThenNoRunsToTheEndAndCancelComesBack_data() { add_closer_rows(); }

    void cancelThenNoRunsToTheEndAndCancelComesBack() {
        QFETCH(Closer, closer);
        Collection files;
        WalkedWindow window(files.dir.path());
        window.answer = false;
        window.closer = closer;
        window.close_at_pump = 2;
        window.show();
        window.start(files.in(), files.out());

        QCOMPARE(window.trace, (std::vector<std::string>{"pump", "a1.mp3", "pump", "a2.mp3", "ask",
                                                         "pump", "a3.mp3", "pump", "pump", "b.mp3",
                                                         "pump", "pump", "c.mp3"}));
        QCOMPARE(window.log_lines(),
                 (std::vector<std::string>{
                     "Ready...", files.copied_line(1, "a1.mp3"), files.copied_line(2, "a2.mp3"),
                     files.copied_line(3, "a3.mp3"), files.copied_line(4, "sub/b.mp3"),
                     files.copied_line(5, "zsub/c.mp3"), summary(5), "...Complete"}));
        QCOMPARE(window.progress_visible, std::vector<bool>(7, true));
        QVERIFY(window.progress() == nullptr);
        QCOMPARE(CancelState, int(trackfold::CancelRequested));
    }

    void folderHoldingOnlySubFoldersNeverAsks() {
        TempDir dir;
        write_file(dir.path() / "trackfold.ini", "[SYSTEM]\r\nUnknowFolder=Misc\r\n");
        const fs::path in = dir.path() / "in";
        make_mp3(in / "deep" / "er" / "x.mp3", Mp3Tags{.kind = TagKind::None});
        make_mp3(in / "deep" / "er" / "y.mp3", Mp3Tags{.kind = TagKind::None});
        make_mp3(in / "next" / "z.mp3", Mp3Tags{.kind = TagKind::None});
        WalkedWindow window(dir.path());
        window.answer = false;
        window.close_at_pump = 1;
        window.show();
        window.start(in, dir.path() / "out");

        // Closed before "deep" is entered; neither "in" nor "deep" has a file, so the question
        // waits for the first file of "er".
        QCOMPARE(window.trace,
                 (std::vector<std::string>{"pump", "pump", "ask", "pump", "x.mp3", "pump", "y.mp3",
                                           "pump", "pump", "z.mp3"}));
        QCOMPARE(window.log_lines().back(), std::string("...Complete"));
    }
};

QTEST_MAIN(ProgressWindowTest)
#include "progress_window_test.moc"
