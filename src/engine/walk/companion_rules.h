#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace trackfold {

// Whether a file beside an album's audio belongs to the album: a picture, a cue sheet, a rip
// log, a booklet, notes or a playlist, by its extension in any case.
bool is_companion_file(std::string_view name);

// Whether a sub-folder of an album's folder holds its artwork or scans ("Scans", "Artwork",
// "Covers" and the like, in any case): its companion files travel with the album. One that
// holds audio of its own is an album itself ("Covers" of songs), and keeps its pictures.
enum class FolderAudio { none, some };
bool is_companion_folder(std::string_view name, FolderAudio audio);

// Where the companion files of one source folder go, once its audio files' targets are known.
struct CompanionPlan {
    enum class Verdict {
        none,    // no audio of the folder was placed: nothing to follow
        travel,  // all of it went to one folder: the companions go there too
        stay,    // it went to several albums: which one a cover is of cannot be told
    };
    Verdict verdict = Verdict::none;
    std::string folder{};    // travel: the target folder, as the first audio file got it
    std::size_t albums = 0;  // the target folders its audio went to
};

// audio_targets: the target folder of each audio file of the folder that was placed, each
// ending in the separator. Folders differing only in letter case or doubled separators are one:
// the output tree takes them so.
CompanionPlan plan_companions(const std::vector<std::string>& audio_targets);

}  // namespace trackfold
