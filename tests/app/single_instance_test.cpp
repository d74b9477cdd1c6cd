#include <QDateTime>
#include <QFile>
#include <QLockFile>
#include <QtTest>

#include "app/single_instance.h"
#include "support/temp_dir.h"

using trackfold::acquire_single_instance;
using trackfold::test::TempDir;

class SingleInstanceTest : public QObject {
    Q_OBJECT

  private slots:
    void secondInstanceIsRefusedWhileTheFirstRuns() {
        TempDir dir;
        const QString path = QString::fromStdString((dir.path() / "trackfold.lock").string());
        QLockFile first(path);
        QLockFile second(path);
        QVERIFY(acquire_single_instance(first));
        QVERIFY(!acquire_single_instance(second));
        first.unlock();
        QVERIFY(acquire_single_instance(second));
    }

    void longRunningFirstInstanceStillHoldsTheLock() {
        TempDir dir;
        const QString path = QString::fromStdString((dir.path() / "trackfold.lock").string());
        QLockFile first(path);
        QVERIFY(acquire_single_instance(first));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addDays(-1),
                                 QFileDevice::FileModificationTime));
        file.close();
        QLockFile second(path);
        QVERIFY(!acquire_single_instance(second));
    }

    void lockThatCannotBeMadeDoesNotStopTheProgram() {
        TempDir dir;
        QLockFile lock(
            QString::fromStdString((dir.path() / "missing" / "trackfold.lock").string()));
        QVERIFY(acquire_single_instance(lock));
    }

    void lockLivesInTheUsersRuntimeFolder() {
        const QString path = trackfold::instance_lock_path();
        QVERIFY(path.endsWith(QStringLiteral("/trackfold.lock")));
        QVERIFY(path.startsWith(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)));
    }
};

QTEST_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
