#include <QApplication>
#include <QLockFile>
#include <QMessageBox>
#include <cstdlib>

#include "app/main_window.h"
#include "app/single_instance.h"
#include "util/app_dir.h"

namespace trackfold {

int Main(int argc, char** argv) {
    QApplication application(argc, argv);

    QLockFile lock(instance_lock_path());
    if (!acquire_single_instance(lock)) {
        QMessageBox::warning(nullptr, QStringLiteral("Trackfold"),
                             QStringLiteral("すでに起動されています。"));
        return 0;
    }

    const std::string base = AppDir() + executable_base_name();
    MainWindow window(RunFiles{base + ".ini", base + ".txt"});
    window.set_process_end([&lock] {
        lock.unlock();
        std::_Exit(0);
    });
    window.InitMainWindow();
    window.show();
    return application.exec();
}

}  // namespace trackfold

int main(int argc, char** argv) {
    return trackfold::Main(argc, argv);
}
