#pragma once

#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "engine/events/run_events.h"
#include "engine/place/output_tree.h"
#include "engine/place/target_writer.h"
#include "engine/record/placement_record.h"

namespace trackfold {

// What one run writes to: the output folder's record, what the run knows of the output tree,
// and the writer that places files in it.
struct RunOutput {
    RunOutput(const std::string& output, const std::vector<std::string>& input_roots, Disk& disk,
              std::function<void(const RunEvent&)> report);
    RunOutput(const RunOutput&) = delete;
    RunOutput& operator=(const RunOutput&) = delete;

    PlacementRecord record;
    OutputTree folders;
    TargetWriter writer;

  private:
    void note_made_folder(const std::string& path);
};

}  // namespace trackfold
