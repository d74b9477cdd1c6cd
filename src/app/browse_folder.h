#pragma once

#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace trackfold {

// A modal folder chooser: (owner window, title, start folder) → the chosen folder, or nullopt
// when the user cancelled.
using FolderChooser =
    std::function<std::optional<QString>(QWidget*, const QString&, const QString&)>;

// Qt's folder dialog, directories only, opening at start_folder; one that does not exist
// preselects nothing.
std::optional<QString> choose_folder_in_dialog(QWidget* owner, const QString& title,
                                               const QString& start_folder);

// The chosen folder, or initial_path unchanged when the user cancels.
QString BrowseFolder(QWidget* owner, const QString& title, const QString& initial_path,
                     const FolderChooser& chooser = choose_folder_in_dialog);

}  // namespace trackfold
