#pragma once

#include <QCoreApplication>
#include <QString>
#include <string>

#include "engine/lines/line_texts.h"
#include "engine/run/run_progress.h"
#include "engine/run/run_window.h"
#include "engine/run/sort_run.h"

namespace trackfold {

// The window's words for what a run tells as values, in the installed language. The log's own
// lines stay as the log file keeps them; these are the texts around them.
class RunTexts {
    Q_DECLARE_TR_FUNCTIONS(RunTexts)

  public:
    // The column beside a log line and the preview's Action: "copied", "already there", ...
    static QString action(ActionWord word);
    static QString summary(const RunSummary& summary);
    // The summary, and whether the run was cancelled.
    static QString outcome(const RunResult& result);
    // The status line after a run: its outcome and where its log is, or why it is not.
    static QString end_status(const RunResult& result, const std::string& log,
                              const std::string& problem);
    // "1,234 of 30,000 files (4%), about 3 min left", or "1,234 files" without a total.
    static QString progress(const ProgressView& view);
    static QString time_left(long seconds);
    static QString log_trouble(LogTrouble trouble, const std::string& log,
                               const std::string& problem);
    // The message of a run that cannot start, around the engine's reason.
    static QString not_started(const std::string& reason);
    static QString not_placed();
    // The preview's folder of the files and folders left out by their names.
    static QString left_out();
    // The message of a run the output's full disk stopped.
    static QString disk_full(const DiskFullStop& stop);
};

}  // namespace trackfold
