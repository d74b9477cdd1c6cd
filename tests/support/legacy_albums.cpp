#include "support/legacy_albums.h"

#include <iconv.h>

#include <stdexcept>

namespace trackfold::test {

const std::vector<LegacyAlbum>& legacy_albums() {
    static const std::vector<LegacyAlbum> albums = {
        {"CP932", "ja_JP.UTF-8", "宇多田ヒカル", "初恋", {"初恋", "あなた", "道", "花束を君に"}},
        {"GBK", "zh_CN.UTF-8", "周杰伦", "叶惠美", {"以父之名", "晴天", "东风破", "三年二班"}},
        {"GBK", "zh_CN.UTF-8", "JJ陆", "Live版", {"江南", "一千年以后", "曹操"}},
        {"BIG5", "zh_TW.UTF-8", "周杰倫", "葉惠美", {"以父之名", "晴天", "東風破", "三年二班"}},
        {"CP949",
         "ko_KR.UTF-8",
         "소녀시대",
         "다시 만난 세계",
         {"다시 만난 세계", "소녀시대", "Kissing You"}},
        {"CP1251",
         "ru_RU.UTF-8",
         "Кино",
         "Группа крови",
         {"Группа крови", "Закрой за мной дверь, я ухожу", "Война", "Спокойная ночь"}},
        {"CP1250",
         "pl_PL.UTF-8",
         "Maryla Rodowicz",
         "Niech żyje bal",
         {"Małgośka", "Niech żyje bal", "Kolorowe jarmarki", "Ballada wagonowa"}},
        {"CP1253",
         "el_GR.UTF-8",
         "Μίκης Θεοδωράκης",
         "Ζορμπάς",
         {"Ζορμπάς", "Άρνηση", "Το τρένο φεύγει στις οχτώ"}},
        {"CP1252", "de_DE.UTF-8", "Björk", "Homogenic", {"Jóga", "Hunter", "Bachelorette"}},
        {"CP1252",
         "is_IS.UTF-8",
         "Sigur Rós",
         "Ágætis byrjun",
         {"Svefn-g-englar", "Starálfur", "Viðrar vel til loftárása"}},
        {"CP1252", "en_GB.UTF-8", "Motörhead", "Ace of Spades", {"Ace of Spades", "Jailbait"}},
        {"CP1252",
         "fr_FR.UTF-8",
         "Françoise Hardy",
         "Tous les garçons et les filles",
         {"Ça a raté", "Le temps de l'amour", "Tous les garçons et les filles"}},
    };
    return albums;
}

std::string encode(const std::string& text, const char* code_page) {
    const iconv_t cd = iconv_open(code_page, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        throw std::runtime_error(std::string("iconv knows no ") + code_page);
    }
    std::string out(text.size() * 4, '\0');
    char* source = const_cast<char*>(text.data());
    std::size_t source_left = text.size();
    char* target = out.data();
    std::size_t target_left = out.size();
    const std::size_t result = iconv(cd, &source, &source_left, &target, &target_left);
    iconv_close(cd);
    if (result == static_cast<std::size_t>(-1)) {
        throw std::runtime_error(text + " is not in " + code_page);
    }
    out.resize(out.size() - target_left);
    return out;
}

}  // namespace trackfold::test
