// The settings file reader and writer: whatever the file held before, a value written is read
// back equal, and the file's other keys keep their values. Input: a choice byte, the value up to
// the first 0x01 byte, then the file's old content.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "util/ini_file.h"

namespace {

namespace fs = std::filesystem;

const fs::path& settings_file() {
    static const fs::path file = [] {
        std::string folder = (fs::temp_directory_path() / "ini-fuzz-XXXXXX").string();
        if (mkdtemp(folder.data()) == nullptr) {
            std::abort();
        }
        return fs::path(folder) / "Trackfold.ini";
    }();
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    static const char* const kSections[] = {"SYSTEM", "system", " SYSTEM ", "Other"};
    static const char* const kKeys[] = {"InputFolder", "outputfolder", "AlbumFolder", "Key"};
    const std::string section = kSections[data[0] & 3];
    const std::string key = kKeys[(data[0] >> 2) & 3];
    const std::string other_key = kKeys[((data[0] >> 2) + 1) & 3];
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t end = rest.find('\x01');
    const std::string value(rest.substr(0, end));
    const std::string_view old = end == std::string_view::npos ? "" : rest.substr(end + 1);
    {
        std::ofstream out(settings_file(), std::ios::binary | std::ios::trunc);
        out.write(old.data(), static_cast<std::streamsize>(old.size()));
    }
    const std::string other_before = trackfold::whole_ini_text(settings_file(), section, other_key);
    trackfold::GetIniText(settings_file(), section, key, "default");
    trackfold::PutIniText(settings_file(), section, key, value);
    const std::string read = trackfold::whole_ini_text(settings_file(), section, key);
    const bool storable = value.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos;
    const bool blank = value.find_first_not_of(' ') == std::string::npos;
    trackfold::fuzz::check(!storable || read == (blank ? "" : value),
                           "a written value reads back equal");
    trackfold::fuzz::check(
        trackfold::whole_ini_text(settings_file(), section, other_key) == other_before,
        "writing one key leaves another as it was");
    return 0;
}
