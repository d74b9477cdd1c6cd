#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace trackfold {

// Private-profile semantics: section and key match without regard to ASCII case, blanks around
// names and values and one pair of enclosing quotes are dropped, lines starting with ';' or '#'
// are comments. A missing file, section or key reads as the default, a value longer than 99
// characters is cut to 99, and a value of spaces only reads as the default. Never throws.
std::string GetIniText(const std::filesystem::path& file, const std::string& section,
                       const std::string& key, const std::string& default_value);

// A value as it was written, for the folders the program itself remembers: not cut at 99
// characters and not trimmed inside its quotes. A value of spaces only reads as "".
std::string whole_ini_text(const std::filesystem::path& file, const std::string& section,
                           const std::string& key);

// The settings file's bytes, read only from a regular file of at most 1 MB. content is empty
// when the file is not there or cannot be read; problem says why, unless it is not there.
struct SettingsText {
    std::optional<std::string> content;
    std::string problem;
};
SettingsText read_settings_text(const std::filesystem::path& file);

// One reading of the file, for a caller that needs several values at once; each value
// follows the rules of GetIniText. Only a regular file of at most 1 MB is read; anything else
// reads as empty and says why in problem().
class IniReader {
  public:
    explicit IniReader(const std::filesystem::path& file);
    static IniReader empty() { return IniReader(); }
    // Why the file could not be read; "" when it was, or is not there at all.
    const std::string& problem() const { return problem_; }
    std::string text(const std::string& section, const std::string& key,
                     const std::string& default_value) const;
    std::string whole_text(const std::string& section, const std::string& key) const;
    bool has(const std::string& section, const std::string& key) const {
        return raw_value(section, key).has_value();
    }

  private:
    IniReader() = default;
    std::optional<std::string_view> raw_value(const std::string& section,
                                              const std::string& key) const;

    std::optional<std::string> content_;
    std::string problem_;
};

// The settings file as a run reads it for every folder: read again only when its size, times
// or inode changed, so that a large file costs nothing per folder and an edit still counts from
// the next folder on.
class CachedSettings {
  public:
    explicit CachedSettings(std::filesystem::path file);
    // A file that is gone or cannot be read since it was last read (an editor saving it, say)
    // leaves what it said before.
    const IniReader& current();
    const std::filesystem::path& path() const { return file_; }
    // How often the file was read, for the tests.
    std::size_t reads() const { return reads_; }

  private:
    struct Version {
        bool there;
        long long size, mtime_s, mtime_ns, ctime_s, ctime_ns;
        unsigned long long inode;
        bool operator==(const Version&) const = default;
    };
    std::filesystem::path file_;
    IniReader reader_;
    Version version_{};
    std::size_t reads_ = 0;
};

// Writes one value, creating the file, section or key as needed and keeping every other line
// (comments, other keys) byte for byte, in the file's own line-break style. A value that begins
// or ends with a blank or is enclosed in quotes is written quoted, so it reads back whole. A
// section, key or value holding a line break or NUL is not written at all. The old file is
// replaced only once the new one is complete. Failures are silent by design.
void PutIniText(const std::filesystem::path& file, const std::string& section,
                const std::string& key, const std::string& value);

}  // namespace trackfold
