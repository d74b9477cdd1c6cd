#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "engine/events/run_front_end.h"
#include "engine/fsio/disk.h"
#include "engine/walk/file_count.h"
#include "engine/walk/tag_read_ahead.h"
#include "tags/tag_reader.h"

namespace trackfold {

// One run's walk. It remembers what the run has written (so two different files never
// overwrite each other) and which output folders exist; a new run starts from nothing.
class Sorter {
  public:
    // read_ahead_threads: how many threads read tags ahead of the walk; 0 reads each file's
    // tags when the walk reaches it. Every change goes to `disk`: a preview's disk changes
    // nothing, and the walk decides every name as the real run would.
    Sorter(RunFrontEnd& window, std::filesystem::path settings_file,
           Mp3Library& library = vbmp3_library(),
           unsigned read_ahead_threads = TagReadAhead::default_threads(), Disk& disk = real_disk());
    ~Sorter();
    Sorter(const Sorter&) = delete;
    Sorter& operator=(const Sorter&) = delete;

    // folder and output end in the native separator. True when the folder's files and
    // sub-folders were all walked, false when the call returned early (cancelled).
    bool SortFolder(const std::string& folder, const std::string& output);

    // Before the walk, after set_move: opens the run's output and its record. Why the run
    // cannot go on, or "".
    std::string start(const std::string& input, const std::string& output);

    // Before the walk: move the sources instead of copying them.
    void set_move(bool move);
    // After start: whether the count should add up sizes. Only a first run into the output
    // can tell by them whether its files will fit; in a later run most are there already.
    CountedSizes sizes_to_count() const;
    // Before the walk: the count whose total the window is told as soon as it is known.
    void set_file_count(const FileCount* count);

    // Ends the run: flushes every disk that received copies and closes the run in the output
    // folder's placement record. False, with an error line logged, when that failed: copies
    // then may not survive a power cut.
    bool finish();

    // Once the output's disk took no more: what is free, and what was left to copy.
    std::optional<DiskFullStop> disk_full() const;

    // What the run did so far, with the audio files of types it left out.
    RunSummary summary() const;
    // How often the settings file was read, for the tests.
    std::size_t settings_reads() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace trackfold
