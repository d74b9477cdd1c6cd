#include "engine/lines/line_texts.h"

#include <algorithm>
#include <cstdio>

#include "engine/record/record_compaction.h"
#include "util/text.h"

namespace trackfold {

namespace {

const char* category_text(Counter category) {
    switch (category) {
        case Counter::AlbumArtist:
            return "AlbumName + ArtistName";
        case Counter::AlbumOnly:
            return "AlbumName";
        case Counter::ArtistOnly:
            return "ArtistName";
        default:
            return "Unknown";
    }
}

const char* category_key(Counter category) {
    switch (category) {
        case Counter::AlbumArtist:
            return "album+artist";
        case Counter::AlbumOnly:
            return "album";
        case Counter::ArtistOnly:
            return "artist";
        default:
            return "unknown";
    }
}

const char* action_key(PlaceAction action) {
    switch (action) {
        case PlaceAction::AlreadyThere:
            return "already-there";
        case PlaceAction::Replaced:
            return "replaced";
        case PlaceAction::Numbered:
            return "numbered";
        default:
            return "copied";
    }
}

const char* outcome_key(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::Cancelled:
            return "cancelled";
        case RunOutcome::NotStarted:
            return "not-started";
        case RunOutcome::DiskFull:
            return "disk-full";
        default:
            return "complete";
    }
}

char hex_char(unsigned value) {
    return "0123456789abcdef"[value & 0xF];
}

ActionWord placed_action_word(const FilePlaced& placed) {
    if (placed.source_fate == SourceFate::Stuck) {
        return ActionWord::SourceKept;
    }
    if (placed.source_fate == SourceFate::Removed && placed.action != PlaceAction::AlreadyThere) {
        return ActionWord::Moved;
    }
    switch (placed.action) {
        case PlaceAction::AlreadyThere:
            return ActionWord::AlreadyThere;
        case PlaceAction::Replaced:
            return ActionWord::Replaced;
        case PlaceAction::Numbered:
            return ActionWord::Numbered;
        default:
            return ActionWord::Copied;
    }
}

const char* word_text(ActionWord word) {
    switch (word) {
        case ActionWord::Copied:
            return "copied";
        case ActionWord::AlreadyThere:
            return "already there";
        case ActionWord::Replaced:
            return "replaced";
        case ActionWord::Numbered:
            return "numbered";
        case ActionWord::Moved:
            return "moved";
        case ActionWord::SourceKept:
            return "source kept";
        case ActionWord::Error:
            return "error";
        case ActionWord::LeftOut:
            return "left out";
        case ActionWord::None:
            break;
    }
    return "";
}

}  // namespace

std::string with_thousands(std::size_t number) {
    const std::string digits = std::to_string(number);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped += ',';
        }
        grouped += digits[i];
    }
    return grouped;
}

std::string shown(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            out += "\\x";
            out += hex_char(byte >> 4);
            out += hex_char(byte);
        } else {
            out += c;
        }
    }
    return out;
}

namespace {

// Bytes as a person reads them: 0 bytes, 950 KB, 12.3 MB, 1.2 GB.
std::string size_text(std::uintmax_t bytes) {
    char buffer[32];
    if (bytes < 1000) {
        std::snprintf(buffer, sizeof buffer, "%ju bytes", bytes);
    } else if (bytes < 1000000) {
        std::snprintf(buffer, sizeof buffer, "%ju KB", bytes / 1000);
    } else if (bytes < 1000000000) {
        std::snprintf(buffer, sizeof buffer, "%.1f MB", static_cast<double>(bytes) / 1e6);
    } else {
        std::snprintf(buffer, sizeof buffer, "%.1f GB", static_cast<double>(bytes) / 1e9);
    }
    return buffer;
}

// A folder that could not be read took none of its files: it is counted apart from the files
// that failed, with the files a broken-off listing saw in it.
std::string failed_folders_text(const RunSummary& s) {
    const bool one = s.folders_failed == 1;
    std::string text =
        "; " + with_thousands(s.folders_failed) + (one ? " folder failed" : " folders failed");
    if (s.files_in_failed_folders > 0) {
        text += ", at least " + with_thousands(s.files_in_failed_folders) +
                (s.files_in_failed_folders == 1 ? " file" : " files") +
                (one ? " in it" : " in them");
    }
    return text;
}

// Whole megabytes: what is free rounded down, what is needed rounded up, so that a disk that
// lacks a little never reads as having enough.
std::string megabytes_down(std::uintmax_t bytes) {
    return with_thousands(bytes / 1000000) + " MB";
}

std::string megabytes_up(std::uintmax_t bytes) {
    return with_thousands((bytes + 999999) / 1000000) + " MB";
}

// Told once, as a count: these are left out quietly.
std::string names_left_out_text(const RunSummary& s) {
    std::string text;
    if (s.system_files > 0) {
        text += "; " + with_thousands(s.system_files) +
                (s.system_files == 1 ? " system file left out" : " system files left out");
    }
    if (s.ignored > 0) {
        text += "; " + with_thousands(s.ignored) + " left out by Ignore";
    }
    return text;
}

std::string summary_text(const RunSummary& s) {
    std::string text = "Summary: " + with_thousands(s.copied) +
                       (s.move ? " moved, " : " copied, ") + with_thousands(s.already_there) +
                       " already there, " + with_thousands(s.replaced) + " replaced, " +
                       with_thousands(s.numbered) + " numbered, " + with_thousands(s.failed) +
                       " failed";
    if (s.folders_failed > 0) {
        text += failed_folders_text(s);
    }
    if (s.move) {
        text += "; " + with_thousands(s.moved) + " sources removed, " + with_thousands(s.stuck) +
                " kept; " + size_text(s.bytes_freed) + " freed on the source disk";
        if (s.links_kept > 0) {
            text += "; " + with_thousands(s.links_kept) + " links copied and left in place";
        }
    }
    if (s.companions > 0) {
        text += "; " + with_thousands(s.companions) +
                (s.companions == 1 ? " companion file" : " companion files");
    }
    if (s.folders_left_out > 0) {
        text += "; " + with_thousands(s.folders_left_out) + " folders left out";
    }
    text += names_left_out_text(s);
    if (s.other_code_page > 0) {
        text += "; " + with_thousands(s.other_code_page) +
                " files named by tags read in another code page (see Code page)";
    }
    if (!s.left_out.empty()) {
        text += "; left out:";
        const char* separator = " ";
        for (const auto& [type, count] : s.left_out) {
            text += separator + type + " " + with_thousands(count);
            separator = ", ";
        }
        text += "; add them with FileTypes";
    }
    return text;
}

void append_json_string(std::string& out, std::string_view text) {
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        const auto character = decode_utf8(text.substr(i));
        if (!character) {
            out += "\\ufffd";
            ++i;
            continue;
        }
        const char32_t c = character->code_point;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\u00";
            out += hex_char(static_cast<unsigned>(c) >> 4);
            out += hex_char(static_cast<unsigned>(c));
        } else {
            out.append(text.substr(i, character->length));
        }
        i += character->length;
    }
    out += '"';
}

// A field with a text; a text that is not UTF-8 gets its exact bytes in hex beside it.
class JsonObject {
  public:
    explicit JsonObject(const char* event) { text("event", event); }
    JsonObject& text(const char* name, std::string_view value) {
        key(name);
        append_json_string(out_, value);
        if (!is_valid_utf8(value)) {
            key((std::string(name) + "_hex").c_str());
            out_ += '"';
            for (const char c : value) {
                out_ += hex_char(static_cast<unsigned char>(c) >> 4);
                out_ += hex_char(static_cast<unsigned char>(c));
            }
            out_ += '"';
        }
        return *this;
    }
    JsonObject& number(const char* name, std::size_t value) {
        key(name);
        out_ += std::to_string(value);
        return *this;
    }
    JsonObject& raw(const char* name, const std::string& json) {
        key(name);
        out_ += json;
        return *this;
    }
    std::string done() { return out_ + "}"; }

  private:
    void key(const char* name) {
        out_ += out_.size() > 1 ? ",\"" : "\"";
        out_ += name;
        out_ += "\":";
    }
    std::string out_ = "{";
};

}  // namespace

namespace {

enum class ActionField { written, left_out };

// The action comes after the four fields a placed line always had, so that what reads those
// still reads it; notes with more to say follow it.
std::string placed_text(const FilePlaced& e, ActionField action) {
    const char* category = e.kind == FileKind::Companion ? "Companion" : category_text(e.category);
    std::string line = std::to_string(e.read_count) + "\t" + category + "\t" + shown(e.source) +
                       "\t" + shown(e.target);
    if (action == ActionField::written) {
        line += std::string("\t") + word_text(placed_action_word(e));
    }
    if (!e.code_page.empty()) {
        // Its folder's names come from reading its tags so: --code-page names another.
        line += "\t...Code page: " + e.code_page;
    }
    if (!e.time_not_kept.empty()) {
        // The copy is whole; with another time than its source's it is made again.
        line += "\t...Time not kept (" + e.time_not_kept + ")";
    }
    if (e.source_fate == SourceFate::Removed) {
        if (e.action == PlaceAction::AlreadyThere) {
            line += "\t...Already there, source removed";
        }
    } else if (e.source_fate == SourceFate::Stuck) {
        line += "\t...Source kept (" + e.source_kept + ")";
    } else if (e.source_fate == SourceFate::LinkKept) {
        line += "\t...Link kept: copied what it leads to";
    }
    return line;
}

std::string log_text(const FilePlaced& e) {
    return placed_text(e, ActionField::written);
}

std::string log_text(const FileFailed& e) {
    return "File: " + shown(e.source) + " ...Error (" + e.reason + ")";
}

std::string log_text(const FolderFailed& e) {
    return "Folder: " + shown(e.folder) + " ...Error (" + e.reason + ")";
}

std::string log_text(const FolderLeftOut& e) {
    return "Folder: " + shown(e.folder) +
           (e.walked_as.empty() ? std::string(" ...Left out (a folder of the system)")
                                : " ...Left out (walked already as " + shown(e.walked_as) + ")");
}

std::string log_text(const NameLeftOut& e) {
    return (e.folder ? "Folder: " : "File: ") + shown(e.path) +
           (e.by == LeftOutBy::system_file ? std::string(" ...Left out (a system file)")
                                           : " ...Left out (Ignore " + shown(e.pattern) + ")");
}

std::string log_text(const TypesUnknown& e) {
    return "FileTypes: " + shown(e.type) + " ...Unknown type, ignored";
}

std::string log_text(const DiskFailed& e) {
    return e.what + ": " + shown(e.path) + " ...Error (" + e.reason + ")";
}

std::string log_text(const DiskUnknown& e) {
    return "Preview: " + shown(e.folder) +
           " ...Disk not known: names and times may differ in the real run";
}

std::string log_text(const SpaceShort& e) {
    return "Disk: " + shown(e.folder) + " ...Not enough space (" + megabytes_down(e.free_bytes) +
           " free, " + megabytes_up(e.to_copy) + " to copy)";
}

std::string log_text(const CompanionsKept& e) {
    return "Companions: " + shown(e.folder) + " ...Kept (" + with_thousands(e.files) +
           (e.files == 1 ? " file stays" : " files stay") + ": the audio beside " +
           (e.files == 1 ? "it" : "them") + " went to " + with_thousands(e.albums) + " albums)";
}

std::string log_text(const RunSummary& e) {
    return summary_text(e);
}

std::string disk_full_text(const DiskFullStop& stop) {
    std::string text = "...Disk full (" + megabytes_down(stop.free_bytes) + " free";
    if (stop.still_to_copy) {
        text += ", " + megabytes_up(*stop.still_to_copy) + " still to copy";
    }
    return text + ")";
}

std::string log_text(const RunEnded& e) {
    switch (e.outcome) {
        case RunOutcome::Cancelled:
            return "...User Cancel";
        case RunOutcome::NotStarted:
            return "...Not started (" + shown(e.reason) + ")";
        case RunOutcome::DiskFull:
            return disk_full_text(e.disk_full);
        default:
            return "...Complete";
    }
}

}  // namespace

std::string log_line(const RunEvent& event) {
    return std::visit([](const auto& e) { return log_text(e); }, event);
}

std::string list_line(const RunEvent& event) {
    if (const auto* placed = std::get_if<FilePlaced>(&event)) {
        return placed_text(*placed, ActionField::left_out);
    }
    return log_line(event);
}

namespace {

std::string json_text(const FilePlaced& e) {
    JsonObject json("placed");
    json.number("read", e.read_count)
        .text("category", e.kind == FileKind::Companion ? "companion" : category_key(e.category))
        .text("source", e.source)
        .text("target", e.target)
        .text("action", action_key(e.action));
    if (!e.code_page.empty()) {
        json.text("code_page", e.code_page);
    }
    if (!e.time_not_kept.empty()) {
        json.text("time_not_kept", e.time_not_kept);
    }
    if (e.source_fate == SourceFate::Removed) {
        json.text("source_removed", "yes").number("bytes_freed", e.bytes_freed);
    } else if (e.source_fate == SourceFate::Stuck) {
        json.text("source_kept", e.source_kept);
    } else if (e.source_fate == SourceFate::LinkKept) {
        json.text("source_link_kept", "yes");
    }
    return json.done();
}

std::string json_text(const FileFailed& e) {
    return JsonObject("file-error")
        .number("read", e.read_count)
        .text("source", e.source)
        .text("stage", e.stage == FailedAt::Reading ? "reading" : "placing")
        .text("reason", e.reason)
        .done();
}

std::string json_text(const FolderFailed& e) {
    JsonObject json("folder-error");
    json.text("folder", e.folder).text("reason", e.reason);
    if (e.files_seen > 0) {
        json.number("files_seen", e.files_seen);
    }
    return json.done();
}

std::string json_text(const FolderLeftOut& e) {
    JsonObject json("folder-left-out");
    json.text("folder", e.folder);
    if (!e.walked_as.empty()) {
        json.text("walked_as", e.walked_as);
    }
    return json.done();
}

std::string json_text(const NameLeftOut& e) {
    JsonObject json("name-left-out");
    json.text("path", e.path).text("kind", e.folder ? "folder" : "file");
    if (e.by == LeftOutBy::system_file) {
        json.text("by", "system");
    } else {
        json.text("by", "ignore").text("pattern", e.pattern);
    }
    return json.done();
}

std::string json_text(const TypesUnknown& e) {
    return JsonObject("unknown-type").text("type", e.type).done();
}

std::string json_text(const DiskFailed& e) {
    return JsonObject("disk-error")
        .text("what", e.what == "Flush"      ? "flush"
                      : e.what == "Settings" ? "settings"
                                             : "record")
        .text("path", e.path)
        .text("reason", e.reason)
        .done();
}

std::string json_text(const DiskUnknown& e) {
    return JsonObject("disk-unknown").text("folder", e.folder).done();
}

std::string json_text(const SpaceShort& e) {
    return JsonObject("space-short")
        .text("folder", e.folder)
        .number("free_bytes", e.free_bytes)
        .number("to_copy_bytes", e.to_copy)
        .done();
}

std::string json_text(const RunSummary& e) {
    std::string left_out = "{";
    for (const auto& [type, count] : e.left_out) {
        if (left_out.size() > 1) {
            left_out += ",";
        }
        append_json_string(left_out, type);
        left_out += ":" + std::to_string(count);
    }
    return JsonObject("summary")
        .text("mode", e.move ? "move" : "copy")
        .number("copied", e.copied)
        .number("already_there", e.already_there)
        .number("replaced", e.replaced)
        .number("numbered", e.numbered)
        .number("failed", e.failed)
        .number("folders_failed", e.folders_failed)
        .number("files_in_failed_folders", e.files_in_failed_folders)
        .number("sources_removed", e.moved)
        .number("sources_kept", e.stuck)
        .number("bytes_freed", e.bytes_freed)
        .number("links_kept", e.links_kept)
        .number("folders_left_out", e.folders_left_out)
        .number("system_files_left_out", e.system_files)
        .number("ignored_left_out", e.ignored)
        .number("companions", e.companions)
        .number("other_code_page", e.other_code_page)
        .raw("left_out", left_out + "}")
        .done();
}

std::string json_text(const CompanionsKept& e) {
    return JsonObject("companions-kept")
        .text("folder", e.folder)
        .number("files", e.files)
        .number("albums", e.albums)
        .done();
}

std::string json_text(const RunEnded& e) {
    JsonObject json("end");
    json.text("outcome", outcome_key(e.outcome));
    if (!e.reason.empty()) {
        json.text("reason", e.reason);
    }
    if (e.outcome == RunOutcome::DiskFull) {
        json.number("free_bytes", e.disk_full.free_bytes);
        if (e.disk_full.still_to_copy) {
            json.number("still_to_copy_bytes", *e.disk_full.still_to_copy);
        }
    }
    return json.done();
}

}  // namespace

std::string json_line(const RunEvent& event) {
    return std::visit([](const auto& e) { return json_text(e); }, event);
}

ActionWord action_word(const RunEvent& event) {
    if (const auto* placed = std::get_if<FilePlaced>(&event)) {
        return placed_action_word(*placed);
    }
    if (std::holds_alternative<NameLeftOut>(event)) {
        return ActionWord::LeftOut;
    }
    const bool error = std::holds_alternative<FileFailed>(event) ||
                       std::holds_alternative<FolderFailed>(event) ||
                       std::holds_alternative<DiskFailed>(event);
    return error ? ActionWord::Error : ActionWord::None;
}

std::string action_text(const RunEvent& event) {
    return word_text(action_word(event));
}

std::string compaction_line(const CompactionResult& result) {
    if (!result.compacted) {
        return "...Not compacted (" + shown(result.problem) + ")";
    }
    const char* kept = result.lines_kept == 1 ? " line kept, " : " lines kept, ";
    return "Record compacted: " + with_thousands(result.lines_kept) + kept +
           with_thousands(result.lines_dropped) + " dropped (" + size_text(result.bytes_before) +
           " \u2192 " + size_text(result.bytes_after) + ")";
}

std::string undo_line(const UndoStep& step) {
    const std::string file = shown(step.path);
    switch (step.action) {
        case UndoAction::Removed:
            return "Removed: " + file;
        case UndoAction::Gone:
            return "Gone: " + file + " ...Not there any more";
        case UndoAction::KeptChanged:
            return "Kept: " + file + " ...This file changed since the run";
        case UndoAction::KeptBothChanged:
            return "Kept: " + file + " ...This file and its source both changed since the run";
        case UndoAction::KeptSourceChanged:
            return "Kept: " + file + " ...Its source changed since the run";
        case UndoAction::KeptOnlyCopy:
            return "Kept: " + file + " ...Its source is gone: this is the only copy";
        case UndoAction::KeptSourceLink:
            return "Kept: " + file + " ...Its source is now a link: this may be the only copy";
        case UndoAction::KeptSameFile:
            return "Kept: " + file + " ...Its source is this very file under another name";
        case UndoAction::KeptError:
            return "Kept: " + file + " ...Error (" + step.error.message() + ")";
        case UndoAction::CannotUndo:
            return "Cannot undo: " + file +
                   " ...It replaced an earlier copy, which no longer exists";
        case UndoAction::Refused:
            return "Refused: " + file +
                   " ...The record names a place outside the output folder"
                   " or the run's input (" +
                   shown(step.source) + ")";
        case UndoAction::FolderRemoved:
            return "Removed folder: " + file;
        case UndoAction::MovedBack:
            return "Moved back: " + file + " to " + shown(step.source);
        case UndoAction::Restored:
            return "Restored: " + shown(step.source) + " from " + file;
        case UndoAction::KeptPlaceTaken:
            return "Kept: " + file + " ...Another file is where its source was (" +
                   shown(step.source) + ")";
    }
    return {};
}

}  // namespace trackfold
