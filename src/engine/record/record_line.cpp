#include "engine/record/record_line.h"

#include <charconv>
#include <cstdio>
#include <ctime>
#include <vector>

#include "util/text.h"

namespace trackfold {

namespace {

struct ActionName {
    RecordAction action;
    std::string_view name;
};

constexpr ActionName kActions[] = {
    {RecordAction::Start, "start"},       {RecordAction::Undo, "undo"},
    {RecordAction::End, "end"},           {RecordAction::Folder, "folder"},
    {RecordAction::Copied, "copied"},     {RecordAction::Numbered, "numbered"},
    {RecordAction::Replaced, "replaced"}, {RecordAction::AlreadyThere, "already-there"},
    {RecordAction::Removed, "removed"},   {RecordAction::SourceRemoved, "source-removed"},
    {RecordAction::Restored, "restored"}, {RecordAction::Compact, "compact"},
    {RecordAction::Settings, "settings"},
};

std::string_view action_name(RecordAction action) {
    for (const ActionName& known : kActions) {
        if (known.action == action) {
            return known.name;
        }
    }
    return {};
}

std::optional<RecordAction> action_named(std::string_view name) {
    for (const ActionName& known : kActions) {
        if (known.name == name) {
            return known.action;
        }
    }
    return std::nullopt;
}

void append_escaped(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (byte < 0x20 || byte == 0x7F) {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::optional<std::string> unescaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) {
            return std::nullopt;
        }
        switch (text[i]) {
            case '\\':
                out += '\\';
                break;
            case 't':
                out += '\t';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 'x': {
                const int high = i + 2 < text.size() ? hex_value(text[i + 1]) : -1;
                const int low = high >= 0 ? hex_value(text[i + 2]) : -1;
                if (low < 0) {
                    return std::nullopt;
                }
                out += static_cast<char>(high * 16 + low);
                i += 2;
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return out;
}

template <typename Number>
bool parse_number(std::string_view text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// Seconds with nine decimals, as a person can read them: 1733678400.123456789.
void append_time(std::string& out, std::int64_t ns) {
    char buffer[40];
    const bool negative = ns < 0;
    const auto magnitude =
        negative ? -static_cast<std::uint64_t>(ns) : static_cast<std::uint64_t>(ns);
    std::snprintf(buffer, sizeof buffer, "%s%llu.%09llu", negative ? "-" : "",
                  static_cast<unsigned long long>(magnitude / 1000000000),
                  static_cast<unsigned long long>(magnitude % 1000000000));
    out += buffer;
}

bool parse_time(std::string_view text, std::int64_t& ns) {
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) {
        text.remove_prefix(1);
    }
    const std::size_t dot = text.find('.');
    std::int64_t seconds = 0;
    std::int64_t fraction = 0;
    if (dot == std::string_view::npos || text.size() - dot != 10 ||
        !parse_number(text.substr(0, dot), seconds) ||
        !parse_number(text.substr(dot + 1), fraction) || seconds > 9000000000 ||
        text[dot + 1] == '-' || text[0] == '-') {
        return false;
    }
    ns = seconds * 1000000000 + fraction;
    if (negative) {
        ns = -ns;
    }
    return true;
}

bool parse_placement(const std::vector<std::string_view>& f, RecordLine& line) {
    if (f.size() != 14) {
        return false;
    }
    FileStamp& s = line.source_stamp;
    FileStamp& t = line.target_stamp;
    auto source = unescaped(f[3]);
    auto target = unescaped(f[6]);
    if (!source || !target || !parse_number(f[4], s.size) || !parse_time(f[5], s.mtime_ns) ||
        !parse_number(f[7], t.size) || !parse_time(f[8], t.mtime_ns) ||
        !parse_number(f[9], s.inode) || !parse_time(f[10], s.birth_ns) ||
        !parse_time(f[11], s.ctime_ns) || !parse_number(f[12], t.inode) ||
        !parse_time(f[13], t.ctime_ns)) {
        return false;
    }
    line.source = std::move(*source);
    line.target = std::move(*target);
    return true;
}

bool parse_rest(const std::vector<std::string_view>& f, RecordLine& line) {
    switch (line.action) {
        case RecordAction::Start:
        case RecordAction::Undo:
        case RecordAction::Compact: {
            auto text = unescaped(f.size() == 5 ? f[4] : std::string_view());
            if (f.size() != 5 || !parse_number(f[3], line.pid) || !text) {
                return false;
            }
            (line.action == RecordAction::Start ? line.source : line.target) = std::move(*text);
            return true;
        }
        case RecordAction::End:
        case RecordAction::Folder:
        case RecordAction::Removed:
        case RecordAction::Settings: {
            auto text = unescaped(f.size() == 4 ? f[3] : std::string_view());
            if (f.size() != 4 || !text) {
                return false;
            }
            line.target = std::move(*text);
            return true;
        }
        default:
            return parse_placement(f, line);
    }
}

}  // namespace

bool is_placement(RecordAction action) {
    return action == RecordAction::Copied || action == RecordAction::Numbered ||
           action == RecordAction::Replaced || action == RecordAction::AlreadyThere;
}

bool wrote_target(RecordAction action) {
    return is_placement(action) && action != RecordAction::AlreadyThere;
}

std::string format_record_line(const RecordLine& line) {
    std::string out;
    out.reserve(line.source.size() + line.target.size() + 160);
    out += line.run;
    out += '\t';
    out += line.time;
    out += '\t';
    out += action_name(line.action);
    out += '\t';
    switch (line.action) {
        case RecordAction::Start:
        case RecordAction::Undo:
        case RecordAction::Compact:
            out += std::to_string(line.pid);
            out += '\t';
            append_escaped(out, line.action == RecordAction::Start ? line.source : line.target);
            return out;
        case RecordAction::End:
        case RecordAction::Folder:
        case RecordAction::Removed:
        case RecordAction::Settings:
            append_escaped(out, line.target);
            return out;
        default:
            break;
    }
    const FileStamp& s = line.source_stamp;
    const FileStamp& t = line.target_stamp;
    for (const auto& [path, stamp] : {std::pair{&line.source, &s}, std::pair{&line.target, &t}}) {
        append_escaped(out, *path);
        out += '\t' + std::to_string(stamp->size) + '\t';
        append_time(out, stamp->mtime_ns);
        out += '\t';
    }
    out += std::to_string(s.inode) + '\t';
    append_time(out, s.birth_ns);
    out += '\t';
    append_time(out, s.ctime_ns);
    out += '\t' + std::to_string(t.inode) + '\t';
    append_time(out, t.ctime_ns);
    return out;
}

std::optional<RecordLine> parse_record_line(std::string_view text) {
    const std::vector<std::string_view> fields = split_at(text, '\t');
    if (fields.size() < 4 || fields[0].empty() || fields[1].empty()) {
        return std::nullopt;
    }
    const std::optional<RecordAction> action = action_named(fields[2]);
    if (!action) {
        return std::nullopt;
    }
    RecordLine line;
    line.run = std::string(fields[0]);
    line.time = std::string(fields[1]);
    line.action = *action;
    if (!parse_rest(fields, line)) {
        return std::nullopt;
    }
    return line;
}

std::string record_time_now() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return buffer;
}

}  // namespace trackfold
