// Runs the main window over a folder and clicks End from inside the walk once the first file
// is copied. Arguments: input folder, output folder, settings file, log file.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include "app/log_list.h"
#include "app/main_window.h"

namespace {

class EndingWindow : public trackfold::MainWindow {
  public:
    using MainWindow::MainWindow;

    void pump_events() override {
        if (findChild<trackfold::LogList*>("lstInfo")->count() == 2 && !clicked_) {
            clicked_ = true;
            QPushButton* end = findChild<QPushButton*>("cmdEnd");
            QMetaObject::invokeMethod(
                end, [end] { end->click(); }, Qt::QueuedConnection);
        }
        MainWindow::pump_events();
    }

  private:
    bool clicked_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 5) {
        return 2;
    }
    EndingWindow window(trackfold::RunFiles{argv[3], argv[4]});
    window.set_shell_opener([](const std::string&) { return true; });
    window.set_pump_interval(0);
    window.InitMainWindow();
    window.findChild<QLineEdit*>("txtInputFolder")->setText(QString::fromLocal8Bit(argv[1]));
    window.findChild<QLineEdit*>("txtOutputFolder")->setText(QString::fromLocal8Bit(argv[2]));
    window.show();
    window.findChild<QPushButton*>("cmdStart")->click();
    // Reached only when End failed to end the process once the run was over.
    return 3;
}
