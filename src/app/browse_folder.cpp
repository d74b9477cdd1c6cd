#include "app/browse_folder.h"

#include <QFileDialog>
#include <QFileInfo>

namespace trackfold {

std::optional<QString> choose_folder_in_dialog(QWidget* owner, const QString& title,
                                               const QString& start_folder) {
    // Given a folder that does not exist, Qt would type its last name into the dialog; it is
    // to preselect nothing instead.
    const QString start = QFileInfo(start_folder).isDir() ? start_folder : QString();
    const QString chosen =
        QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return chosen;
}

QString BrowseFolder(QWidget* owner, const QString& title, const QString& initial_path,
                     const FolderChooser& chooser) {
    return chooser(owner, title, initial_path).value_or(initial_path);
}

}  // namespace trackfold
