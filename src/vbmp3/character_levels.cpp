#include "character_levels.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace trackfold {
namespace {

enum class Level { Neutral, Common, Rare, HalfwidthKana };

struct NameFamily {
    std::string_view name;  // upper case, without "-" and "_"
    CjkEncoding encoding;
};

constexpr NameFamily kNames[] = {
    {"CP932", CjkEncoding::ShiftJis},
    {"MS932", CjkEncoding::ShiftJis},
    {"WINDOWS31J", CjkEncoding::ShiftJis},
    {"SJIS", CjkEncoding::ShiftJis},
    {"SHIFTJIS", CjkEncoding::ShiftJis},
    {"MSKANJI", CjkEncoding::ShiftJis},
    {"CSSHIFTJIS", CjkEncoding::ShiftJis},
    {"EUCJP", CjkEncoding::EucJp},
    {"EUCJPMS", CjkEncoding::EucJp},
    {"UJIS", CjkEncoding::EucJp},
    {"GBK", CjkEncoding::Gbk},
    {"CP936", CjkEncoding::Gbk},
    {"MS936", CjkEncoding::Gbk},
    {"WINDOWS936", CjkEncoding::Gbk},
    {"GB2312", CjkEncoding::Gbk},
    {"EUCCN", CjkEncoding::Gbk},
    {"GB18030", CjkEncoding::Gbk},
    {"CSGB2312", CjkEncoding::Gbk},
    {"BIG5", CjkEncoding::Big5},
    {"BIGFIVE", CjkEncoding::Big5},
    {"BIG5HKSCS", CjkEncoding::Big5},
    {"CP950", CjkEncoding::Big5},
    {"CNBIG5", CjkEncoding::Big5},
    {"CSBIG5", CjkEncoding::Big5},
    {"CP949", CjkEncoding::Uhc},
    {"UHC", CjkEncoding::Uhc},
    {"EUCKR", CjkEncoding::Uhc},
    {"CSEUCKR", CjkEncoding::Uhc},
};

// Rows of JIS X 0208 (1-94), as Shift_JIS and EUC-JP both hold them: 1-3 symbols and
// full-width letters, 4-5 kana, 6-8 Greek, Cyrillic and box lines, 13 NEC's symbols, 16-47
// level 1.
Level jis_row_level(int row) {
    if (row == 4 || row == 5 || (row >= 16 && row <= 47)) {
        return Level::Common;
    }
    return row <= 8 || row == 13 ? Level::Neutral : Level::Rare;
}

// The character at the front of `bytes` and its level.
struct Character {
    std::size_t length;
    Level level;
};

Character shift_jis(std::uint8_t lead, std::uint8_t trail, std::size_t left) {
    if (lead >= 0xA1 && lead <= 0xDF) {
        return {1, Level::HalfwidthKana};
    }
    if (left < 2 || lead < 0x81 || (lead > 0x9F && lead < 0xE0) || lead > 0xFC) {
        return {1, Level::Neutral};
    }
    const int row = (lead <= 0x9F ? lead - 0x81 : lead - 0xC1) * 2 + 1 + (trail >= 0x9F ? 1 : 0);
    return {2, jis_row_level(row)};
}

Character euc_jp(std::uint8_t lead, std::uint8_t trail, std::size_t left) {
    if (lead == 0x8E && left >= 2) {
        return {2, Level::HalfwidthKana};
    }
    if (lead == 0x8F && left >= 3) {
        return {3, Level::Rare};  // JIS X 0212
    }
    if (lead < 0xA1 || lead > 0xFE || left < 2) {
        return {1, Level::Neutral};
    }
    (void)trail;
    return {2, jis_row_level(lead - 0xA0)};
}

Character gbk(std::uint8_t lead, std::uint8_t trail, std::size_t left) {
    if (lead < 0x81 || lead > 0xFE || left < 2) {
        return {1, Level::Neutral};
    }
    if (trail >= 0x30 && trail <= 0x39) {
        return {std::min<std::size_t>(4, left), Level::Rare};  // GB18030's four-byte forms
    }
    if (trail < 0xA1) {
        return {2, Level::Rare};  // GBK's extension
    }
    if (lead >= 0xA1 && lead <= 0xA9) {
        return {2, Level::Neutral};
    }
    return {2, lead >= 0xB0 && lead <= 0xD7 ? Level::Common : Level::Rare};
}

Character big5(std::uint8_t lead, std::uint8_t trail, std::size_t left) {
    if (lead < 0x81 || lead > 0xFE || left < 2) {
        return {1, Level::Neutral};
    }
    const unsigned code = (lead << 8) | trail;
    if (code >= 0xA140 && code <= 0xA3BF) {
        return {2, Level::Neutral};
    }
    return {2, code >= 0xA440 && code <= 0xC67E ? Level::Common : Level::Rare};
}

Character uhc(std::uint8_t lead, std::uint8_t trail, std::size_t left) {
    if (lead < 0x81 || lead > 0xFE || left < 2) {
        return {1, Level::Neutral};
    }
    if (trail < 0xA1) {
        return {2, Level::Rare};  // the syllables CP949 adds
    }
    if (lead >= 0xA1 && lead <= 0xAC) {
        return {2, Level::Neutral};
    }
    return {2, lead >= 0xB0 && lead <= 0xC8 ? Level::Common : Level::Rare};
}

}  // namespace

CjkEncoding cjk_encoding_of(std::string_view code_page) {
    std::string key;
    for (const char c : code_page) {
        if (c != '-' && c != '_') {
            key += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        }
    }
    const auto found = std::find_if(std::begin(kNames), std::end(kNames),
                                    [&](const NameFamily& entry) { return entry.name == key; });
    return found != std::end(kNames) ? found->encoding : CjkEncoding::None;
}

CharacterTally tally_characters(std::string_view bytes, CjkEncoding encoding) {
    CharacterTally tally;
    if (encoding == CjkEncoding::None) {
        return tally;
    }
    Level before = Level::Neutral;
    bool lone_kana = false;  // the character before is a half-width katakana with none before it
    for (std::size_t at = 0; at < bytes.size();) {
        const auto lead = static_cast<std::uint8_t>(bytes[at]);
        if (lead < 0x80) {
            ++at;
            tally.rare += lone_kana;
            before = Level::Neutral;
            lone_kana = false;
            continue;
        }
        const auto trail = at + 1 < bytes.size() ? static_cast<std::uint8_t>(bytes[at + 1]) : 0;
        const std::size_t left = bytes.size() - at;
        const Character character = encoding == CjkEncoding::ShiftJis ? shift_jis(lead, trail, left)
                                    : encoding == CjkEncoding::EucJp  ? euc_jp(lead, trail, left)
                                    : encoding == CjkEncoding::Gbk    ? gbk(lead, trail, left)
                                    : encoding == CjkEncoding::Big5   ? big5(lead, trail, left)
                                                                      : uhc(lead, trail, left);
        if (character.level == Level::HalfwidthKana) {
            if (before == Level::HalfwidthKana) {
                // A run: this one and the first of it are common.
                tally.common += lone_kana ? 2 : 1;
                lone_kana = false;
            } else {
                lone_kana = true;
            }
        } else {
            tally.rare += lone_kana;
            lone_kana = false;
            tally.common += character.level == Level::Common;
            tally.rare += character.level == Level::Rare;
        }
        before = character.level;
        at += character.length;
    }
    tally.rare += lone_kana;
    return tally;
}

}  // namespace trackfold
