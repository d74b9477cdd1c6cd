#include <QScrollBar>
#include <QtTest>

#include "app/log_list.h"

using trackfold::LogList;

class LogListTest : public QObject {
    Q_OBJECT

  private slots:
    // Lines over many blocks, deflated or not, come back byte for byte in any order, and none
    // after a clear.
    void everyLineComesBackAsItWentIn() {
        std::vector<std::string> lines;
        for (int i = 0; i < 20000; ++i) {
            lines.push_back(std::to_string(i) + "\tAlbums\t/music/Shelf " + std::to_string(i % 7) +
                            "/Track " + std::to_string(i) + ".mp3");
        }
        lines[5] = "";
        lines[7000] = std::string(300 * 1024, 'x');
        std::string noise;
        for (unsigned i = 0; i < 300 * 1024; ++i) {
            noise += static_cast<char>((i * 7919 + i / 13) % 251);
        }
        lines[7001] = noise;
        trackfold::LineStore store;
        for (const std::string& line : lines) {
            store.push_back(line);
        }
        QCOMPARE(store.size(), lines.size());
        for (std::size_t i = 0; i < lines.size(); i += 997) {
            const std::size_t back = lines.size() - 1 - i;
            QCOMPARE(std::string(store.at(back)), lines[back]);
            QCOMPARE(std::string(store.at(i)), lines[i]);
        }
        for (const std::size_t i : {std::size_t{5}, std::size_t{6999}, std::size_t{7000},
                                    std::size_t{7001}, std::size_t{7002}, lines.size() - 1}) {
            QCOMPARE(std::string(store.at(i)), lines[i]);
        }
        store.clear();
        QVERIFY(store.empty());
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, store.at(0));
    }

    void keepsEveryLineBeyondTheOldListBoxLimit() {
        LogList list;
        list.resize(653, 100);
        for (int i = 0; i < 40000; ++i) {
            list.append(QString::number(i));
            list.select_last();
        }
        QCOMPARE(list.count(), std::size_t{40000});
        QCOMPARE(list.line(32767), QStringLiteral("32767"));
        QCOMPARE(list.line(39999), QStringLiteral("39999"));
        QCOMPARE(list.current_row(), 39999);
        QCOMPARE(list.first_visible_row() + list.visible_rows() - 1, 39999);
    }

    void selectingAnEarlierRowScrollsBackToIt() {
        LogList list;
        list.resize(653, 100);
        for (int i = 0; i < 100; ++i) {
            list.append(QString::number(i));
        }
        list.select_last();
        list.set_current_row(3);
        QCOMPARE(list.first_visible_row(), 3);
        list.set_current_row(1000);
        QCOMPARE(list.current_row(), 99);
    }

    void clearForgetsLinesSelectionAndScrolling() {
        LogList list;
        list.resize(653, 100);
        for (int i = 0; i < 100; ++i) {
            list.append(QStringLiteral("line"));
        }
        list.select_last();
        list.clear();
        QCOMPARE(list.count(), std::size_t{0});
        QCOMPARE(list.current_row(), -1);
        QCOMPARE(list.verticalScrollBar()->maximum(), 0);
        list.select_last();
        QCOMPARE(list.current_row(), -1);
    }

    void tabsAndLongLinesCanBeScrolledIntoView() {
        LogList list;
        list.resize(200, 100);
        list.show();
        list.append(
            QStringLiteral("1\tAlbumName + ArtistName\t/in/a/long/folder/a.mp3\t/out/a.mp3"));
        QVERIFY(list.horizontalScrollBar()->maximum() > 0);
        list.clear();
        QCOMPARE(list.horizontalScrollBar()->maximum(), 0);
    }

    // The bars come and go with the lines, also when many lines arrive between two turns of
    // the event loop, as they do during a run.
    void scrollBarsShowOnlyWhileTheLinesOutgrowTheView() {
        LogList list;
        list.resize(200, 100);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        list.append(QStringLiteral("short"));
        QCoreApplication::processEvents();
        QVERIFY(!list.verticalScrollBar()->isVisible());
        for (int i = 0; i < 500; ++i) {
            list.append(QStringLiteral("line ") + QString::number(i) +
                        (i == 250 ? QStringLiteral("\tlong enough to need the other bar") : ""));
            list.select_last();
        }
        QCoreApplication::processEvents();
        QVERIFY(list.verticalScrollBar()->isVisible());
        QVERIFY(list.horizontalScrollBar()->isVisible());
        QCOMPARE(list.first_visible_row() + list.visible_rows() - 1, 500);
        list.clear();
        QCoreApplication::processEvents();
        QVERIFY(!list.verticalScrollBar()->isVisible());
        QVERIFY(!list.horizontalScrollBar()->isVisible());
    }

    void mouseAndKeysMoveTheSelection() {
        LogList list;
        list.resize(653, 100);
        list.show();
        for (int i = 0; i < 50; ++i) {
            list.append(QString::number(i));
        }
        QTest::mousePress(list.viewport(), Qt::LeftButton, {}, list.row_rect(2).center());
        QCOMPARE(list.current_row(), 2);
        QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(list.current_row(), 3);
        QTest::keyClick(&list, Qt::Key_Up);
        QTest::keyClick(&list, Qt::Key_Up);
        QCOMPARE(list.current_row(), 1);
        QTest::keyClick(&list, Qt::Key_End);
        QCOMPARE(list.current_row(), 49);
        QCOMPARE(list.first_visible_row() + list.visible_rows() - 1, 49);
        QTest::keyClick(&list, Qt::Key_Home);
        QCOMPARE(list.current_row(), 0);
        QCOMPARE(list.first_visible_row(), 0);
        QTest::mousePress(list.viewport(), Qt::LeftButton, {},
                          list.row_rect(list.visible_rows()).center());
        QCOMPARE(list.current_row(), list.visible_rows());
    }

    // A filter shows its lines, also those that come after it is set; keys and clicks move
    // among them, and the indices stay the whole list's.
    void aFilterShowsItsLinesAndTheKeysMoveAmongThem() {
        LogList list;
        list.resize(653, 100);
        list.show();
        using trackfold::LineKind;
        const std::pair<const char*, LineKind> lines[] = {{"", LineKind::plain},
                                                          {"copied", LineKind::plain},
                                                          {"error", LineKind::error},
                                                          {"numbered", LineKind::renamed},
                                                          {"source kept", LineKind::error},
                                                          {"replaced", LineKind::renamed}};
        for (const auto& [action, kind] : lines) {
            list.append(std::string("line"), action, kind);
        }
        const struct {
            trackfold::LogFilter filter;
            std::vector<std::size_t> shown;
        } cases[] = {{trackfold::LogFilter::errors, {2, 4, 6}},
                     {trackfold::LogFilter::numbered_replaced, {3, 5}},
                     {trackfold::LogFilter::all, {0, 1, 2, 3, 4, 5, 6, 7, 8}}};
        for (const auto& c : cases) {
            list.set_filter(c.filter);
            const bool error = c.filter == trackfold::LogFilter::errors;
            list.append(std::string("later"), error ? "error" : "",
                        error ? LineKind::error : LineKind::plain);
            QCOMPARE(list.shown_lines(), c.shown);
        }
        list.set_filter(trackfold::LogFilter::errors);
        QTest::mousePress(list.viewport(), Qt::LeftButton, {}, list.row_rect(1).center());
        QCOMPARE(list.current_row(), 4);
        QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(list.current_row(), 6);
        QTest::keyClick(&list, Qt::Key_Home);
        QCOMPARE(list.current_row(), 2);
        QCOMPARE(list.count(), std::size_t{9});
    }

    void clickBelowTheLastLineSelectsNothing() {
        LogList list;
        list.resize(653, 100);
        list.show();
        list.append(QStringLiteral("Ready..."));
        QTest::mousePress(list.viewport(), Qt::LeftButton, {}, list.row_rect(3).center());
        QCOMPARE(list.current_row(), -1);
    }
};

QTEST_MAIN(LogListTest)
#include "log_list_test.moc"
