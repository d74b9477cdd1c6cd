#include "engine/place/run_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "engine/fsio/path.h"

namespace trackfold {

RunOutput::RunOutput(const std::string& output, const std::vector<std::string>& input_roots,
                     Disk& disk, std::function<void(const RunEvent&)> report)
    : record(output),
      folders(
          OutputTree::Hooks{record.temp_prefix(),
                            [this](const std::string& name) { return record.is_stale_temp(name); },
                            [this](const std::string& path) { note_made_folder(path); },
                            [report](const std::string& path) { report(DiskUnknown{path}); }},
          disk),
      writer(folders, record, input_roots, disk) {}

void RunOutput::note_made_folder(const std::string& path) {
    const std::string& output = record.output_folder();
    if (!is_inside(path, output) || path.size() + 1 == output.size()) {
        return;
    }
    RecordLine line;
    line.action = RecordAction::Folder;
    line.target = relative_to_output(output, path);
    record.append(std::move(line));
}

}  // namespace trackfold
