#include "engine/settings/folder_settings.h"
#include "engine/settings/settings_keys.h"

#include "code_page.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace trackfold {

FolderSettings read_folder_settings(const IniReader& settings) {
    using namespace settings_key;
    const std::string use_album_artist = settings.text(kSection, kUseAlbumArtist, "0");
    FolderSettings read{
        {settings.text(kSection, kAlbumFolder, ""), settings.text(kSection, kArtistFolder, ""),
         settings.text(kSection, kUnknownFolder, "")},
        parse_file_types(settings.whole_text(kSection, kFileTypes)),
        std::atoi(use_album_artist.c_str()) != 0,
        code_page_setting(settings.text(kSection, kTagCodePage, "")),
        parse_ignore_patterns(settings.whole_text(kSection, kIgnore))};
    read.disc_folders = std::atoi(settings.text(kSection, kDiscFolders, "1").c_str()) != 0;
    read.layout_text = settings.whole_text(kSection, kLayout);
    LayoutParse parsed = parse_layout(read.layout_text);
    read.layout = parsed.layout ? std::move(*parsed.layout) : *parse_layout("").layout;
    if (!parsed.layout) {
        read.layout_problem =
            std::string(kLayout) + "=" + read.layout_text + " cannot be used: " + parsed.problem;
    }
    read.companions = std::atoi(settings.text(kSection, kCompanions, "1").c_str()) != 0;
    return read;
}

std::string code_page_setting(const std::string& value) {
    // Empty is what earlier versions wrote for "from the language": auto keeps that reading
    // where the locale's code page reads an album best, and mends the others.
    return value.empty() || is_auto_code_page(value) ? std::string(kAutoCodePage) : value;
}

std::string tag_settings_text(const FolderSettings& settings) {
    // With auto the locale's code page is the prior, so a run under another locale may judge
    // otherwise; earlier records' "code-page=" meant the locale's alone.
    const std::string code_page = is_auto_code_page(settings.code_page)
                                      ? settings.code_page + "(" + locale_code_page() + ")"
                                      : settings.code_page;
    return "layout=" + std::to_string(settings.layout_text.size()) + ":" + settings.layout_text +
           ";code-page=" + code_page + ";album-artist=" + (settings.use_album_artist ? "1" : "0") +
           ";disc-folders=" + (settings.disc_folders ? "1" : "0");
}

std::string folder_settings_problem(const FolderSettings& settings) {
    std::string problem = sub_folder_problem(settings.names);
    return problem.empty() ? settings.layout_problem : problem;
}

namespace {

bool leads_outside(std::string_view name) {
    if (name.starts_with('/')) {
        return true;
    }
    for (std::size_t start = 0; start <= name.size();) {
        const std::size_t slash = std::min(name.find('/', start), name.size());
        const std::string_view part = name.substr(start, slash - start);
        if (part == "." || part == "..") {
            return true;
        }
        start = slash + 1;
    }
    return false;
}

}  // namespace

std::string sub_folder_problem(const SubFolderNames& names) {
    using namespace settings_key;
    for (const auto& [key, name] :
         {std::pair{kAlbumFolder, &names.album}, std::pair{kArtistFolder, &names.artist},
          std::pair{kUnknownFolder, &names.unknown}}) {
        if (leads_outside(*name)) {
            return std::string(key) + "=" + *name +
                   " does not name a folder inside the output folder (no absolute path, no . or "
                   ".. part)";
        }
    }
    return {};
}

}  // namespace trackfold
