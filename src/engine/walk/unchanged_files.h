#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/fsio/file_descriptor.h"
#include "engine/fsio/file_stamp.h"
#include "engine/place/output_tree.h"
#include "engine/place/place_decision.h"
#include "engine/record/placement_record.h"
#include "engine/record/record_line_reader.h"
#include "engine/walk/skip_decision.h"

namespace trackfold {

// A file of the walk that the record says is placed, unchanged, where the current folder names
// put it: its tags are not read unless its target turns out otherwise at its turn.
struct UnchangedFile {
    RecordedPlace place;
    FileStamp source;                            // as found before the folder's tags were read
    RecordAction action = RecordAction::Copied;  // what the line did
    FileStamp target_then;                       // the target as the line says
    SkipFacts facts;
};

// The file's placement as the whole way would have reported it.
struct FoundThere {
    Counter category = Counter::Unknown;
    std::string target;
};

// Finds, for a re-run, the files whose tags need no reading: their source and their copy are
// as the record's live line says, so the copy is the source's, placed already. What it looks at
// is looked at as the writer would, through the run's own output tree, so that what it takes as
// placed is known to the rest of the run.
class UnchangedFiles {
  public:
    enum class Kind { copy, move };
    // output ends in the separator.
    UnchangedFiles(const PlacementRecord& record, OutputTree& tree, std::string output, Kind kind);

    // The folder whose files are asked about next, and the fingerprint of its tag settings
    // (settings_fingerprint); it is opened only when one of its files is in the record.
    void enter(const std::string& folder, std::uint64_t settings);
    void leave();

    // Before the folder's tags are read: the file `name` of the folder entered, whose real path
    // is `real_source`, when the record says it is unchanged where the names put it.
    std::optional<UnchangedFile> before_tags(const std::string& name,
                                             const std::string& real_source,
                                             const SubFolderNames& names);

    // At the file's turn: its placement, when its target is still as the record says; the entry
    // is then the run's placement of the source. Nothing: its tags must be read after all.
    std::optional<FoundThere> at_turn(UnchangedFile& file, const std::string& name);

  private:
    int folder_fd();
    TargetFacts facts_before(const OutputTree::Entry& entry, const FileStamp& source,
                             const std::string& path, int folder_fd) const;
    // The entry of the recorded file, where the writer comes to it; nothing where it would
    // stop before it.
    OutputTree::Entry* recorded_entry(const UnchangedFile& file, const std::string& name,
                                      OutputTree::Folder& folder, const std::string& path);
    TargetLook look_at(const UnchangedFile& file, OutputTree::Folder& folder,
                       const std::string& path, const OutputTree::Entry* entry);

    const PlacementRecord& record_;
    RecordLineReader lines_;
    OutputTree& tree_;
    std::string output_;
    bool copy_;
    bool record_sound_;
    std::string folder_;
    std::uint64_t settings_ = kSettingsUnknown;
    std::optional<FileDescriptor> folder_fd_;
};

}  // namespace trackfold
