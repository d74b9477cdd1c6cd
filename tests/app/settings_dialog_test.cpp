#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <string>
#include <utility>
#include <vector>

#include "app/settings_dialog.h"
#include "controls.h"
#include "support/mp3_fixture.h"
#include "support/temp_dir.h"

using trackfold::SettingsDialog;
using trackfold::test::control;
using trackfold::test::make_mp3;
using trackfold::test::read_file;
using trackfold::test::TagKind;
using trackfold::test::TempDir;
using trackfold::test::write_file;

namespace {

const std::string kHandWritten =
    "; sorted by hand\r\n"
    "[SYSTEM]\r\n"
    "AlbumFolder = My Albums\r\n"
    "ArtistFolder=Artists\r\n"
    "UnknowFolder=\r\n"
    "FileTypes=mp3, .FLAC dsf\r\n"
    "UseAlbumArtist=1\r\n"
    "TagCodePage=CP932\r\n"
    "Mode=Sideways\r\n"
    "Theme=dark\r\n";

struct Edit {
    const char* name;
    QVariant value;
};

QVariant value_of(const QDialog& dialog, const char* name) {
    QWidget* widget = control<QWidget>(dialog, name);
    if (auto* box = qobject_cast<QLineEdit*>(widget)) {
        return box->text();
    }
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        return combo->currentText();
    }
    return control<QAbstractButton>(dialog, name)->isChecked();
}

void apply(const QDialog& dialog, const Edit& edit) {
    QWidget* widget = control<QWidget>(dialog, edit.name);
    if (auto* box = qobject_cast<QLineEdit*>(widget)) {
        box->setText(edit.value.toString());
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        combo->setEditText(edit.value.toString());
    } else {
        control<QAbstractButton>(dialog, edit.name)->setChecked(edit.value.toBool());
    }
}

std::string replaced(std::string text,
                     const std::vector<std::pair<std::string, std::string>>& lines) {
    for (const auto& [from, to] : lines) {
        text.replace(text.find(from), from.size(), to);
    }
    return text;
}

}  // namespace

class SettingsDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void okWritesOnlyWhatChangedAndCancelNothing() {
        const struct {
            const char* name;
            std::vector<Edit> edits;
            bool ok;
            std::vector<std::pair<std::string, std::string>> changed_lines;
        } cases[] = {
            {"untouched", {}, true, {}},
            {"folders, types, album artist, code page",
             {{"txtAlbumFolder", "Album Sets"},
              {"txtArtistFolder", ""},
              {"chkType_flac", false},
              {"chkType_ogg", true},
              {"chkUseAlbumArtist", false},
              {"cboTagCodePage", "Chinese, simplified (GBK)"}},
             true,
             {{"AlbumFolder = My Albums", "AlbumFolder=Album Sets"},
              {"ArtistFolder=Artists", "ArtistFolder="},
              {"FileTypes=mp3, .FLAC dsf", "FileTypes=mp3 ogg dsf"},
              {"UseAlbumArtist=1", "UseAlbumArtist=0"},
              {"TagCodePage=CP932", "TagCodePage=GBK"}}},
            {"mode and auto",
             {{"optMove", true}, {"txtUnknownFolder", "Not Sure"}, {"cboTagCodePage", "auto"}},
             true,
             {{"UnknowFolder=", "UnknowFolder=Not Sure"},
              {"TagCodePage=CP932", "TagCodePage=auto"},
              {"Mode=Sideways", "Mode=move"}}},
            {"disc folders and a layout",
             {{"chkDiscFolders", false}, {"cboLayout", "{artist}/{title}"}},
             true,
             {{"Theme=dark\r\n", "Theme=dark\r\nDiscFolders=0\r\nLayout={artist}/{title}\r\n"}}},
            {"cancel", {{"txtAlbumFolder", "Other"}, {"optCopy", true}}, false, {}},
        };
        for (const auto& c : cases) {
            TempDir dir;
            const auto file = dir.path() / "trackfold.ini";
            write_file(file, kHandWritten);
            SettingsDialog dialog(file);
            for (const Edit& edit : c.edits) {
                apply(dialog, edit);
            }
            c.ok ? dialog.accept() : dialog.reject();
            QVERIFY2(read_file(file) == replaced(kHandWritten, c.changed_lines), c.name);

            SettingsDialog reopened(file);
            for (const Edit& edit : c.ok ? c.edits : std::vector<Edit>{}) {
                QVERIFY2(value_of(reopened, edit.name) == edit.value, edit.name);
            }
        }
    }

    void aLayoutShowsWhereARealFileOfTheInputWouldGo() {
        TempDir dir;
        make_mp3(dir.path() / "in/sub/a.mp3", {TagKind::Id3v24, "Ann", "First"});
        write_file(dir.path() / "trackfold.ini",
                   "[SYSTEM]\nAlbumFolder=Albums\nInputFolder=" + (dir.path() / "in").string());
        SettingsDialog dialog(dir.path() / "trackfold.ini");
        const QLabel* example = control<QLabel>(dialog, "lblLayoutExample");
        QCOMPARE(example->text(), QStringLiteral("For example: Albums/Ann/First/a.mp3"));
        apply(dialog, {"cboLayout", "{album}/{nope}"});
        QVERIFY(
            example->text().startsWith(QStringLiteral("Cannot be used: {nope} names no field")));
        QVERIFY(!control<QDialogButtonBox>(dialog, "buttonBox")
                     ->button(QDialogButtonBox::Ok)
                     ->isEnabled());
    }

    void okNeedsAFileType() {
        TempDir dir;
        SettingsDialog dialog(dir.path() / "trackfold.ini");
        QPushButton* ok =
            control<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok);
        QVERIFY(ok->isEnabled());
        apply(dialog, {"chkType_mp3", false});
        QVERIFY(!ok->isEnabled());
        apply(dialog, {"chkType_wv", true});
        QVERIFY(ok->isEnabled());
    }
};

QTEST_MAIN(SettingsDialogTest)
#include "settings_dialog_test.moc"
