#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QTreeView>
#include <QWindow>
#include <QtTest>
#include <filesystem>
#include <string>
#include <vector>

#include "app/caption_fit.h"
#include "app/log_list.h"
#include "app/main_window.h"
#include "app/messages.h"
#include "app/preview_window.h"
#include "app/settings_dialog.h"
#include "app/undo_window.h"
#include "controls.h"
#include "support/mp3_fixture.h"
#include "support/temp_dir.h"
#include "util/ini_file.h"

namespace fs = std::filesystem;
using trackfold::Mp3Library;
using trackfold::RunFiles;
using trackfold::test::control;
using trackfold::test::make_mp3;
using trackfold::test::Mp3Tags;
using trackfold::test::read_file;
using trackfold::test::TagKind;
using trackfold::test::TempDir;
using trackfold::test::write_file;

namespace {

QString label_text(const QWidget& window, const char* name) {
    return control<QLabel>(window, name)->text();
}

struct ButtonStates {
    bool open_input;
    bool open_output;
    bool start;
    bool end;
    bool settings;
    bool operator==(const ButtonStates&) const = default;
};

// The real window, with the shell hand-off recorded and the button states noted at every
// point where the walk lets the window handle events.
class WatchedWindow : public trackfold::MainWindow {
  public:
    WatchedWindow(RunFiles files, Mp3Library& library) : MainWindow(std::move(files), library) {
        set_shell_opener([this](const std::string& path) {
            opened.push_back(path);
            return true;
        });
        set_process_end([] { QFAIL("the process was ended"); });
    }

    void pump_events() override {
        seen_during_run.push_back(buttons());
        MainWindow::pump_events();
    }

    ButtonStates buttons() const {
        return {control<QPushButton>(*this, "cmdOpen_0")->isEnabled(),
                control<QPushButton>(*this, "cmdOpen_1")->isEnabled(),
                control<QPushButton>(*this, "cmdStart")->isEnabled(),
                control<QPushButton>(*this, "cmdEnd")->isEnabled(),
                control<QPushButton>(*this, "cmdSettings")->isEnabled()};
    }

    std::vector<std::string> opened;
    std::vector<ButtonStates> seen_during_run;
};

// A test folder with the settings and log file of one window in it.
struct Bench {
    explicit Bench(Mp3Library& library = trackfold::vbmp3_library())
        : files{dir.path() / "trackfold.ini", dir.path() / "trackfold.txt"},
          window(files, library) {}

    void start(const std::string& input, const std::string& output) {
        control<QLineEdit>(window, "txtInputFolder")->setText(QString::fromStdString(input));
        control<QLineEdit>(window, "txtOutputFolder")->setText(QString::fromStdString(output));
        control<QPushButton>(window, "cmdStart")->click();
    }

    std::vector<std::string> log_lines() const {
        std::vector<std::string> lines;
        const auto* list = control<trackfold::LogList>(window, "lstInfo");
        for (std::size_t i = 0; i < list->count(); ++i) {
            lines.push_back(list->utf8_line(i));
        }
        return lines;
    }

    int selected_row() const {
        return control<trackfold::LogList>(window, "lstInfo")->current_row();
    }

    std::string in() const { return (dir.path() / "in").string(); }
    std::string out() const { return (dir.path() / "out").string(); }

    TempDir dir;
    RunFiles files;
    WatchedWindow window;
};

class RecordingLibrary : public Mp3Library {
  public:
    explicit RecordingLibrary(std::vector<std::string>& calls) : calls_(calls) {}
    int open(const char*, StreamInfoRecord*) override { return 0; }
    int getTagInfo(TagInfoRecord*) override { return 0; }
    void stop() override { calls_.push_back("stop"); }
    void stopCallback() override { calls_.push_back("stopCallback"); }
    void free() override { calls_.push_back("free"); }
    int setCodePage(const char*) override { return 1; }

  private:
    std::vector<std::string>& calls_;
};

// Every file and folder below root, as relative paths in name order.
std::vector<std::string> tree(const fs::path& root) {
    std::vector<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        paths.push_back(fs::relative(entry.path(), root).string());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

const char* const kCounters[] = {"lblUnknownFileCount", "lblAlbumArtist", "lblAlbumOnlyCount",
                                 "lblArtistOnlyCount", "lblReadFileCount"};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void captionsAreTheDesignedTexts_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::newRow("unknown") << "lblUnknownFileCountTitle"
                                 << "Unknown File Count : ";
        QTest::newRow("album+artist") << "lblAlbumArtistTitle"
                                      << "Album + Artist Count : ";
        QTest::newRow("album") << "lblAlbumOnlyCountTitle"
                               << "Album Only Count : ";
        QTest::newRow("artist") << "lblArtistOnlyCountTitle"
                                << "Artist Only Count : ";
        QTest::newRow("input") << "lblInputFolder"
                               << "Input Folder : ";
        QTest::newRow("output") << "Label1"
                                << "Output Folder : ";
        QTest::newRow("read count") << "lblReadFileCountTitle"
                                    << "Read File Count : ";
        QTest::newRow("status") << "lbReadFilelStatusTitle"
                                << "Read File Status : ";
        QTest::newRow("log") << "lblLog"
                             << "Log :";
    }

    void captionsAreTheDesignedTexts() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        Bench bench;
        QCOMPARE(label_text(bench.window, name.toLatin1().constData()), caption);
    }

    void noCaptionIsClippedEvenWithALargeDesktopFont_data() {
        QTest::addColumn<int>("pixel_size");
        QTest::newRow("desktop default") << 0;
        QTest::newRow("large") << 20;
    }

    void noCaptionIsClippedEvenWithALargeDesktopFont() {
        QFETCH(int, pixel_size);
        const QFont before = QApplication::font();
        if (pixel_size > 0) {
            QFont large = before;
            large.setPixelSize(pixel_size);
            QApplication::setFont(large);
        }
        Bench bench;
        QApplication::setFont(before);
        QCOMPARE(trackfold::clipped_captions(bench.window), QStringList());
        QVERIFY(!label_text(bench.window, "lblCorp").isEmpty());
    }

    void tabVisitsTheDesignedControlsInOrder() {
        Bench bench;
        bench.window.show();
        QStringList visited;
        QWidget* widget = control<QPushButton>(bench.window, "cmdStart");
        do {
            if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisible() &&
                widget->isEnabled()) {
                visited << widget->objectName();
            }
            widget = widget->nextInFocusChain();
        } while (widget->objectName() != QStringLiteral("cmdStart") && visited.size() < 50);
        QCOMPARE(visited, QStringList({"cmdStart", "lstInfo", "cmbLogFilter", "cmdEnd",
                                       "txtInputFolder", "txtOutputFolder", "cmdOpen_0",
                                       "cmdOpen_1", "picCorp", "cmdPreview", "cmdSettings"}));
    }

    void aLargerWindowGivesTheRoomToTheFoldersAndTheLog() {
        Bench bench;
        const QSize designed = bench.window.size();
        auto* list = control<trackfold::LogList>(bench.window, "lstInfo");
        const QRect list_before = list->geometry();
        const QRect end_before = control<QPushButton>(bench.window, "cmdEnd")->geometry();
        const QRect settings_before = control<QPushButton>(bench.window, "cmdSettings")->geometry();
        bench.window.show();
        bench.window.resize(designed + QSize(200, 100));

        QCOMPARE(bench.window.windowTitle(), QStringLiteral("Trackfold! Ver.1.1.0"));
        // The designed window, below the menu bar.
        const int menu = control<QWidget>(bench.window, "menuBar")->height();
        QCOMPARE(bench.window.minimumSize(), QSize(677, 365 + menu));
        QCOMPARE(list->geometry(), list_before.adjusted(0, 0, 200, 100));
        QCOMPARE(control<QPushButton>(bench.window, "cmdEnd")->geometry(),
                 end_before.translated(200, 100));
        QCOMPARE(control<QPushButton>(bench.window, "cmdSettings")->geometry(),
                 settings_before.translated(200, 100));
        QCOMPARE(control<QLineEdit>(bench.window, "txtInputFolder")->width(), 271 + 200);
    }

    void firstStartWithoutSettingsFile() {
        Bench bench;
        bench.window.InitMainWindow();
        QCOMPARE(control<QLineEdit>(bench.window, "txtInputFolder")->text(), QString());
        QCOMPARE(control<QLineEdit>(bench.window, "txtOutputFolder")->text(), QString());
        for (const char* counter : kCounters) {
            QCOMPARE(label_text(bench.window, counter), QStringLiteral("0"));
        }
        QCOMPARE(bench.log_lines(), std::vector<std::string>{"Ready..."});
        QCOMPARE(bench.selected_row(), 0);
        QCOMPARE(label_text(bench.window, "lbReadFilelStatus"), QString());
        QCOMPARE(read_file(bench.files.settings_file),
                 "[SYSTEM]\nAlbumFolder=Albums\nArtistFolder=Artists\nUnknowFolder=Unknown\n"
                 "UseAlbumArtist=1\n");

        // A key that is there, even empty, is the user's choice.
        const std::string chosen = "[SYSTEM]\r\nUnknowFolder=\r\n";
        write_file(bench.files.settings_file, chosen);
        bench.window.InitMainWindow();
        QCOMPARE(read_file(bench.files.settings_file), chosen);
    }

    void foldersAreRestoredFromTheSettingsFile() {
        Bench bench;
        write_file(bench.files.settings_file,
                   "[SYSTEM]\r\nInputFolder=/music/in box\r\nOutputFolder=/music/sorted\r\n");
        bench.window.InitMainWindow();
        QCOMPARE(control<QLineEdit>(bench.window, "txtInputFolder")->text(),
                 QStringLiteral("/music/in box"));
        QCOMPARE(control<QLineEdit>(bench.window, "txtOutputFolder")->text(),
                 QStringLiteral("/music/sorted"));
    }

    void messagesAreJapaneseOnAJapaneseDesktopAndEnglishElsewhere() {
        const struct {
            const char* locale;
            QString question, running;
        } cases[] = {
            {"ja_JP", QStringLiteral("処理をキャンセルしますか?"),
             QStringLiteral("すでに起動されています。")},
            {"en_GB", QStringLiteral("Do you want to cancel the run?"),
             QStringLiteral("Trackfold is already running.")},
            {"de_DE", QStringLiteral("Do you want to cancel the run?"),
             QStringLiteral("Trackfold is already running.")},
        };
        for (const auto& c : cases) {
            trackfold::install_ui_language(QLocale(QString::fromLatin1(c.locale)));
            QCOMPARE(trackfold::cancel_question_text(), c.question);
            QCOMPARE(trackfold::already_running_text(), c.running);
        }
    }

    void aDroppedFolderFillsTheBoxAndADroppedFileItsFolder() {
        Bench bench;
        const fs::path folder = bench.dir.path() / "Music Inbox";
        write_file(folder / "song.mp3", "x");
        const struct {
            const char* box;
            fs::path dropped;
        } cases[] = {{"txtInputFolder", folder}, {"txtOutputFolder", folder / "song.mp3"}};
        for (const auto& c : cases) {
            auto* box = control<QLineEdit>(bench.window, c.box);
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(QString::fromStdString(c.dropped.string()))});
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton,
                                  Qt::NoModifier);
            QCoreApplication::sendEvent(box, &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(box, &drop);
            QCOMPARE(box->text(), QString::fromStdString(folder.string()));
        }
    }

    void moveModeIsShownFromTheSettingsFileAndAfterTheSettingsDialog() {
        const struct {
            const char* settings;
            bool shown;
        } cases[] = {{"[SYSTEM]\nMode=MOVE\n", true},
                     {"[SYSTEM]\nMode=copy\n", false},
                     {"[SYSTEM]\nMode=Sideways\n", false}};
        for (const auto& c : cases) {
            Bench bench;
            write_file(bench.files.settings_file, c.settings);
            bench.window.InitMainWindow();
            QCOMPARE(!control<QLabel>(bench.window, "lblMode")->isHidden(), c.shown);

            bench.window.set_settings_opener([&c](trackfold::SettingsDialog& dialog) {
                control<QAbstractButton>(dialog, c.shown ? "optCopy" : "optMove")->click();
                dialog.accept();
            });
            control<QPushButton>(bench.window, "cmdSettings")->click();
            QCOMPARE(!control<QLabel>(bench.window, "lblMode")->isHidden(), !c.shown);
        }
    }

    // Enter on the question is No: nothing moves, no output folder is even made.
    void aMoveIsAskedFirstAndEnterSaysNo() {
        Bench bench;
        write_file(bench.files.settings_file, "[SYSTEM]\nMode=move\n");
        const fs::path in = bench.in();
        make_mp3(in / "a.mp3", Mp3Tags{.artist = "Ann", .album = "First"});
        make_mp3(in / "sub" / "b.mp3", Mp3Tags{.kind = TagKind::None});
        bench.window.InitMainWindow();
        QCOMPARE(control<QPushButton>(bench.window, "cmdStart")->text(), QStringLiteral("&Move"));
        QString asked;
        QTimer::singleShot(0, [&asked] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            asked = box->text();
            QTest::keyClick(box, Qt::Key_Return);
        });
        bench.start(in.string(), bench.out());

        for (const char* said : {"Move 2 files from", "before its copy", "can be undone"}) {
            QVERIFY2(asked.contains(QLatin1String(said)), qPrintable(asked));
        }
        QVERIFY(asked.contains(QString::fromStdString(in.string())));
        QVERIFY(asked.contains(QString::fromStdString(bench.out())));
        QCOMPARE(tree(in), (std::vector<std::string>{"a.mp3", "sub", "sub/b.mp3"}));
        QVERIFY(!fs::exists(bench.out()));
        QCOMPARE(bench.log_lines(), std::vector<std::string>{"Ready..."});
    }

    // The preview changes nothing and says what stays and why; the undo then gives back the
    // output as it was before the run, but for the file changed since.
    void undoFromTheWindowShowsItsPreviewThenGivesBackTheTree() {
        Bench bench;
        const fs::path in = bench.in();
        const fs::path out = bench.out();
        make_mp3(in / "a.mp3", Mp3Tags{.artist = "Ann", .album = "First"});
        make_mp3(in / "b.mp3", Mp3Tags{.kind = TagKind::None});
        bench.window.InitMainWindow();
        auto* undo = control<QAction>(bench.window, "actUndo");
        QVERIFY(!undo->isEnabled());
        bench.start(in.string(), out.string());
        QVERIFY(undo->isEnabled());
        write_file(out / "Unknown" / "b.mp3", "changed by another program");
        const std::vector<std::string> after_run = tree(out);

        std::vector<std::string> previewed;
        bench.window.set_undo_opener([&](trackfold::UndoWindow& window) {
            QCOMPARE(tree(out), after_run);
            const auto* list = control<trackfold::LogList>(window, "lstUndo");
            for (std::size_t i = 0; i < list->count(); ++i) {
                previewed.push_back(list->action(i).toStdString() + ": " + list->utf8_line(i));
            }
            control<QPushButton>(window, "cmdUndoConfirm")->click();
        });
        undo->trigger();

        const std::string kept = "kept: Kept: " + (out / "Unknown" / "b.mp3").string() +
                                 " ...This file changed since the run";
        QVERIFY(std::find(previewed.begin(), previewed.end(), kept) != previewed.end());
        const std::string removed = ": Removed: " + (out / "Albums/Ann/First/a.mp3").string();
        QVERIFY(std::find(previewed.begin(), previewed.end(), removed) != previewed.end());
        QCOMPARE(tree(out),
                 (std::vector<std::string>{".trackfold-record.txt", "Unknown", "Unknown/b.mp3"}));
        QCOMPARE(tree(in), (std::vector<std::string>{"a.mp3", "b.mp3"}));
    }

    void startWithAnEmptyFolderDoesNothing_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::newRow("no input") << ""
                                  << "OUT";
        QTest::newRow("spaces for input") << "   "
                                          << "OUT";
        QTest::newRow("no output") << "IN"
                                   << "";
        QTest::newRow("spaces for output") << "IN"
                                           << "  ";
    }

    void startWithAnEmptyFolderDoesNothing() {
        QFETCH(QString, input);
        QFETCH(QString, output);
        Bench bench;
        make_mp3(bench.dir.path() / "in" / "a.mp3", Mp3Tags{.artist = "A", .album = "B"});
        bench.window.InitMainWindow();
        const std::string settings = read_file(bench.files.settings_file);
        bench.window.set_status("before.mp3");
        bench.start(input.replace("IN", QString::fromStdString(bench.in())).toStdString(),
                    output.replace("OUT", QString::fromStdString(bench.out())).toStdString());

        QCOMPARE(read_file(bench.files.settings_file), settings);
        QVERIFY(!fs::exists(bench.files.log_file));
        QVERIFY(!fs::exists(bench.out()));
        QVERIFY(bench.window.opened.empty());
        QVERIFY(bench.window.seen_during_run.empty());
        QCOMPARE(bench.log_lines(), std::vector<std::string>{"Ready..."});
        QCOMPARE(label_text(bench.window, "lbReadFilelStatus"), QStringLiteral("before.mp3"));
    }

    void paddedFolderIsUsedWithSeparatorAndStoredWithout() {
        Bench bench;
        make_mp3(bench.dir.path() / "in" / "a.mp3", Mp3Tags{.kind = TagKind::None});
        write_file(bench.files.settings_file, "[SYSTEM]\r\nUnknowFolder=Misc\r\n");
        const std::string typed = "  " + bench.in() + " ";
        bench.start(typed, bench.out() + "/");

        QCOMPARE(
            bench.log_lines(),
            (std::vector<std::string>{
                "Ready...", "1\tUnknown\t" + bench.in() + "/a.mp3\t" + bench.out() + "/Misc/a.mp3",
                "Summary: 1 copied, 0 already there, 0 replaced, 0 numbered, 0 failed",
                "...Complete"}));
        const std::string settings = read_file(bench.files.settings_file);
        QVERIFY(settings.find("InputFolder=" + bench.in() + "\r\n") != std::string::npos);
        QVERIFY(settings.find("OutputFolder=" + bench.out() + "\r\n") != std::string::npos);
        QCOMPARE(control<QLineEdit>(bench.window, "txtInputFolder")->text().toStdString(), typed);

        bench.window.InitMainWindow();
        QCOMPARE(control<QLineEdit>(bench.window, "txtInputFolder")->text().toStdString(),
                 bench.in());
    }

    void aRememberedFolderThatIsNotUtf8IsUsedByteForByte() {
        Bench bench;
        const std::string latin1_out = bench.out() + "/L\xe9gende";
        make_mp3(bench.dir.path() / "in" / "a.mp3", Mp3Tags{.kind = TagKind::None});
        write_file(bench.files.settings_file, "[SYSTEM]\r\nInputFolder=" + bench.in() +
                                                  "\r\nOutputFolder=" + latin1_out + "\r\n");
        bench.window.InitMainWindow();
        control<QPushButton>(bench.window, "cmdStart")->click();

        QVERIFY(fs::is_regular_file(latin1_out + "/Unknown/a.mp3"));
        QCOMPARE(trackfold::whole_ini_text(bench.files.settings_file, "SYSTEM", "OutputFolder"),
                 latin1_out);
    }

    void wholeRunSortsTheTreeCountsAndWritesTheLog() {
        Bench bench;
        write_file(
            bench.files.settings_file,
            "[SYSTEM]\r\nAlbumFolder=Albums\r\nArtistFolder=Artists\r\nUnknowFolder=Misc\r\n");
        const fs::path in = bench.in();
        make_mp3(in / "a.mp3", Mp3Tags{.artist = "Ann", .album = "First"});
        make_mp3(in / "b.mp3", Mp3Tags{.kind = TagKind::None});
        make_mp3(in / "sub" / "c.mp3", Mp3Tags{.album = "Second"});
        make_mp3(in / "sub" / "d.mp3", Mp3Tags{.artist = "Bob"});
        write_file(in / "sub" / "zz.doc", "not music");
        bench.window.InitMainWindow();
        bench.start(bench.in(), bench.out());

        const std::string i = bench.in();
        const std::string o = bench.out();
        const std::vector<std::string> expected = {
            "Ready...",
            "1\tAlbumName + ArtistName\t" + i + "/a.mp3\t" + o + "/Albums/Ann/First/a.mp3\tcopied",
            "2\tUnknown\t" + i + "/b.mp3\t" + o + "/Misc/b.mp3\tcopied",
            "3\tAlbumName\t" + i + "/sub/c.mp3\t" + o + "/Albums/Second/c.mp3\tcopied",
            "4\tArtistName\t" + i + "/sub/d.mp3\t" + o + "/Artists/Bob/d.mp3\tcopied",
            "Summary: 4 copied, 0 already there, 0 replaced, 0 numbered, 0 failed",
            "...Complete",
        };
        // The list shows the action in a column of its own, not again at the end of the line.
        std::vector<std::string> listed = expected;
        for (std::string& line : listed) {
            line = line.substr(0, line.rfind("\tcopied"));
        }
        QCOMPARE(bench.log_lines(), listed);
        const auto* list = control<trackfold::LogList>(bench.window, "lstInfo");
        QCOMPARE(list->action(1), QStringLiteral("copied"));
        QCOMPARE(list->action(0), QString());
        QCOMPARE(bench.selected_row(), 6);

        std::string log_bytes;
        for (const std::string& line : expected) {
            log_bytes += line + "\r\n";
        }
        QCOMPARE(read_file(bench.files.log_file), log_bytes);
        QCOMPARE(bench.window.opened, std::vector<std::string>{bench.files.log_file.string()});

        QCOMPARE(label_text(bench.window, "lblReadFileCount"), QStringLiteral("4"));
        QCOMPARE(label_text(bench.window, "lblAlbumArtist"), QStringLiteral("1"));
        QCOMPARE(label_text(bench.window, "lblAlbumOnlyCount"), QStringLiteral("1"));
        QCOMPARE(label_text(bench.window, "lblArtistOnlyCount"), QStringLiteral("1"));
        QCOMPARE(label_text(bench.window, "lblUnknownFileCount"), QStringLiteral("1"));
        QCOMPARE(label_text(bench.window, "lbReadFilelStatus"),
                 QStringLiteral("Summary: 4 copied, 0 already there, 0 replaced, 0 numbered, 0 "
                                "failed | Log: ") +
                     QString::fromStdString(bench.files.log_file.string()));

        QVERIFY(fs::is_regular_file(o + "/Albums/Ann/First/a.mp3"));
        QVERIFY(fs::is_regular_file(o + "/Misc/b.mp3"));
        QVERIFY(fs::is_regular_file(o + "/Albums/Second/c.mp3"));
        QVERIFY(fs::is_regular_file(o + "/Artists/Bob/d.mp3"));
    }

    // Nothing is written until the preview's own Start, which then sorts as the plan said.
    void previewShowsThePlanAndItsStartSorts() {
        Bench bench;
        bench.window.InitMainWindow();
        const fs::path in = bench.in();
        make_mp3(in / "a.mp3", Mp3Tags{.artist = "Ann", .album = "First"});
        make_mp3(in / "sub" / "a.mp3", Mp3Tags{.artist = "Ann", .album = "First"},
                 trackfold::test::mpeg_audio(6));
        make_mp3(in / "b.mp3", Mp3Tags{.kind = TagKind::None});
        control<QLineEdit>(bench.window, "txtInputFolder")->setText(QString::fromStdString(in));
        control<QLineEdit>(bench.window, "txtOutputFolder")
            ->setText(QString::fromStdString(bench.out()));
        control<QPushButton>(bench.window, "cmdPreview")->click();

        auto* preview = bench.window.findChild<trackfold::PreviewWindow*>();
        QVERIFY(preview != nullptr);
        QVERIFY(!fs::exists(bench.out()));
        const QAbstractItemModel* plan = control<QTreeView>(*preview, "treePlan")->model();
        const QModelIndex albums = plan->index(0, 0);
        QCOMPARE(albums.data().toString(), QStringLiteral("Albums"));
        QCOMPARE(plan->index(0, 1).data().toString(), QStringLiteral("2"));
        const QModelIndex first = plan->index(0, 0, plan->index(0, 0, albums));
        QCOMPARE(plan->rowCount(first), 2);
        QCOMPARE(plan->index(0, 2, first).data().toString(), QStringLiteral("numbered"));
        QCOMPARE(plan->index(0, 0, first).data(Qt::ToolTipRole).toString(),
                 QString::fromStdString((in / "sub" / "a.mp3").string()));

        control<QPushButton>(*preview, "cmdPreviewStart")->click();
        QTRY_VERIFY(fs::is_regular_file(bench.out() + "/Albums/Ann/First/a.mp3"));
        QVERIFY(fs::is_regular_file(bench.out() + "/Unknown/b.mp3"));
        QCOMPARE(bench.log_lines().size(), std::size_t{6});
    }

    void aCancelledPreviewStopsAtOnce() {
        Bench bench;
        const fs::path in = bench.in();
        make_mp3(in / "a.mp3", Mp3Tags{.artist = "Ann", .album = "First"});
        control<QLineEdit>(bench.window, "txtInputFolder")->setText(QString::fromStdString(in));
        control<QLineEdit>(bench.window, "txtOutputFolder")
            ->setText(QString::fromStdString(bench.out()));
        QTimer::singleShot(0, &bench.window, [&bench] {
            auto* preview = bench.window.findChild<trackfold::PreviewWindow*>();
            control<QPushButton>(*preview, "cmdPreviewCancel")->click();
        });
        control<QPushButton>(bench.window, "cmdPreview")->click();

        auto* preview = bench.window.findChild<trackfold::PreviewWindow*>();
        QCOMPARE(preview->plan().files(), std::size_t{0});
        QVERIFY(
            label_text(*preview, "lblPreviewStatus").endsWith(QStringLiteral("...User Cancel")));
        QVERIFY(preview->isVisible());
    }

    void folderWithoutMp3GivesJustTheSummary() {
        Bench bench;
        write_file(bench.dir.path() / "in" / "notes.txt", "text");
        write_file(bench.files.log_file, "an older and longer log\r\nwith two lines\r\n");
        bench.start(bench.in(), bench.out());
        QCOMPARE(read_file(bench.files.log_file),
                 std::string("Ready...\r\nSummary: 0 copied, 0 already there, 0 replaced, 0 "
                             "numbered, 0 failed\r\n...Complete\r\n"));
        QCOMPARE(label_text(bench.window, "lblReadFileCount"), QStringLiteral("0"));
    }

    void runButtonsAreDisabledDuringTheRunOnly() {
        Bench bench;
        make_mp3(bench.dir.path() / "in" / "a.mp3");
        make_mp3(bench.dir.path() / "in" / "sub" / "b.mp3");
        const ButtonStates idle{true, true, true, true, true};
        QCOMPARE(bench.window.buttons(), idle);
        bench.start(bench.in(), bench.out());

        QVERIFY(bench.window.seen_during_run.size() >= 2);
        for (const ButtonStates& seen : bench.window.seen_during_run) {
            QCOMPARE(seen, (ButtonStates{false, false, false, true, false}));
        }
        QCOMPARE(bench.window.buttons(), idle);
    }

    void endButtonAndCloseBoxReleaseTheLibraryThenEndTheProcess_data() {
        QTest::addColumn<bool>("close_box");
        QTest::newRow("End") << false;
        QTest::newRow("close box") << true;
    }

    void endButtonAndCloseBoxReleaseTheLibraryThenEndTheProcess() {
        QFETCH(bool, close_box);
        std::vector<std::string> calls;
        RecordingLibrary library(calls);
        Bench bench(library);
        bench.window.set_process_end([&calls] { calls.push_back("end"); });
        bench.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bench.window));
        if (close_box) {
            bench.window.windowHandle()->close();
        } else {
            control<QPushButton>(bench.window, "cmdEnd")->click();
        }
        QCOMPARE(calls, (std::vector<std::string>{"stop", "stopCallback", "free", "end"}));
    }

    void endDuringARunStopsBeforeTheNextFileAndWritesTheLog() {
        TempDir dir;
        for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) {
            make_mp3(dir.path() / "in" / name, Mp3Tags{.kind = TagKind::None});
        }
        write_file(dir.path() / "trackfold.ini", "[SYSTEM]\r\nUnknowFolder=Misc\r\n");
        const fs::path log_file = dir.path() / "trackfold.txt";
        write_file(log_file, "previous run\r\n");

        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(environment);
        child.start(QStringLiteral(END_DURING_RUN_PROGRAM),
                    {QString::fromStdString((dir.path() / "in").string()),
                     QString::fromStdString((dir.path() / "out").string()),
                     QString::fromStdString((dir.path() / "trackfold.ini").string()),
                     QString::fromStdString(log_file.string())});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);

        QVERIFY(fs::is_regular_file(dir.path() / "out" / "Misc" / "a.mp3"));
        QVERIFY(!fs::exists(dir.path() / "out" / "Misc" / "b.mp3"));
        const std::string log = read_file(log_file);
        QVERIFY2(log.starts_with("Ready...\r\n1\tUnknown\t") &&
                     log.ends_with("\r\nSummary: 1 copied, 0 already there, 0 replaced, 0 "
                                   "numbered, 0 failed\r\n...User Cancel\r\n"),
                 log.c_str());
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
