#include "util/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "util/text.h"

namespace fs = std::filesystem;

namespace trackfold {
namespace {

// The private-profile reader gets a 100-character buffer, one of which holds the terminator.
constexpr std::size_t kMaxValueChars = 99;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::size_t kMaxSettingsBytes = 1 << 20;

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim_blanks(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && is_blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    constexpr auto lower = [](char c) { return ascii_lower(c); };
    return std::ranges::equal(a, b, {}, lower, lower);
}

enum class LineKind { kOther, kSection, kKey };

struct IniLine {
    std::size_t begin;  // first byte of the line
    std::size_t end;    // just past its text, before the line break
    std::size_t next;   // first byte of the following line
    LineKind kind;
    std::string_view name;
    std::string_view value;
};

void parse_text(IniLine& line, std::string_view text) {
    text = trim_blanks(text);
    if (text.empty() || text.front() == ';' || text.front() == '#') {
        return;
    }
    if (text.front() == '[') {
        const auto close = text.rfind(']');
        if (close != std::string_view::npos) {
            line.kind = LineKind::kSection;
            line.name = trim_blanks(text.substr(1, close - 1));
        }
        return;
    }
    const auto equals = text.find('=');
    if (equals != std::string_view::npos) {
        line.kind = LineKind::kKey;
        line.name = trim_blanks(text.substr(0, equals));
        line.value = trim_blanks(text.substr(equals + 1));
    }
}

std::vector<IniLine> parse(std::string_view content) {
    std::vector<IniLine> lines;
    std::size_t begin = 0;
    while (begin < content.size()) {
        const auto newline = content.find('\n', begin);
        // A CR is part of the line break also where the file ends before its LF, or the value
        // on the last line would change once a line is written after it.
        const std::size_t stop = newline != std::string_view::npos ? newline : content.size();
        IniLine line{begin, stop, content.size(), LineKind::kOther, {}, {}};
        if (newline != std::string_view::npos) {
            line.next = newline + 1;
        }
        if (stop > begin && content[stop - 1] == '\r') {
            line.end = stop - 1;
        }
        std::string_view text = content.substr(begin, line.end - begin);
        if (begin == 0 && text.starts_with(kUtf8Bom)) {
            text.remove_prefix(kUtf8Bom.size());
        }
        parse_text(line, text);
        lines.push_back(line);
        begin = line.next;
    }
    return lines;
}

struct Match {
    std::optional<std::size_t> section;  // the first section of that name
    std::optional<std::size_t> key;      // the first key of that name in it
    std::size_t last_entry = 0;          // its last key line, or its header when it has none
};

Match find_entry(const std::vector<IniLine>& lines, std::string_view section,
                 std::string_view key) {
    section = trim_blanks(section);
    key = trim_blanks(key);
    Match match;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const IniLine& line = lines[i];
        if (line.kind == LineKind::kSection) {
            if (match.section) {
                break;
            }
            if (equal_ignoring_case(line.name, section)) {
                match.section = i;
                match.last_entry = i;
            }
        } else if (match.section && line.kind == LineKind::kKey) {
            match.last_entry = i;
            if (!match.key && equal_ignoring_case(line.name, key)) {
                match.key = i;
            }
        }
    }
    return match;
}

// Only a regular file of sane size: a folder, a FIFO or /dev/zero under the settings' name must
// not stop, block or exhaust the program.
SettingsText read_file(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return {std::nullopt, errno == ENOENT ? "" : std::strerror(errno)};
    }
    SettingsText result;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        result.problem = std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        result.problem = "not a regular file";
    } else if (info.st_size > static_cast<off_t>(kMaxSettingsBytes)) {
        result.problem = "larger than 1 MB";
    } else {
        std::string content(static_cast<std::size_t>(info.st_size), '\0');
        std::size_t done = 0;
        for (ssize_t got; done < content.size() &&
                          (got = ::read(fd, content.data() + done, content.size() - done)) != 0;) {
            if (got < 0 && errno != EINTR) {
                result.problem = std::strerror(errno);
                break;
            }
            done += got > 0 ? static_cast<std::size_t>(got) : 0;
        }
        content.resize(done);
        if (result.problem.empty()) {
            result.content = std::move(content);
        }
    }
    ::close(fd);
    return result;
}

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

std::string_view first_chars(std::string_view text, std::size_t count) {
    std::size_t end = 0;
    for (; count > 0 && end < text.size(); --count) {
        const auto character = decode_utf8(text.substr(end));
        end += character ? character->length : 1;
    }
    return text.substr(0, end);
}

// The reader drops blanks around a value and one pair of enclosing quotes: a value that would
// lose either is written inside quotes, so that it reads back whole.
std::string quoted_if_needed(const std::string& value) {
    if (value.empty() || (!is_blank(value.front()) && !is_blank(value.back()) &&
                          unquote(value).size() == value.size())) {
        return value;
    }
    return '"' + value + '"';
}

std::string_view line_break_of(std::string_view content) {
    const auto newline = content.find('\n');
    return newline != std::string_view::npos && newline > 0 && content[newline - 1] == '\r' ? "\r\n"
                                                                                            : "\n";
}

// Writes beside the old file and renames over it, so a failed write leaves the old settings.
void replace_file(const fs::path& file, const std::string& content) {
    fs::path temp = file;
    temp += ".tmp";
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    std::error_code ec;
    if (out.fail()) {
        fs::remove(temp, ec);
        return;
    }
    const auto old_status = fs::status(file, ec);
    if (fs::exists(old_status)) {
        fs::permissions(temp, old_status.permissions(), ec);
    }
    fs::rename(temp, file, ec);
    if (ec) {
        fs::remove(temp, ec);
    }
}

}  // namespace

SettingsText read_settings_text(const fs::path& file) {
    return read_file(file);
}

IniReader::IniReader(const fs::path& file) {
    SettingsText read = read_file(file);
    content_ = std::move(read.content);
    problem_ = std::move(read.problem);
}

CachedSettings::CachedSettings(fs::path file)
    : file_(std::move(file)), reader_(IniReader::empty()) {}

const IniReader& CachedSettings::current() {
    struct stat info {};
    const bool there = ::stat(file_.c_str(), &info) == 0;
    const Version now{there,
                      info.st_size,
                      info.st_mtim.tv_sec,
                      info.st_mtim.tv_nsec,
                      info.st_ctim.tv_sec,
                      info.st_ctim.tv_nsec,
                      info.st_ino};
    if (reads_ > 0 && (now == version_ || !there)) {
        return reader_;
    }
    IniReader read(file_);
    if (reads_ > 0 && !read.problem().empty()) {
        return reader_;
    }
    reader_ = std::move(read);
    version_ = now;
    ++reads_;
    return reader_;
}

std::optional<std::string_view> IniReader::raw_value(const std::string& section,
                                                     const std::string& key) const {
    if (!content_) {
        return std::nullopt;
    }
    const auto lines = parse(*content_);
    const Match match = find_entry(lines, section, key);
    if (!match.key) {
        return std::nullopt;
    }
    return unquote(lines[*match.key].value);
}

std::string IniReader::text(const std::string& section, const std::string& key,
                            const std::string& default_value) const {
    const auto raw = raw_value(section, key);
    if (!raw) {
        return default_value;
    }
    std::string value(first_chars(*raw, kMaxValueChars));
    std::erase(value, '\0');
    value = trim_spaces(value);
    return value.empty() ? default_value : value;
}

std::string IniReader::whole_text(const std::string& section, const std::string& key) const {
    std::string value(raw_value(section, key).value_or(""));
    std::erase(value, '\0');
    return trim_spaces(value).empty() ? "" : value;
}

std::string GetIniText(const fs::path& file, const std::string& section, const std::string& key,
                       const std::string& default_value) {
    return IniReader(file).text(section, key, default_value);
}

std::string whole_ini_text(const fs::path& file, const std::string& section,
                           const std::string& key) {
    return IniReader(file).whole_text(section, key);
}

void PutIniText(const fs::path& file, const std::string& section, const std::string& key,
                const std::string& value) {
    // A line break would end the value early and turn the rest into a line of its own.
    for (const std::string_view text : {section, key, value}) {
        if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
            return;
        }
    }
    SettingsText read = read_file(file);
    if (!read.problem.empty()) {
        return;
    }
    std::optional<std::string>& content = read.content;
    if (!content) {
        content.emplace();
    }
    const std::string_view old = *content;
    const std::string_view line_break = line_break_of(old);
    const std::string entry = key + "=" + quoted_if_needed(value);
    const auto lines = parse(old);
    const Match match = find_entry(lines, section, key);

    std::string updated;
    if (match.key) {
        const IniLine& line = lines[*match.key];
        updated.append(old.substr(0, line.begin)).append(entry).append(old.substr(line.end));
    } else {
        const std::size_t at = match.section ? lines[match.last_entry].next : old.size();
        updated.append(old.substr(0, at));
        if (!updated.empty() && updated.back() == '\r') {
            // The last line ends in half a line break: completing it keeps that line's value.
            updated.append("\n");
        } else if (!updated.empty() && updated.back() != '\n') {
            updated.append(line_break);
        }
        if (!match.section) {
            updated.append("[").append(section).append("]").append(line_break);
        }
        updated.append(entry).append(line_break).append(old.substr(at));
    }
    replace_file(file, updated);
}

}  // namespace trackfold
