#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "code_page.h"
#include "code_page_vote.h"
#include "legacy_text.h"
#include "support/legacy_albums.h"

namespace trackfold::test {
namespace {

std::vector<LegacyText> album_texts(const LegacyAlbum& album) {
    std::vector<LegacyText> texts;
    std::vector<std::string> names = album.titles;
    names.insert(names.end(), {album.artist, album.album});
    for (const std::string& name : names) {
        if (std::string bytes = encode(name, album.code_page); name != bytes) {
            texts.push_back({bytes, false, {}});
        }
    }
    return texts;
}

// Without a hint, under a Western locale and under the album's own, each album is judged to be
// in its code page (or one that reads it alike) and its names read right in what was judged.
TEST(CodePageVote, EachAlbumIsReadInItsCodePageUnderAWesternLocaleAndItsOwn) {
    for (const LegacyAlbum& album : legacy_albums()) {
        for (const char* locale : {"C.UTF-8", album.locale}) {
            SCOPED_TRACE(album.artist + " under " + locale);
            setenv("LC_ALL", locale, 1);
            const std::string judged = vote_code_page(album_texts(album), locale_code_page());
            for (const std::string& name : {album.artist, album.album, album.titles[0]}) {
                EXPECT_EQ(decode_in_judged_code_page(encode(name, album.code_page), false, judged),
                          name)
                    << "judged " << judged;
            }
        }
    }
    unsetenv("LC_ALL");
}

TEST(CodePageVote, AWesternNameAloneStaysWesternWhateverThePrior) {
    for (const char* prior : auto_code_pages()) {
        for (const std::string name : {"Björk", "Sigur Rós", "Motörhead", "Mötley Crüe"}) {
            SCOPED_TRACE(name + " with " + prior);
            const std::string bytes = encode(name, "CP1252");
            const std::string judged = vote_code_page({{{bytes, false, {}}}}, prior);
            EXPECT_EQ(decode_in_judged_code_page(bytes, false, judged), name) << judged;
        }
    }
}

}  // namespace
}  // namespace trackfold::test
