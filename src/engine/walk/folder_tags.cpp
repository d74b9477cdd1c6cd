#include "engine/walk/folder_tags.h"

#include <utility>

#include "engine/naming/disc_number.h"

namespace trackfold {

FolderTags::FolderTags(TagReadAhead& read_ahead, std::size_t count)
    : read_ahead_(read_ahead), count_(count) {}

void FolderTags::note(const TagResult& tags) {
    const int disc = parse_set_number(tags.fields.disc).number;
    if (tags.error || disc == 0) {
        return;
    }
    Discs& discs = albums_[tags.album];
    if (discs.first == 0) {
        discs.first = disc;
    }
    discs.differ = discs.differ || discs.first != disc;
}

void FolderTags::preload(std::vector<TagResult> tags) {
    read_ += tags.size();
    for (TagResult& read : tags) {
        note(read);
        ahead_.push_back(std::move(read));
    }
}

TagResult FolderTags::take() {
    if (!ahead_.empty()) {
        TagResult tags = std::move(ahead_.front());
        ahead_.pop_front();
        return tags;
    }
    TagResult tags = read_ahead_.take(read_++);
    note(tags);
    return tags;
}

bool FolderTags::discs_differ(const std::string& album) {
    while (read_ < count_) {
        ahead_.push_back(read_ahead_.take(read_++));
        // A folder may hold thousands: their copies open them again rather than hold them all.
        ahead_.back().opened.reset();
        note(ahead_.back());
    }
    const auto found = albums_.find(album);
    return found != albums_.end() && found->second.differ;
}

int FolderTags::disc_folder_of(const TagResult& tags, int folder_disc) {
    DiscFacts facts{parse_set_number(tags.fields.disc), false, folder_disc};
    if (disc_folder(facts) == 0 && facts.tag.number == 1) {
        // Only disc 1 of a set that does not say its size needs the album's other files.
        facts.set_differs = discs_differ(tags.album);
    }
    return disc_folder(facts);
}

}  // namespace trackfold
