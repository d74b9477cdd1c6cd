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
#include "app/qt_text.h"
#include "engine/naming/file_types.h"
#include "engine/settings/settings_keys.h"
#include "engine/walk/layout_example.h"
#include "tags/audio_formats.h"
#include "util/ini_file.h"
#include "util/text.h"
#include "vbmp3/code_page.h"

namespace trackfold {

namespace {

// The reader cuts longer values.
constexpr int kMaxValueLength = 99;
constexpr int kTypeColumns = 6;
// The design's, and two that name the file by its title.
const char* const kLayoutPresets[] = {
    kDesignLayout.data(),
    "{artist}/{album}/Disc {disc}/[{track:2} ]{title}",
    "{albumartist|artist}/[{year} - ]{album}/[{track:2} ]{title}",
};

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

    disc_folders_ = new QCheckBox(
        tr("Put each disc of an album of several discs into a \"&Disc N\" folder"), this);
    disc_folders_->setObjectName(QStringLiteral("chkDiscFolders"));
    loaded_disc_folders_ = std::atoi(settings.text(kSection, kDiscFolders, "1").c_str()) != 0;
    disc_folders_->setChecked(loaded_disc_folders_);
    QWidget* layout_box = make_layout_box(settings);
    companions_ = new QCheckBox(
        tr("Co&vers, cue sheets and booklets go with their album (a folder whose audio goes to "
           "several albums keeps them)"),
        this);
    companions_->setObjectName(QStringLiteral("chkCompanions"));
    loaded_companions_ = std::atoi(settings.text(kSection, kCompanions, "1").c_str()) != 0;
    companions_->setChecked(loaded_companions_);

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

    // Read whole, as the walk reads it: a list of patterns can be longer than other values.
    ignore_ = new QLineEdit(this);
    ignore_->setObjectName(QStringLiteral("txtIgnore"));
    ignore_->setPlaceholderText(tr("(for example: *.bak; Incomplete*)"));
    ignore_->setToolTip(
        tr("Patterns of file and folder names to leave out, separated by ';': * is any text, "
           "? one character. System files (._*, .DS_Store, Thumbs.db, desktop.ini) are always "
           "left out."));
    loaded_ignore_ = to_qt(settings.whole_text(kSection, kIgnore));
    ignore_->setText(loaded_ignore_);
    code_page_row->addRow(tr("&Ignore names:"), ignore_);

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
    const auto update_ok = [this] {
        show_layout_examples();
        ok_->setEnabled(!checked_types().empty() &&
                        parse_layout(layout_->currentText().toStdString()).layout);
    };
    for (const FileType& type : file_types_) {
        connect(type.box, &QCheckBox::toggled, this, update_ok);
    }
    for (const FolderName& name : folder_names_) {
        connect(name.box, &QLineEdit::textChanged, this, update_ok);
    }
    connect(album_artist_, &QCheckBox::toggled, this, update_ok);
    connect(disc_folders_, &QCheckBox::toggled, this, update_ok);
    connect(layout_, &QComboBox::editTextChanged, this, update_ok);
    update_ok();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(folders);
    layout->addWidget(types_group);
    layout->addWidget(album_artist_);
    layout->addWidget(disc_folders_);
    layout->addWidget(layout_box);
    layout->addWidget(companions_);
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
    if (disc_folders_->isChecked() != loaded_disc_folders_) {
        put(kDiscFolders, disc_folders_->isChecked() ? "1" : "0");
    }
    if (const QString typed = typed_text(layout_->currentText()); typed != loaded_layout_) {
        put(kLayout, typed.toStdString());
    }
    if (companions_->isChecked() != loaded_companions_) {
        put(kCompanions, companions_->isChecked() ? "1" : "0");
    }
    if (const QString chosen = chosen_code_page(code_page_->currentText());
        !same_code_page(chosen, loaded_code_page_)) {
        put(kTagCodePage, chosen.toStdString());
    }
    if (const QString typed = typed_text(ignore_->text()); typed != loaded_ignore_) {
        put(kIgnore, typed.toStdString());
    }
    if (const std::optional<RunMode> mode = chosen_mode(); mode && mode != loaded_mode_) {
        put(kMode, mode == RunMode::move ? "move" : "copy");
    }
}

QWidget* SettingsDialog::make_layout_box(const IniReader& settings) {
    using namespace settings_key;
    auto* group = new QGroupBox(tr("La&yout under the output folder"), this);
    layout_ = new QComboBox(group);
    layout_->setObjectName(QStringLiteral("cboLayout"));
    layout_->setEditable(true);
    layout_->setInsertPolicy(QComboBox::NoInsert);
    for (const char* preset : kLayoutPresets) {
        layout_->addItem(QString::fromUtf8(preset), QString::fromUtf8(preset));
    }
    // A preset's item shows its example too; the field takes the layout alone.
    connect(layout_, QOverload<int>::of(&QComboBox::activated), this,
            [this](int index) { layout_->setEditText(layout_->itemData(index).toString()); });
    const std::string loaded = settings.whole_text(kSection, kLayout);
    loaded_layout_ = to_qt(loaded.empty() ? std::string(kDesignLayout) : loaded);
    // No item is current, so that a preset's item text never stands in for what is typed.
    layout_->setCurrentIndex(-1);
    layout_->setEditText(loaded_layout_);
    layout_example_ = new QLabel(group);
    layout_example_->setObjectName(QStringLiteral("lblLayoutExample"));
    layout_example_->setTextFormat(Qt::PlainText);
    layout_example_->setWordWrap(true);
    const FolderSettings now = read_folder_settings(settings);
    if (const std::string input = settings.text(kSection, kInputFolder, ""); !input.empty()) {
        if (const std::string sample = sample_music_file(input, now.types); !sample.empty()) {
            sample_name_ = std::filesystem::path(sample).filename().string();
            sample_tags_ = read_tag_result(sample, vbmp3_library(), false);
        }
    }
    auto* rows = new QVBoxLayout(group);
    rows->addWidget(layout_);
    rows->addWidget(layout_example_);
    return group;
}

FolderSettings SettingsDialog::shown_settings() const {
    FolderSettings shown;
    for (const FolderName& name : folder_names_) {
        const std::string typed = typed_text(name.box->text()).toStdString();
        (name.key == std::string(settings_key::kAlbumFolder)    ? shown.names.album
         : name.key == std::string(settings_key::kArtistFolder) ? shown.names.artist
                                                                : shown.names.unknown) = typed;
    }
    shown.use_album_artist = album_artist_->isChecked();
    shown.disc_folders = disc_folders_->isChecked();
    return shown;
}

void SettingsDialog::show_layout_examples() {
    FolderSettings shown = shown_settings();
    // The tags alone: the sample's file is not held open for a copy.
    TagResult tags{sample_tags_.error, sample_tags_.artist, sample_tags_.album, sample_tags_.reason,
                   sample_tags_.fields};
    if (shown.use_album_artist && !tags.fields.album_artist.empty()) {
        tags.artist = tags.fields.album_artist;
    }
    const auto example = [&](const QString& text) -> std::optional<QString> {
        LayoutParse parsed = parse_layout(typed_text(text).toStdString());
        if (!parsed.layout) {
            return std::nullopt;
        }
        shown.layout = std::move(*parsed.layout);
        return to_qt(layout_example(shown, tags, sample_name_));
    };
    for (int i = 0; i < layout_->count(); ++i) {
        const QString preset = layout_->itemData(i).toString();
        const QString shown_item = sample_name_.empty() ? preset
                                                        : preset + QStringLiteral("   \u2192   ") +
                                                              example(preset).value_or(QString());
        if (layout_->itemText(i) != shown_item) {
            layout_->setItemText(i, shown_item);
        }
    }
    const QString typed = layout_->currentText();
    if (const std::string problem = parse_layout(typed_text(typed).toStdString()).problem;
        !problem.empty()) {
        layout_example_->setText(tr("Cannot be used: %1").arg(to_qt(problem)));
    } else if (sample_name_.empty()) {
        layout_example_->setText(tr("No music file in the input folder to show an example by"));
    } else {
        layout_example_->setText(tr("For example: %1").arg(example(typed).value_or(QString())));
    }
}

}  // namespace trackfold
