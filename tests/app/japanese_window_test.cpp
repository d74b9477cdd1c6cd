#include <QAbstractButton>
#include <QFile>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeView>
#include <QXmlStreamReader>
#include <QtTest>

#include "app/latin_font.h"
#include "app/log_list.h"
#include "app/main_window.h"
#include "app/messages.h"
#include "app/preview_window.h"
#include "app/progress_window.h"
#include "app/settings_dialog.h"
#include "controls.h"
#include "support/mp3_fixture.h"
#include "support/temp_dir.h"

using trackfold::test::control;
using trackfold::test::make_mp3;
using trackfold::test::Mp3Tags;
using trackfold::test::TempDir;

namespace {

// A text still in English: a Latin word once the paths, the numbers and the names that stay as
// they are (the program's, the code pages', the setting's, Qt's "OK") are taken out.
bool has_english(QString text) {
    static const QRegularExpression kept(
        QStringLiteral(R"(\S*/\S*|Trackfold|Ver\.|MP3|FileTypes|\bOK\b|\b(?:CP|ISO|GBK|BIG)\w*|)"
                       R"([\d.,]+\s*[kMG]?B\b)"));
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{2,}"));
    return text.remove(kept).contains(word);
}

// Every text a control shows or can show: captions, titles, placeholders and tips.
QStringList shown_texts(const QWidget& window) {
    QStringList texts{window.windowTitle()};
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (widget->objectName().startsWith(QStringLiteral("chkType_"))) {
            continue;  // a file type, named by its extension
        }
        texts << widget->toolTip();
        if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            texts << label->text();
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            texts << button->text();
        } else if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
            texts << group->title();
        } else if (const auto* box = qobject_cast<const QLineEdit*>(widget)) {
            texts << box->placeholderText();
        }
    }
    return texts;
}

// The %1, %2, ... of a text, in order of their numbers.
QStringList arguments(const QString& text) {
    static const QRegularExpression argument(QStringLiteral("%\\d"));
    QStringList found;
    for (const auto& match : argument.globalMatch(text)) {
        found << match.captured();
    }
    found.sort();
    return found;
}

QStringList english_among(const QStringList& texts) {
    QStringList english;
    for (const QString& text : texts) {
        if (has_english(text)) {
            english << text;
        }
    }
    return english;
}

}  // namespace

class JapaneseWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QCOMPARE(QLocale().language(), QLocale::Japanese);
        trackfold::install_ui_language(QLocale());
    }

    void everyMessageOfTheCatalogueHasItsJapanese() {
        QFile file(QStringLiteral(TRACKFOLD_JA_TS));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader ts(&file);
        QString source;
        int messages = 0;
        while (!ts.atEnd()) {
            if (ts.readNext() != QXmlStreamReader::StartElement) {
                continue;
            }
            if (ts.name() == u"source") {
                source = ts.readElementText();
            } else if (ts.name() == u"translation") {
                const QString type = ts.attributes().value(QStringLiteral("type")).toString();
                const QString japanese = ts.readElementText();
                QVERIFY2(type.isEmpty() && !japanese.isEmpty(), qPrintable(source));
                QVERIFY2(!japanese.contains(QRegularExpression(QStringLiteral("[A-Za-z]{4,}"))) ||
                             source.contains(QStringLiteral("Trackfold")) ||
                             source.contains(QStringLiteral("FileTypes")),
                         qPrintable(japanese));
                QCOMPARE(arguments(japanese), arguments(source));
                // A mnemonic goes at the end, in brackets, as Japanese programs show it.
                if (source.contains(QRegularExpression(QStringLiteral("&[^&]")))) {
                    QVERIFY2(japanese.contains(QRegularExpression(QStringLiteral("\\(&\\w\\)"))),
                             qPrintable(japanese));
                }
                ++messages;
            }
        }
        QVERIFY2(!ts.hasError(), qPrintable(ts.errorString()));
        QVERIFY(messages > 50);
    }

    void theDesignsJapaneseMessagesAreKeptWordForWord() {
        QCOMPARE(trackfold::cancel_question_text(), QStringLiteral("処理をキャンセルしますか?"));
        QCOMPARE(trackfold::already_running_text(), QStringLiteral("すでに起動されています。"));
    }

    void noWindowShowsEnglishBeforeOrAfterARun() {
        TempDir dir;
        const trackfold::RunFiles files{dir.path() / "trackfold.ini", dir.path() / "trackfold.txt"};
        make_mp3(dir.path() / "in" / "a.mp3", Mp3Tags{.artist = "Ann", .album = "First"});
        make_mp3(dir.path() / "in" / "b.mp3", Mp3Tags{});
        trackfold::MainWindow window(files);
        window.set_shell_opener([](const std::string&) { return false; });
        QStringList told;
        window.set_teller([&told](const std::string& message, trackfold::MainWindow::Notice) {
            told << QString::fromStdString(message);
        });
        window.InitMainWindow();
        window.show();
        QStringList texts = shown_texts(window);

        trackfold::SettingsDialog settings(files.settings_file, &window);
        texts << shown_texts(settings);

        trackfold::ProgressWindow progress(&window);
        progress.show_progress({12345, 30000, 41, 200, "/music/in/"});
        texts << shown_texts(progress);

        const std::string in = (dir.path() / "in").string();
        const std::string out = (dir.path() / "out").string();
        control<QLineEdit>(window, "txtInputFolder")->setText(QString::fromStdString(in));
        control<QLineEdit>(window, "txtOutputFolder")->setText(QString::fromStdString(out));
        control<QPushButton>(window, "cmdStart")->click();
        texts << shown_texts(window) << told;
        const auto* log = control<trackfold::LogList>(window, "lstInfo");
        for (std::size_t i = 0; i < log->count(); ++i) {
            texts << log->action(i);
        }

        trackfold::SortRequest request{in + "/", out + "/", files.settings_file};
        trackfold::PreviewWindow preview(&window, request);
        preview.run();
        texts << shown_texts(preview);
        const QAbstractItemModel* plan = control<QTreeView>(preview, "treePlan")->model();
        for (int column = 0; column < plan->columnCount(); ++column) {
            texts << plan->headerData(column, Qt::Horizontal).toString();
        }
        const QModelIndex albums = plan->index(0, 0);
        const QModelIndex file = plan->index(0, 0, plan->index(0, 0, plan->index(0, 0, albums)));
        texts << plan->index(file.row(), 2, file.parent()).data().toString();

        const QStringList english = english_among(texts);
        QVERIFY2(english.isEmpty(), qPrintable(english.join(u'\n')));
    }

    void qtsOwnButtonsSpeakJapaneseToo() {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Trackfold"),
                        trackfold::cancel_question_text(), QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(english_among(
                     {box.button(QMessageBox::Yes)->text(), box.button(QMessageBox::No)->text()}),
                 QStringList());
    }

    void latinTextKeepsALatinFace() {
        const QFont font = trackfold::with_latin_face_first(QApplication::font());
        const QString first = font.families().value(0);
        QVERIFY(!QFontDatabase::writingSystems(first).contains(QFontDatabase::Japanese));
        QVERIFY(QFontDatabase::writingSystems(first).contains(QFontDatabase::Latin));
        // Japanese text still finds the desktop's face for it.
        QVERIFY(font.families().size() > 1);
    }
};

QTEST_MAIN(JapaneseWindowTest)
#include "japanese_window_test.moc"
