#pragma once

#include <QDialog>
#include <QString>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/settings/folder_settings.h"
#include "engine/settings/run_mode.h"
#include "engine/walk/tag_read_ahead.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace trackfold {

// Edits the settings file's keys other than the remembered folders. OK writes only the keys
// whose value was changed here, so hand-written formatting and unknown keys stay as they are.
class SettingsDialog : public QDialog {
    Q_OBJECT
  public:
    explicit SettingsDialog(std::filesystem::path settings_file, QWidget* parent = nullptr);

    void accept() override;

  private:
    struct FolderName {
        const char* key;
        QLineEdit* box;
        QString loaded;
    };
    struct FileType {
        std::string extension;
        QCheckBox* box;
    };

    std::optional<RunMode> chosen_mode() const;
    std::vector<std::string> checked_types() const;
    void save_changes() const;
    QWidget* make_layout_box(const IniReader& settings);
    // The settings as the dialog shows them, for its examples.
    FolderSettings shown_settings() const;
    void show_layout_examples();

    std::filesystem::path settings_file_;
    std::vector<FolderName> folder_names_;
    std::vector<FileType> file_types_;
    std::vector<std::string> loaded_types_;
    std::vector<std::string> unknown_types_;
    QCheckBox* album_artist_;
    bool loaded_album_artist_;
    QCheckBox* disc_folders_;
    bool loaded_disc_folders_;
    QComboBox* layout_;
    QString loaded_layout_;
    QLabel* layout_example_;
    // A real file of the input folder, to show each layout by.
    std::string sample_name_;
    TagResult sample_tags_;
    QCheckBox* companions_;
    bool loaded_companions_;
    QComboBox* code_page_;
    QString loaded_code_page_;
    QLineEdit* ignore_;
    QString loaded_ignore_;
    QRadioButton* copy_;
    QRadioButton* move_;
    std::optional<RunMode> loaded_mode_;
    QPushButton* ok_;
};

}  // namespace trackfold
