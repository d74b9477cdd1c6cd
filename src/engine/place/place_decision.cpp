#include "engine/place/place_decision.h"

namespace trackfold {

namespace {

TargetVerdict by_bytes(const TargetFacts& facts) {
    if (!facts.same_size) {
        return TargetVerdict::next_name;
    }
    if (!facts.same_bytes) {
        return TargetVerdict::compare_bytes;
    }
    return *facts.same_bytes ? TargetVerdict::already_there : TargetVerdict::next_name;
}

}  // namespace

TargetVerdict decide_target(const TargetFacts& facts) {
    using Entry = TargetFacts::Entry;
    switch (facts.entry) {
        case Entry::none:
            return TargetVerdict::write_new;
        case Entry::placed_by_run:
            // One target holds one recording; a second source the record found identical to
            // it on an earlier run, and unchanged since, is known to be there already.
            return facts.record_says_unchanged && facts.record_line_already_there
                       ? TargetVerdict::skip
                       : by_bytes(facts);
        case Entry::source_itself:
            return TargetVerdict::in_place;
        case Entry::other:
            return TargetVerdict::next_name;
        case Entry::file:
            break;
    }
    // A copy placed without its source's time is made again, to keep the time this time; bytes
    // found there keep whatever time they had.
    if (facts.record_says_unchanged && (facts.record_line_already_there || facts.same_time)) {
        return TargetVerdict::skip;
    }
    if (facts.record_names_sole_source && facts.may_replace_here) {
        if (!facts.record_line_confirms) {
            return TargetVerdict::confirm_record;
        }
        if (*facts.record_line_confirms) {
            return TargetVerdict::replace;
        }
    }
    return by_bytes(facts);
}

bool may_remove_source(const RemovalFacts& facts) {
    return facts.copy_on_disk && facts.line_on_disk && facts.stamps_unchanged &&
           (facts.times_show_changes || facts.bytes_still_same.value_or(false));
}

}  // namespace trackfold
