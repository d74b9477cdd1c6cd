#include "app/run_texts.h"

#include <QLocale>
#include <algorithm>

namespace trackfold {

namespace {

QString count(std::size_t number) {
    return QLocale().toString(static_cast<qulonglong>(number));
}

QString from_utf8(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

QString size_text(std::uintmax_t bytes) {
    return QLocale().formattedDataSize(static_cast<qint64>(bytes), 1, QLocale::DataSizeSIFormat);
}

}  // namespace

QString RunTexts::action(ActionWord word) {
    switch (word) {
        case ActionWord::Copied:
            return tr("copied");
        case ActionWord::AlreadyThere:
            return tr("already there");
        case ActionWord::Replaced:
            return tr("replaced");
        case ActionWord::Numbered:
            return tr("numbered");
        case ActionWord::Moved:
            return tr("moved");
        case ActionWord::SourceKept:
            return tr("source kept");
        case ActionWord::Error:
            return tr("error");
        case ActionWord::LeftOut:
            return tr("left out");
        case ActionWord::None:
            break;
    }
    return {};
}

QString RunTexts::summary(const RunSummary& s) {
    QString text = (s.move ? tr("Summary: %1 moved, %2 already there, %3 replaced, %4 numbered, "
                                "%5 failed")
                           : tr("Summary: %1 copied, %2 already there, %3 replaced, %4 numbered, "
                                "%5 failed"))
                       .arg(count(s.copied), count(s.already_there), count(s.replaced),
                            count(s.numbered), count(s.failed));
    if (s.folders_failed > 0) {
        text += tr("; %1 folders failed").arg(count(s.folders_failed));
        if (s.files_in_failed_folders > 0) {
            text += tr(", at least %1 files in them").arg(count(s.files_in_failed_folders));
        }
    }
    if (s.move) {
        text += tr("; %1 sources removed, %2 kept; %3 freed on the source disk")
                    .arg(count(s.moved), count(s.stuck), size_text(s.bytes_freed));
        if (s.links_kept > 0) {
            text += tr("; %1 links copied and left in place").arg(count(s.links_kept));
        }
    }
    if (s.companions > 0) {
        text += tr("; %1 companion files").arg(count(s.companions));
    }
    if (s.folders_left_out > 0) {
        text += tr("; %1 folders left out").arg(count(s.folders_left_out));
    }
    if (s.system_files > 0) {
        text += tr("; %1 system files left out").arg(count(s.system_files));
    }
    if (s.ignored > 0) {
        text += tr("; %1 left out by Ignore").arg(count(s.ignored));
    }
    if (s.other_code_page > 0) {
        text += tr("; %1 files named by tags read in another code page (see Code page)")
                    .arg(count(s.other_code_page));
    }
    if (!s.left_out.empty()) {
        QStringList types;
        for (const auto& [type, files] : s.left_out) {
            types << QStringLiteral("%1 %2").arg(from_utf8(type), count(files));
        }
        text += tr("; left out: %1; add them with FileTypes").arg(types.join(tr(", ")));
    }
    return text;
}

QString RunTexts::outcome(const RunResult& result) {
    const QString text = summary(result.summary);
    switch (result.outcome) {
        case RunOutcome::Cancelled:
            return tr("%1 ...User Cancel").arg(text);
        case RunOutcome::DiskFull:
            return tr("%1 ...Disk full").arg(text);
        default:
            return text;
    }
}

QString RunTexts::end_status(const RunResult& result, const std::string& log,
                             const std::string& problem) {
    return problem.empty() ? tr("%1 | Log: %2").arg(outcome(result), from_utf8(log))
                           : tr("%1 | Log not saved: %2").arg(outcome(result), from_utf8(problem));
}

QString RunTexts::time_left(long seconds) {
    if (seconds < 60) {
        return tr("about %1 s left").arg(std::max(seconds, 1L));
    }
    const long minutes = (seconds + 30) / 60;
    if (minutes < 60) {
        return tr("about %1 min left").arg(minutes);
    }
    return tr("about %1 h %2 min left").arg(minutes / 60).arg(minutes % 60);
}

QString RunTexts::progress(const ProgressView& view) {
    if (!view.total) {
        return tr("%1 files").arg(count(view.done));
    }
    QString text =
        tr("%1 of %2 files (%3%)").arg(count(view.done), count(*view.total)).arg(*view.percent);
    if (view.seconds_left) {
        text = tr("%1, %2").arg(text, time_left(*view.seconds_left));
    }
    return text;
}

QString RunTexts::log_trouble(LogTrouble trouble, const std::string& log,
                              const std::string& problem) {
    if (trouble == LogTrouble::NotSaved) {
        return tr("The log could not be saved in %1: %2").arg(from_utf8(log), from_utf8(problem));
    }
    return tr("The log is saved in %1. No program here opens text files: open it with a text "
              "editor.")
        .arg(from_utf8(log));
}

QString RunTexts::not_started(const std::string& reason) {
    return tr("The run cannot start: %1").arg(from_utf8(reason));
}

QString RunTexts::not_placed() {
    return tr("Not placed");
}

QString RunTexts::left_out() {
    return tr("Left out");
}

QString RunTexts::disk_full(const DiskFullStop& stop) {
    const QString free = size_text(stop.free_bytes);
    return stop.still_to_copy
               ? tr("The output folder's disk is full (%1 free, %2 still to copy). The run "
                    "stopped before the next file; every file placed so far is whole.")
                     .arg(free, size_text(*stop.still_to_copy))
               : tr("The output folder's disk is full (%1 free). The run stopped before the "
                    "next file; every file placed so far is whole.")
                     .arg(free);
}

}  // namespace trackfold
