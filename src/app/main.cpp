#include <QApplication>
#include <QIcon>
#include <QLockFile>
#include <QMessageBox>
#include <csignal>
#include <cstdlib>

#include "app/latin_font.h"
#include "app/main_window.h"
#include "app/messages.h"
#include "app/single_instance.h"
#include "util/app_dir.h"
#include "util/settings_places.h"

namespace trackfold {

int Main(int argc, char** argv) {
    QApplication application(argc, argv);
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(size));
    }
    QApplication::setWindowIcon(icon);
    QApplication::setDesktopFileName(QStringLiteral("trackfold"));
    install_ui_language(QLocale());
    QApplication::setFont(with_latin_face_first(QApplication::font()));

    const QString lock_path = instance_lock_path();
    QLockFile lock(lock_path);
    if (!acquire_single_instance(lock)) {
        knock_on_running_instance(instance_socket_path(lock_path));
        // In front of the running copy's window, which has just come forward.
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Trackfold"), already_running_text(),
                        QMessageBox::Ok);
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
        box.exec();
        return 0;
    }

    // Decided once, so one run never mixes the program folder and the XDG folders.
    const SettingsPlaces places = settings_places(AppDir(), executable_base_name());
    MainWindow window(RunFiles{places.settings_file, places.log_file});
    window.set_process_end([&lock] {
        lock.unlock();
        std::_Exit(0);
    });
    window.InitMainWindow();
    const InstanceBeacon beacon(instance_socket_path(lock_path),
                                [&window] { window.come_forward(); });
    window.show();
    return application.exec();
}

}  // namespace trackfold

int main(int argc, char** argv) {
    // A file over the size limit is an error line of that file, not the end of the program.
    std::signal(SIGXFSZ, SIG_IGN);
    return trackfold::Main(argc, argv);
}
