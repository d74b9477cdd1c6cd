#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace trackfold {

// Private-profile semantics: section and key match without regard to ASCII case, blanks around
// names and values and one pair of enclosing quotes are dropped, lines starting with ';' or '#'
// are comments. A missing file, section or key reads as the default, a value longer than 99
// characters is cut to 99, and a value of spaces only reads as the default. Never throws.
std::string GetIniText(const std::filesystem::path& file, const std::string& section,
                       const std::string& key, const std::string& default_value);

// One reading of the file, for a caller that needs several values at once; each value
// follows the rules of GetIniText.
class IniReader {
  public:
    explicit IniReader(const std::filesystem::path& file);
    std::string text(const std::string& section, const std::string& key,
                     const std::string& default_value) const;

  private:
    std::optional<std::string> content_;
};

// Writes one value as given, creating the file, section or key as needed and keeping every
// other line (comments, other keys) byte for byte, in the file's own line-break style.
// The old file is replaced only once the new one is complete. Failures are silent by design.
void PutIniText(const std::filesystem::path& file, const std::string& section,
                const std::string& key, const std::string& value);

}  // namespace trackfold
