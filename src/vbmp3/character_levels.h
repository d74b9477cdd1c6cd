#pragma once

#include <string_view>

namespace trackfold {

// The double-byte code pages whose own level structure tells how common a character is.
enum class CjkEncoding { None, ShiftJis, EucJp, Gbk, Big5, Uhc };

// The family of a code page name as iconv knows it (CP932, SJIS, EUC-JP, GBK, GB2312, CP936,
// BIG5, CP950, CP949, EUC-KR...), in any case; None for the others.
CjkEncoding cjk_encoding_of(std::string_view code_page);

// How many characters of a text in `encoding` are of the common kind and how many of the rare.
// The encodings rank their characters themselves: GB2312 level 1 (rows 16-55, the 3,755
// common hanzi) against level 2 and GBK's extension; Big5's frequent block (A440-C67E, 5,401
// hanzi) against the less frequent one; JIS X 0208 level 1 (rows 16-47) and the kana against
// level 2 and the vendor extensions; KS X 1001's 2,350 common Hangul (rows 16-40) against
// Hanja and the syllables CP949 adds. Symbols, full-width forms, Greek and Cyrillic count as
// neither. A half-width katakana is common beside another one and rare alone: alone it is
// mostly an accented capital of Windows-1252 (À is ﾀ).
struct CharacterTally {
    int common = 0;
    int rare = 0;
};
CharacterTally tally_characters(std::string_view bytes, CjkEncoding encoding);

}  // namespace trackfold
