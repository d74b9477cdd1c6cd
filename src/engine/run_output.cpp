#include "engine/run_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace trackfold {

RunOutput::RunOutput(const std::string& output, const std::vector<std::string>& input_roots,
                     bool preview, std::function<void(const RunEvent&)> report)
    : record(output),
      folders(
          OutputTree::Hooks{record.temp_prefix(),
                            [this](const std::string& name) { return record.is_stale_temp(name); },
                            [this](const std::string& path) { note_made_folder(path); },
                            [report](const std::string& path) { report(DiskUnknown{path}); }},
          preview),
      writer(folders, record, input_roots) {}

void RunOutput::note_made_folder(const std::string& path) {
    const std::string& output = record.output_folder();
    if (!(path + "/").starts_with(output) || path.size() + 1 == output.size()) {
        return;
    }
    RecordLine line;
    line.action = RecordAction::Folder;
    line.target = relative_to_output(output, path);
    record.append(std::move(line));
}

// syncfs writes back everything of the folder's disk; some FUSE disks write their own buffers
// only when a file or folder on them is synced, hence the fsync as well.
std::error_code flush_disk(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return {errno, std::generic_category()};
    }
    std::error_code ec;
    if (::syncfs(fd) != 0 || (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS)) {
        ec.assign(errno, std::generic_category());
    }
    ::close(fd);
    return ec;
}

}  // namespace trackfold
