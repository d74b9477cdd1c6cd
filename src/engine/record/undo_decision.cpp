#include "engine/record/undo_decision.h"

namespace trackfold {

namespace {

using Target = UndoFacts::Target;
using Source = UndoFacts::Source;

// A copy goes only while its source still holds the same bytes under its own name.
UndoVerdict judge_copy(const UndoFacts& f) {
    if (f.target == Target::missing) {
        return UndoVerdict::gone;
    }
    // A second name changes the file's change time: say what it really is.
    if (f.source == Source::file && f.source_is_target) {
        return UndoVerdict::kept_same_file;
    }
    if (f.target != Target::file || !f.target_as_recorded) {
        // Told apart, so that whoever re-tagged only the source is not told the copy changed.
        return f.source == Source::file && !f.source_as_recorded ? UndoVerdict::kept_both_changed
                                                                 : UndoVerdict::kept_target_changed;
    }
    switch (f.source) {
        case Source::missing:
        case Source::other:
            return UndoVerdict::kept_only_copy;
        case Source::link:
            return UndoVerdict::kept_source_link;
        case Source::file:
            break;
    }
    if (!f.same_bytes) {
        return UndoVerdict::compare_bytes;
    }
    return *f.same_bytes ? UndoVerdict::remove : UndoVerdict::kept_source_changed;
}

bool takes_back(RecordAction action) {
    return action == RecordAction::Copied || action == RecordAction::Numbered;
}

}  // namespace

UndoVerdict decide_undo(const UndoFacts& f) {
    if (f.refused) {
        return UndoVerdict::refused;
    }
    if (!f.moved) {
        if (f.action == RecordAction::AlreadyThere) {
            return UndoVerdict::nothing;
        }
        return f.action == RecordAction::Replaced ? UndoVerdict::cannot_undo : judge_copy(f);
    }
    if (f.source == Source::file && f.source_as_recorded) {
        // The record said the source would go, but it never went (a failed rename, a kill).
        return f.target == Target::file && f.target_as_recorded && takes_back(f.action)
                   ? judge_copy(f)
                   : UndoVerdict::not_moved;
    }
    if (f.source != Source::missing) {
        // The place is taken: by the source's bytes (put back already), or by another file.
        if (f.source != Source::file || f.source_is_target || f.target != Target::file ||
            !f.target_as_recorded) {
            return UndoVerdict::kept_place_taken;
        }
        if (!f.same_bytes) {
            return UndoVerdict::compare_bytes;
        }
        if (!*f.same_bytes) {
            return UndoVerdict::kept_place_taken;
        }
        return takes_back(f.action) ? UndoVerdict::remove : UndoVerdict::nothing;
    }
    if (f.target == Target::missing) {
        return UndoVerdict::gone;
    }
    if (f.target != Target::file || !f.target_as_recorded) {
        return UndoVerdict::kept_target_changed;
    }
    return takes_back(f.action) ? UndoVerdict::move_back : UndoVerdict::restore;
}

bool undone(UndoVerdict verdict, bool moved) {
    switch (verdict) {
        case UndoVerdict::nothing:
        case UndoVerdict::not_moved:
        case UndoVerdict::remove:
        case UndoVerdict::move_back:
        case UndoVerdict::restore:
            return true;
        case UndoVerdict::gone:
            // A copy that is gone is undone; a moved file that is gone took its recording with it.
            return !moved;
        default:
            return false;
    }
}

}  // namespace trackfold
