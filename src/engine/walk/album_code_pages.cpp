#include "engine/walk/album_code_pages.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "character_levels.h"
#include "code_page.h"
#include "code_page_vote.h"
#include "legacy_text.h"
#include "util/text.h"

namespace trackfold {
namespace {

std::string name_text(std::string_view text) {
    return is_blank(text) ? std::string() : trim_spaces(text);
}

// The field's text read again in `code_page`, where it came from one of the file's 8-bit texts.
void read_again(std::string& field, const std::vector<LegacyText>& texts,
                const std::string& code_page) {
    if (field.empty()) {
        return;
    }
    const auto found = std::find_if(texts.begin(), texts.end(), [&](const LegacyText& text) {
        return name_text(text.reading) == field;
    });
    if (found != texts.end()) {
        field = name_text(decode_in_judged_code_page(found->bytes, found->fills_field, code_page));
    }
}

}  // namespace

void AlbumCodePages::enter_folder() {
    prior_ = locale_code_page();
    verdicts_.clear();
}

const std::string& AlbumCodePages::verdict(const std::string& album,
                                           const std::vector<LegacyText>& texts) {
    const auto [entry, added] = verdicts_.try_emplace(album);
    if (added) {
        entry->second = texts.empty() ? prior_ : vote_code_page(texts, prior_);
    }
    return entry->second;
}

void AlbumCodePages::read_as_judged(TagResult& tags, const std::string& code_page) const {
    // Read in a double-byte prior, each text was checked on its own as a named code page's is,
    // by the rules that read Japanese tags right under a Japanese locale all along.
    if (tags.legacy.empty() ||
        (code_page == prior_ && cjk_encoding_of(code_page) != CjkEncoding::None)) {
        return;
    }
    // Every text a layout may put in a name, not only the folders' artist and album.
    for (std::string* field : {&tags.artist, &tags.album, &tags.fields.album_artist,
                               &tags.fields.title, &tags.fields.genre}) {
        read_again(*field, tags.legacy, code_page);
    }
    if (code_page != prior_) {
        tags.code_page = code_page;
    }
}

void AlbumCodePages::judge(std::vector<TagResult>& tags) {
    // A few hundred texts say all an album's can: a folder of thousands of one album's files
    // costs no more to judge.
    constexpr std::size_t kEnoughTexts = 256;
    std::map<std::string, std::vector<LegacyText>> albums;
    for (const TagResult& file : tags) {
        std::vector<LegacyText>& texts = albums[file.album];
        const std::size_t room = kEnoughTexts - std::min(kEnoughTexts, texts.size());
        const auto taken = std::min(room, file.legacy.size());
        texts.insert(texts.end(), file.legacy.begin(),
                     file.legacy.begin() + static_cast<std::ptrdiff_t>(taken));
    }
    for (const auto& [album, texts] : albums) {
        verdict(album, texts);
    }
    for (TagResult& file : tags) {
        read_as_judged(file, verdicts_[file.album]);
    }
}

void AlbumCodePages::apply(TagResult& tags) {
    read_as_judged(tags, verdict(tags.album, tags.legacy));
}

std::vector<TagResult> read_and_judge(TagReadAhead& read_ahead, std::size_t count,
                                      AlbumCodePages& judge, const std::function<bool()>& go_on) {
    constexpr auto kTurn = std::chrono::milliseconds(200);
    constexpr std::size_t kHeldOpen = 64;
    std::vector<TagResult> tags;
    tags.reserve(count);
    auto last_turn = std::chrono::steady_clock::now();
    while (tags.size() < count) {
        if (const auto now = std::chrono::steady_clock::now(); now - last_turn >= kTurn) {
            last_turn = now;
            if (!go_on()) {
                break;
            }
        }
        tags.push_back(read_ahead.take(tags.size()));
        if (tags.size() > kHeldOpen) {
            // A folder may hold thousands: the copies of those past the first open them again.
            tags.back().opened.reset();
        }
    }
    judge.judge(tags);
    return tags;
}

}  // namespace trackfold
