// Makes the README's pictures: a small collection of made-up recordings in a fresh folder,
// sorted by the real main window, and each scene grabbed as a PNG. Under a Japanese locale it
// makes only the Japanese main window. scripts/screenshots runs it in both languages.

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/controls.h"  // the window tests' own, in tests/app
#include "app/latin_font.h"
#include "app/main_window.h"
#include "app/messages.h"
#include "app/preview_window.h"
#include "app/undo_window.h"
#include "engine/settings/settings_keys.h"
#include "support/mp3_fixture.h"
#include "support/temp_dir.h"
#include "util/ini_file.h"

namespace fs = std::filesystem;
using trackfold::MainWindow;
using trackfold::test::control;
using trackfold::test::make_mp3;
using trackfold::test::Mp3Tags;
using trackfold::test::TagKind;

namespace {

// A fixed place, so that the pictures show short paths that do not change from run to run.
const fs::path kDemo = "/tmp/trackfold-demo";
// Wide enough for the paths of the log and the undo, tall enough for the whole log.
const QSize kWindowSize(860, 490);

// Made-up names only: no real artist, album or cover is ever shown.
// The copy of the first song holds other audio, so it is numbered beside it.
const struct {
    const char* path;
    Mp3Tags tags;
    int frames = 4;
} kCollection[] = {
    {"Road Trip/01 Opening.mp3", {.artist = "The Examples", .album = "Road Trip"}},
    {"Road Trip/02 Highway.mp3", {.artist = "The Examples", .album = "Road Trip"}},
    {"Road Trip/03 Rest Stop.mp3", {.artist = "The Examples", .album = "Road Trip"}},
    {"Road Trip copy/01 Opening.mp3", {.artist = "The Examples", .album = "Road Trip"}, 6},
    {"Lanterns/Paper Boats.mp3", {.artist = "Paper Lanterns", .album = "Harbour Lights"}},
    {"Lanterns/Low Tide.mp3", {.artist = "Paper Lanterns", .album = "Harbour Lights"}},
    {"Singles/demo take.mp3", {.artist = "Jo Sample"}},
    {"Singles/live set.mp3", {.album = "Live Sets"}},
    {"voice memo.mp3", {.kind = TagKind::None}},
};

// Few colours, without dithering noise, and the strongest compression keep a picture of a
// window small.
void save(const QPixmap& picture, const fs::path& file) {
    const QImage image =
        picture.toImage().convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    if (!image.save(QString::fromStdString(file.string()), "PNG", 0)) {
        qFatal("cannot write %s", file.c_str());
    }
    std::printf("%s\n", file.c_str());
}

// The question over the window it belongs to, as the user sees it.
QPixmap over_window(QWidget& window, QWidget& dialog) {
    QPixmap picture = window.grab();
    const QPixmap box = dialog.grab();
    QPainter painter(&picture);
    const QPoint at((picture.width() - box.width()) / 2, (picture.height() - box.height()) / 2);
    painter.drawPixmap(at, box);
    painter.setPen(QColor(90, 90, 90));
    painter.drawRect(QRect(at, box.size()).adjusted(-1, -1, 0, 0));
    return picture;
}

void set_folders(const fs::path& settings) {
    using namespace trackfold::settings_key;
    trackfold::PutIniText(settings, kSection, kInputFolder, (kDemo / "Music/").string());
    trackfold::PutIniText(settings, kSection, kOutputFolder, (kDemo / "Sorted/").string());
}

void shoot_preview(MainWindow& window, const fs::path& docs) {
    control<QPushButton>(window, "cmdPreview")->click();
    auto* preview = window.findChild<trackfold::PreviewWindow*>();
    preview->findChild<QTreeView*>()->expandAll();
    save(preview->grab(), docs / "preview.png");
    preview->close();
}

// A copy edited after the run stays, and the preview says why.
void shoot_undo(MainWindow& window, const fs::path& docs) {
    trackfold::test::write_file(kDemo / "Sorted/Artists/Jo Sample/demo take.mp3", "edited later");
    window.set_undo_opener([&docs](trackfold::UndoWindow& undo) {
        undo.resize(kWindowSize.width(), undo.height());
        save(undo.grab(), docs / "undo-preview.png");
    });
    control<QAction>(window, "actUndo")->trigger();
}

// Answered No, so nothing moves.
void shoot_move_question(MainWindow& window, const fs::path& settings, const fs::path& docs) {
    trackfold::PutIniText(settings, trackfold::settings_key::kSection,
                          trackfold::settings_key::kMode, "move");
    window.InitMainWindow();
    QTimer::singleShot(0, [&window, &docs] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            qFatal("no move question");
        }
        save(over_window(window, *box), docs / "move-question.png");
        box->reject();
    });
    control<QPushButton>(window, "cmdStart")->click();
}

void shoot(const fs::path& docs) {
    const bool japanese = QLocale().language() == QLocale::Japanese;
    for (const auto& [path, tags, frames] : kCollection) {
        make_mp3(kDemo / "Music" / path, tags, trackfold::test::mpeg_audio(frames));
    }
    const trackfold::RunFiles files{kDemo / "trackfold.ini", kDemo / "trackfold.txt"};
    set_folders(files.settings_file);
    MainWindow window(files);
    window.set_shell_opener([](const std::string&) { return true; });
    window.set_teller([](const std::string& message, MainWindow::Notice) {
        std::fprintf(stderr, "message: %s\n", message.c_str());
    });
    window.InitMainWindow();
    window.resize(kWindowSize);
    window.show();
    if (!japanese) {
        shoot_preview(window, docs);
    }
    control<QPushButton>(window, "cmdStart")->click();
    QApplication::processEvents();
    save(window.grab(), docs / (japanese ? "main-window-ja.png" : "main-window.png"));
    if (!japanese) {
        shoot_undo(window, docs);
        shoot_move_question(window, files.settings_file, docs);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DOCS_FOLDER\n", argv[0]);
        return 2;
    }
    std::error_code error;
    // Never a folder someone else made: only one this program made is removed at the end.
    if (!fs::create_directory(kDemo, error)) {
        std::fprintf(stderr, "%s exists already (or cannot be made); remove it first\n",
                     kDemo.c_str());
        return 1;
    }
    {
        QApplication application(argc, argv);
        // As main.cpp starts the program: its language, and Latin text in a Latin face.
        trackfold::install_ui_language(QLocale());
        QApplication::setFont(trackfold::with_latin_face_first(QApplication::font()));
        shoot(fs::absolute(argv[1]));
    }
    fs::remove_all(kDemo, error);
    return 0;
}
