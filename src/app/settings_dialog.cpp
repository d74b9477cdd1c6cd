#include "app/settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "app/code_page_choices.h"
#include "engine/naming/file_types.h"
#include "engine/settings/settings_keys.h"
#include "tags/audio_formats.h"
#include "util/ini_file.h"
#include "util/text.h"
#include "vbmp3/code_page.h"

namespace trackfold {

namespace {

// The reader cuts longer values.
constexpr int kMaxValueLength = 99;
constexpr int kTypeColumns = 6;

QString to_qt(const std::string& text) {
    return QString::fromStdString(text);
}

// The reader trims values, so what is written is trimmed too and reads back as written. A
// value that is not UTF-8 compares as it was shown, so leaving it alone does not rewrite it.
QString typed_text(const QString& text) {
    return to_qt(trim_spaces(text.toStdString()));
}

std::string joined(const std::vector<std::string>& words) {
    std::string out;
    for (const std::string& word : words) {
        out += (out.empty() ? "" : " ") + word;
    }
    return out;
}

}  // namespace

SettingsDialog::SettingsDialog(std::filesystem::path settings_file, QWidget* parent)
    : QDialog(parent), settings_file_(std::move(settings_file)) {
    using namespace settings_key;
    setWindowTitle(tr("Settings"));
    const IniReader settings(settings_file_);

    auto* folders = new QFormLayout;
    const struct {
        const char* key;
        const char* name;
        const char* label;
    } folder_rows[] = {
        {kAlbumFolder, "txtAlbumFolder", QT_TR_NOOP("A&lbum folder:")},
        {kArtistFolder, "txtArtistFolder", QT_TR_NOOP("A&rtist folder:")},
        {kUnknownFolder, "txtUnknownFolder", QT_TR_NOOP("U&nknown folder:")},
    };
    for (const auto& row : folder_rows) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QLatin1String(row.name));
        box->setMaxLength(kMaxValueLength);
        box->setPlaceholderText(tr("(empty: straight into the output folder)"));
        const QString loaded = to_qt(settings.text(kSection, row.key, ""));
        box->setText(loaded);
        folders->addRow(tr(row.label), box);
        folder_names_.push_back({row.key, box, loaded});
    }

    auto* types_group = new QGroupBox(tr("File types to sort"), this);
    auto* types = new QGridLayout(types_group);
    const FileTypes loaded_types = parse_file_types(settings.whole_text(kSection, kFileTypes));
    loaded_types_ = loaded_types.accepted;
    unknown_types_ = loaded_types.unknown;
    for (const std::string_view extension : supported_extensions()) {
        auto* box = new QCheckBox(to_qt(std::string(extension)), types_group);
        box->setObjectName(QStringLiteral("chkType_") + box->text());
        box->setChecked(std::find(loaded_types_.begin(), loaded_types_.end(), extension) !=
                        loaded_types_.end());
        const int at = static_cast<int>(file_types_.size());
        types->addWidget(box, at / kTypeColumns, at % kTypeColumns);
        file_types_.push_back({std::string(extension), box});
    }
    if (!unknown_types_.empty()) {
        auto* kept = new QLabel(
            tr("Also in the file, kept but not read: %1").arg(to_qt(joined(unknown_types_))),
            types_group);
        kept->setTextFormat(Qt::PlainText);
        types->addWidget(kept, types->rowCount(), 0, 1, kTypeColumns);
    }

    album_artist_ = new QCheckBox(
        tr("Name the artist folder after the al&bum artist, where a file has one"), this);
    album_artist_->setObjectName(QStringLiteral("chkUseAlbumArtist"));
    loaded_album_artist_ = std::atoi(settings.text(kSection, kUseAlbumArtist, "0").c_str()) != 0;
    album_artist_->setChecked(loaded_album_artist_);

    code_page_ = new QComboBox(this);
    code_page_->setObjectName(QStringLiteral("cboTagCodePage"));
    code_page_->setEditable(true);
    code_page_->setInsertPolicy(QComboBox::NoInsert);
    code_page_->addItems(code_page_choice_texts());
    code_page_->lineEdit()->setMaxLength(kMaxValueLength);
    code_page_->lineEdit()->setPlaceholderText(
        tr("Judged for each album, %1 first").arg(to_qt(locale_code_page())));
    code_page_->setToolTip(
        tr("Empty or the first choice: each album's code page is judged from "
           "its tags, your language's first. A code page named here reads "
           "every tag."));
    loaded_code_page_ = to_qt(settings.text(kSection, kTagCodePage, ""));
    code_page_->setEditText(shown_code_page(loaded_code_page_));
    auto* code_page_row = new QFormLayout;
    code_page_row->addRow(tr("Code &page of 8-bit tag texts:"), code_page_);

    auto* mode_group = new QGroupBox(tr("Mode"), this);
    copy_ = new QRadioButton(tr("&Copy the files (the sources stay)"), mode_group);
    copy_->setObjectName(QStringLiteral("optCopy"));
    move_ = new QRadioButton(
        tr("&Move the files (the sources are removed once their copy is safe)"), mode_group);
    move_->setObjectName(QStringLiteral("optMove"));
    // An unknown value checks neither, and stays in the file unless one is chosen.
    loaded_mode_ = run_mode(settings);
    copy_->setChecked(loaded_mode_ == RunMode::copy);
    move_->setChecked(loaded_mode_ == RunMode::move);
    auto* modes = new QVBoxLayout(mode_group);
    modes->addWidget(copy_);
    modes->addWidget(move_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttonBox"));
    ok_ = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &SettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SettingsDialog::reject);
    const auto update_ok = [this] { ok_->setEnabled(!checked_types().empty()); };
    for (const FileType& type : file_types_) {
        connect(type.box, &QCheckBox::toggled, this, update_ok);
    }
    update_ok();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(folders);
    layout->addWidget(types_group);
    layout->addWidget(album_artist_);
    layout->addLayout(code_page_row);
    layout->addWidget(mode_group);
    layout->addWidget(buttons);
}

std::optional<RunMode> SettingsDialog::chosen_mode() const {
    if (copy_->isChecked()) {
        return RunMode::copy;
    }
    if (move_->isChecked()) {
        return RunMode::move;
    }
    return std::nullopt;
}

std::vector<std::string> SettingsDialog::checked_types() const {
    std::vector<std::string> checked;
    for (const FileType& type : file_types_) {
        if (type.box->isChecked()) {
            checked.push_back(type.extension);
        }
    }
    return checked;
}

void SettingsDialog::accept() {
    if (!ok_->isEnabled()) {
        return;
    }
    save_changes();
    QDialog::accept();
}

void SettingsDialog::save_changes() const {
    using namespace settings_key;
    const auto put = [this](const char* key, const std::string& value) {
        PutIniText(settings_file_, kSection, key, value);
    };
    for (const FolderName& name : folder_names_) {
        if (const QString typed = typed_text(name.box->text()); typed != name.loaded) {
            put(name.key, typed.toStdString());
        }
    }
    std::vector<std::string> types = checked_types();
    std::vector<std::string> before = loaded_types_;
    std::sort(before.begin(), before.end());
    std::vector<std::string> after = types;
    std::sort(after.begin(), after.end());
    if (after != before) {
        types.insert(types.end(), unknown_types_.begin(), unknown_types_.end());
        put(kFileTypes, joined(types));
    }
    if (album_artist_->isChecked() != loaded_album_artist_) {
        put(kUseAlbumArtist, album_artist_->isChecked() ? "1" : "0");
    }
    if (const QString chosen = chosen_code_page(code_page_->currentText());
        !same_code_page(chosen, loaded_code_page_)) {
        put(kTagCodePage, chosen.toStdString());
    }
    if (const std::optional<RunMode> mode = chosen_mode(); mode && mode != loaded_mode_) {
        put(kMode, mode == RunMode::move ? "move" : "copy");
    }
}

}  // namespace trackfold
