#pragma once

#include <initializer_list>
#include <string>

#include "engine/run/run_progress.h"

namespace trackfold {

// The command line's messages for people, in English or Japanese. The lines of a run and its
// JSON are for programs as much as for people, and stay as they are in every language.
enum class CliLanguage { English, Japanese };

// The language as gettext would pick it from these variables (LANGUAGE, LC_ALL, LC_MESSAGES,
// LANG; null or "" when unset): the first of the last three that is set names the locale, and
// LANGUAGE counts only where that locale is not C or POSIX.
CliLanguage language_from(const char* language, const char* lc_all, const char* lc_messages,
                          const char* lang);
// From the process's environment; until then, English.
void use_environment_language();

enum class CliText {
    OutputEmpty,
    FoldersEmpty,
    PrivateSettings,
    LogNotWritten,
    UnknownOption,
    NeedsValue,
    NoLineBreak,
    ZeroOrOne,
    CompactTakesOnly,
    CompactNeedsOutput,
    UndoTakesOnly,
    UndoNeedsOutput,
    GoesWithUndo,
    PreviewTakesNoLog,
    NeedsTwoFolders,
    Files,
    FilesOfTotal,
    SecondsLeft,
    MinutesLeft,
    HoursLeft,
    Rate,
    Joined,
    Count,  // not a text: how many there are
};

// The text of `id` in the language in use, each %1, %2, ... replaced by its argument.
std::string cli_text(CliText id, std::initializer_list<std::string> arguments = {});
// The same in a given language.
std::string cli_text_in(CliLanguage language, CliText id,
                        std::initializer_list<std::string> arguments = {});
// The text with its %1, %2, ... as they stand.
const char* cli_template(CliLanguage language, CliText id);

// --help.
const char* cli_usage();

// The terminal's progress: "1,234 of 30,000 files (4%), about 3 min left".
std::string cli_progress_text(const ProgressView& view);

}  // namespace trackfold
