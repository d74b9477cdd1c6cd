#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "character_levels.h"
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

// A Western name keeps its letters whatever the prior, alone or inside an album judged to be
// in a code page of another script.
TEST(CodePageVote, AWesternNameStaysWesternWhateverThePriorOrItsAlbum) {
    const char* const names[] = {"Björk",         "Sigur Rós",     "Motörhead",  "Mötley Crüe",
                                 "Mylène Farmer", "João Gilberto", "Rock’n’Roll"};
    for (const char* code_page : auto_code_pages()) {
        for (const std::string name : names) {
            SCOPED_TRACE(name + " with " + code_page);
            const std::string bytes = encode(name, "CP1252");
            const std::string judged = vote_code_page({{{bytes, false, {}}}}, code_page);
            EXPECT_EQ(decode_in_judged_code_page(bytes, false, judged), name) << judged;
            if (cjk_encoding_of(code_page) != CjkEncoding::None) {
                EXPECT_EQ(decode_in_judged_code_page(bytes, false, code_page), name);
            }
        }
    }
}

// Under a Western locale even one short name of another script is told by its letters.
TEST(CodePageVote, OneShortNameIsEnough) {
    setenv("LC_ALL", "C.UTF-8", 1);
    for (const auto& [name, code_page] : {std::pair{"Кино", "CP1251"},
                                          {"Mniej niż zero", "CP1250"},
                                          {"Ζορμπάς", "CP1253"},
                                          {"宇多田ヒカル", "CP932"}}) {
        const std::string bytes = encode(name, code_page);
        EXPECT_EQ(vote_code_page({{{bytes, false, {}}}}, locale_code_page()), code_page) << name;
    }
    unsetenv("LC_ALL");
}

}  // namespace
}  // namespace trackfold::test
