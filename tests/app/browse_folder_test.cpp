#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <functional>
#include <optional>

#include "app/main_window.h"
#include "controls.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using trackfold::MainWindow;
using trackfold::RunFiles;
using trackfold::test::control;
using trackfold::test::TempDir;

namespace {

struct ChooserCall {
    QWidget* owner;
    QString title;
    QString start;
};

const char* const kBoxes[] = {"txtInputFolder", "txtOutputFolder"};
const char* const kButtons[] = {"cmdOpen_0", "cmdOpen_1"};

// Hands the folder dialog that the next event loop shows to answer; that loop is the dialog's
// own, so no other event runs first.
void when_dialog_shows(std::function<void(QFileDialog&)> answer) {
    QTimer::singleShot(0, [answer = std::move(answer)] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            qFatal("no folder dialog is showing");
        }
        answer(*dialog);
    });
}

}  // namespace

class BrowseFolderTest : public QObject {
    Q_OBJECT

  private slots:
    void browseButtonPutsTheFolderInItsBox_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<std::optional<QString>>("chosen");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("box");

        const QString input = QStringLiteral("Select Input Folder");
        const QString output = QStringLiteral("Select Output Folder");
        const std::optional<QString> cancel;
        QTest::newRow("padded, cancelled")
            << 0 << "  /music  " << cancel << "/music" << input << "/music/";
        QTest::newRow("empty, cancelled") << 0 << "" << cancel << "" << input << "";
        QTest::newRow("spaces, cancelled") << 0 << "   " << cancel << "" << input << "";
        QTest::newRow("separator kept, cancelled")
            << 0 << "/music/" << cancel << "/music/" << input << "/music/";
        QTest::newRow("root chosen")
            << 0 << "/music" << std::optional<QString>("/") << "/music" << input << "/";
        QTest::newRow("folder chosen")
            << 0 << " /music/ " << std::optional<QString>("/a/b") << "/music/" << input << "/a/b/";
        QTest::newRow("output padded, cancelled")
            << 1 << "  /sorted " << cancel << "/sorted" << output << "/sorted/";
        QTest::newRow("output empty, folder chosen")
            << 1 << "" << std::optional<QString>("/new place") << "" << output << "/new place/";
    }

    void browseButtonPutsTheFolderInItsBox() {
        QFETCH(int, index);
        QFETCH(QString, typed);
        QFETCH(std::optional<QString>, chosen);
        QFETCH(QString, start);
        QFETCH(QString, title);
        QFETCH(QString, box);

        TempDir dir;
        MainWindow window(RunFiles{dir.path() / "trackfold.ini", dir.path() / "trackfold.txt"});
        QList<ChooserCall> calls;
        window.set_folder_chooser(
            [&](QWidget* owner, const QString& dialog_title, const QString& start_folder) {
                calls.append({owner, dialog_title, start_folder});
                return chosen;
            });
        const QString other = QStringLiteral("  untouched ");
        control<QLineEdit>(window, kBoxes[index])->setText(typed);
        control<QLineEdit>(window, kBoxes[1 - index])->setText(other);

        control<QPushButton>(window, kButtons[index])->click();

        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].owner, &window);
        QCOMPARE(calls[0].title, title);
        QCOMPARE(calls[0].start, start);
        QCOMPARE(control<QLineEdit>(window, kBoxes[index])->text(), box);
        QCOMPARE(control<QLineEdit>(window, kBoxes[1 - index])->text(), other);
    }

    // The real dialog, reached through the browse buttons: it opens at the typed folder, lists
    // folders only, and what it returns is put into the box with the separator.
    void folderDialogOpensAtTheTypedFolder_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("title");
        QTest::newRow("input, chosen") << 0 << true << "Select Input Folder";
        QTest::newRow("input, cancelled") << 0 << false << "Select Input Folder";
        QTest::newRow("output, chosen") << 1 << true << "Select Output Folder";
        QTest::newRow("output, cancelled") << 1 << false << "Select Output Folder";
    }

    void folderDialogOpensAtTheTypedFolder() {
        QFETCH(int, index);
        QFETCH(bool, accept);
        QFETCH(QString, title);

        TempDir dir;
        const QString music = QString::fromStdString((dir.path() / "music").string());
        const QString inner = music + QStringLiteral("/inner folder");
        fs::create_directories(inner.toStdString());
        MainWindow window(RunFiles{dir.path() / "trackfold.ini", dir.path() / "trackfold.txt"});
        control<QLineEdit>(window, kBoxes[index])->setText(QStringLiteral("  ") + music + " ");

        QString shown_title;
        QString shown_folder;
        QWidget* shown_owner = nullptr;
        bool folders_only = false;
        when_dialog_shows([&](QFileDialog& dialog) {
            shown_title = dialog.windowTitle();
            shown_folder = dialog.directory().absolutePath();
            shown_owner = dialog.parentWidget();
            folders_only = dialog.fileMode() == QFileDialog::Directory &&
                           dialog.testOption(QFileDialog::ShowDirsOnly);
            if (accept) {
                dialog.setDirectory(inner);
                static_cast<QDialog&>(dialog).accept();
            } else {
                dialog.reject();
            }
        });
        control<QPushButton>(window, kButtons[index])->click();

        QCOMPARE(shown_title, title);
        QCOMPARE(shown_folder, music);
        QCOMPARE(shown_owner, &window);
        QVERIFY(folders_only);
        QCOMPARE(control<QLineEdit>(window, kBoxes[index])->text(),
                 (accept ? inner : music) + QStringLiteral("/"));
    }

    void missingTypedFolderPreselectsNothing() {
        TempDir dir;
        const QString missing = QString::fromStdString((dir.path() / "gone").string());
        MainWindow window(RunFiles{dir.path() / "trackfold.ini", dir.path() / "trackfold.txt"});
        control<QLineEdit>(window, "txtInputFolder")->setText(missing);

        QString typed_name = QStringLiteral("not shown");
        when_dialog_shows([&](QFileDialog& dialog) {
            typed_name = control<QLineEdit>(dialog, "fileNameEdit")->text();
            dialog.reject();
        });
        control<QPushButton>(window, "cmdOpen_0")->click();

        QCOMPARE(typed_name, QString());
        QCOMPARE(control<QLineEdit>(window, "txtInputFolder")->text(), missing + "/");
        QVERIFY(!fs::exists(missing.toStdString()));
    }
};

QTEST_MAIN(BrowseFolderTest)
#include "browse_folder_test.moc"
