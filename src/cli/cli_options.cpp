#include "cli/cli_options.h"
#include "cli/cli_texts.h"
#include "engine/settings/settings_keys.h"

#include <utility>

namespace trackfold {

const char* const kCliUsage = R"(Usage: trackfold-cli [options] INPUT OUTPUT
       trackfold-cli --undo [--run ID] [--preview] [--trust-record] OUTPUT
       trackfold-cli --compact-record [--trust-record] OUTPUT
Copies (or, with --move, moves) every music file below INPUT into OUTPUT, sorted by artist
and album tags, as the Trackfold window does. A copy only ever reads the source files. Every run is recorded in
OUTPUT/.trackfold-record.txt; --undo removes the files the last run made there (or run ID's).

Options:
  --settings FILE        the settings file to read (default: the window's); never written
  --album-folder NAME    sub-folder for files with an album tag
  --artist-folder NAME   sub-folder for files with an artist tag but no album tag
  --unknown-folder NAME  sub-folder for files with neither
  --code-page NAME       code page of 8-bit tag texts, e.g. CP932; auto (the default)
                         judges each album's from its tags, your language's first
  --file-types LIST      extensions to take, e.g. "mp3 flac m4a"
  --album-artist 0|1     1: an album artist names the artist folder
  --disc-folders 0|1     1: the files of an album of several discs go into "Disc N" folders
  --layout TEMPLATE      where each file goes under OUTPUT, e.g.
                         "{artist}/{album}/{track:2} {title}" (see the manual page)
  --log FILE             also write the log file there
  --preview              write nothing; print the lines the run would print, with the names
                         it would choose given what OUTPUT holds now
  --move                 move the files instead of copying them: each source goes once its
                         recording is whole at its target (settings key Mode=move)
  --json                 print each event as a JSON object on a line of its own instead of
                         the log lines (see the manual page for the fields)
  --undo                 undo the last run recorded in OUTPUT: remove the files it made where
                         they are still as it made them, and the folders it made, if empty
  --run ID               with --undo: the run to undo, as the record names it
  --compact-record       rewrite OUTPUT's record without the lines nothing needs any more:
                         those that cannot be read, and those of runs wholly undone with
                         their undos (an undo that ends complete does so by itself when
                         more than half of the record's lines can go)
  --trust-record         with --undo or --compact-record: use a record that another user owns
                         or others may write (on FAT and exFAT every file looks so)
  --help                 this text
  --version              the version

Standard output gets the log lines; standard error a progress line on a terminal, and errors.
Exit status: 0 every file placed (or, with --undo, every file undone), 1 an error line was
logged (or a file kept, or the output's disk was full), 2 bad usage, or a run that could not start (a folder or the settings
file that cannot be used, a record that cannot be read, an undo or a compaction while a run
into OUTPUT is going on), 130 stopped by Ctrl-C or SIGTERM after the file in hand.
)";

namespace {

struct ValueOption {
    const char* flag;
    const char* key;  // nullptr: not a settings key
};

constexpr ValueOption kValueOptions[] = {
    {"--settings", nullptr},
    {"--log", nullptr},
    {"--run", nullptr},
    {"--album-folder", settings_key::kAlbumFolder},
    {"--artist-folder", settings_key::kArtistFolder},
    {"--unknown-folder", settings_key::kUnknownFolder},
    {"--code-page", settings_key::kTagCodePage},
    {"--file-types", settings_key::kFileTypes},
    {"--album-artist", settings_key::kUseAlbumArtist},
    {"--disc-folders", settings_key::kDiscFolders},
    {"--layout", settings_key::kLayout},
};

ParsedOptions failure(std::string error) {
    return ParsedOptions{std::nullopt, std::move(error)};
}

}  // namespace

ParsedOptions parse_cli_options(const std::vector<std::string>& arguments) {
    CliOptions options;
    std::vector<std::string> folders;
    bool only_folders = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (only_folders || argument.empty() || argument[0] != '-' || argument == "-") {
            folders.push_back(argument);
            continue;
        }
        if (argument == "--") {
            only_folders = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "--preview") {
            options.preview = true;
        } else if (argument == "--move") {
            options.overrides.emplace_back(settings_key::kMode, "move");
        } else if (argument == "--json") {
            options.json = true;
        } else if (argument == "--undo") {
            options.undo = true;
        } else if (argument == "--compact-record") {
            options.compact_record = true;
        } else if (argument == "--trust-record") {
            options.trust_record = true;
        } else {
            const std::size_t equals = argument.find('=');
            const std::string flag = argument.substr(0, equals);
            const ValueOption* known = nullptr;
            for (const ValueOption& option : kValueOptions) {
                if (flag == option.flag) {
                    known = &option;
                }
            }
            if (known == nullptr) {
                return failure(cli_text(CliText::UnknownOption, {flag}));
            }
            std::string value;
            if (equals != std::string::npos) {
                value = argument.substr(equals + 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                return failure(cli_text(CliText::NeedsValue, {flag}));
            }
            if (known->key != nullptr &&
                value.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
                return failure(cli_text(CliText::NoLineBreak, {flag}));
            }
            if ((flag == "--album-artist" || flag == "--disc-folders") && value != "0" &&
                value != "1") {
                return failure(cli_text(CliText::ZeroOrOne, {flag, value}));
            }
            if (flag == "--settings") {
                options.settings_file = value;
            } else if (flag == "--log") {
                options.log_file = value;
            } else if (flag == "--run") {
                options.run = value;
            } else {
                options.overrides.emplace_back(known->key, value);
            }
        }
    }
    if (options.help || options.version) {
        return ParsedOptions{options, {}};
    }
    if (options.compact_record) {
        if (options.undo || options.run || options.preview || options.log_file ||
            options.settings_file || !options.overrides.empty() || options.json) {
            return failure(cli_text(CliText::CompactTakesOnly));
        }
        if (folders.size() != 1) {
            return failure(cli_text(CliText::CompactNeedsOutput));
        }
        options.output = folders[0];
        return ParsedOptions{options, {}};
    }
    if (options.undo) {
        if (options.log_file || options.settings_file || !options.overrides.empty() ||
            options.json) {
            return failure(cli_text(CliText::UndoTakesOnly));
        }
        if (folders.size() != 1) {
            return failure(cli_text(CliText::UndoNeedsOutput));
        }
        options.output = folders[0];
        return ParsedOptions{options, {}};
    }
    if (options.run || options.trust_record) {
        return failure(cli_text(CliText::GoesWithUndo, {options.run ? "--run" : "--trust-record"}));
    }
    if (options.preview && options.log_file) {
        return failure(cli_text(CliText::PreviewTakesNoLog));
    }
    if (folders.size() != 2) {
        return failure(cli_text(CliText::NeedsTwoFolders));
    }
    options.input = folders[0];
    options.output = folders[1];
    return ParsedOptions{options, {}};
}

}  // namespace trackfold
