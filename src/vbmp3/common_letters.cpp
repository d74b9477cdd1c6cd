#include "common_letters.h"

#include <algorithm>
#include <cwchar>

namespace trackfold {
namespace {

struct Frequent {
    std::string_view code_page;
    const wchar_t* characters;
};

// Written from the letter frequencies of the languages and the character frequency lists of
// Chinese, Japanese and Korean: roughly the characters that make up two thirds of their text.
constexpr Frequent kFrequent[] = {
    // The accented letters its languages share with Windows-1252 count in each, so that only
    // the bytes the two read apart decide between them.
    {"CP1252", L"àáâãäåæçèéêëíñóôõöøùúüßðþ"},
    {"CP1250", L"ąćčďęěĺľłńňŕřśšťůźżžőűáäçéíóôöúüý"},
    {"CP1257", L"ąčęėįšųūžāēģīķļņōõäöüéó"},
    {"CP1254", L"çğıöşüâîéáóú"},
    {"CP1258", L"ăâđêôơưàáèéìíòóùúý\u0300\u0301\u0303\u0309\u0323"},
    {"CP1251", L"оеаинтсрвлкмдпуяыьгзбчйіє"},
    {"CP1253", L"αοειτσνηυρπκμλωάέίόήύώςδγ"},
    {"CP1255", L"יוהאלמרבתשנעדכק"},
    {"CP1256", L"اليمونهربتعدسفكق"},
    {"CP874", L"นรกอมยงวดทสลหบตคจพขปาเแะัิีุู่้"},
    {"CP932",
     L"のにはをたがでしてといるれなもかあうこすまりくよっおきけさつんそらやわせえ"
     L"ーンイトスルラクリカタシコレロアテマドジッナミハフプメモオキデ"
     L"日人一大年出本中子見国言上分生手自行者二間事思時気会十家女三前的方入小地"
     L"合後目長場代私下立部学物月田何来彼話体動社知理山内同心発高実作当新世今書度"
     L"明五戦力名金性対意用男主通関文屋感郎業定政持道外取所現愛夜恋君僕風空花歌"},
    {"GBK",
     L"的一是不了人我在有他这中大来上国个到说们为子和你地出道也时年得就那要下以生会"
     L"自着去之过家学对可她里后小么心多天而能好都然没日于起还发成事只作当想看文无开"
     L"手十用主行方又如前所本见经头面公同三已老从动两长知民样现分将外但身些与高意进"
     L"把法此实回二理美点月明其种声全工己话儿者向情部正名定女问力机给等几很业最间新"
     L"什打便位因重被走电四第门相次东政海口使教西再平真听世气信北少关并内加化由却代"
     L"爱恋歌梦夜风雨花春心"},
    {"BIG5",
     L"的一是不了人我在有他這中大來上國個到說們為子和你地出道也時年得就那要下以生會"
     L"自著去之過家學對可她裡後小麼心多天而能好都然沒日於起還發成事只作當想看文無開"
     L"手十用主行方又如前所本見經頭面公同三已老從動兩長知民樣現分將外但身些與高意進"
     L"把法此實回二理美點月明其種聲全工己話兒者向情部正名定女問力機給等幾很業最間新"
     L"什打便位因重被走電四第門相次東政海口使教西再平真聽世氣信北少關並內加化由卻代"
     L"愛戀歌夢夜風雨花春心"},
    {"CP949",
     L"이의다는에가고하지사기을를로서도한나리어아자대일시그수정있인전상장적조제해보주"
     L"부동면문우여라소없만성들것내생계오과요경원거국비신실무방위마모구두게개연물화공"
     L"세또러너니래레히운영랑사랑우리그대별눈밤꿈음노바람날너와내게해서처럼"},
};

}  // namespace

wchar_t lower_letter(wchar_t c) {
    if ((c >= L'A' && c <= L'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
        (c >= 0x391 && c <= 0x3AB) || (c >= 0x410 && c <= 0x42F)) {
        return c + 0x20;
    }
    if (c >= 0x400 && c <= 0x40F) {
        return c + 0x50;
    }
    const bool even_upper = (c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
    const bool odd_upper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if ((even_upper && c % 2 == 0) || (odd_upper && c % 2 == 1)) {
        return c + 1;
    }
    switch (c) {
        case 0x178:
            return 0xFF;
        case 0x1A0:
            return 0x1A1;
        case 0x1AF:
            return 0x1B0;
        case 0x386:
            return 0x3AC;
        case 0x388:
            return 0x3AD;
        case 0x389:
            return 0x3AE;
        case 0x38A:
            return 0x3AF;
        case 0x38C:
            return 0x3CC;
        case 0x38E:
            return 0x3CD;
        case 0x38F:
            return 0x3CE;
        default:
            return c;
    }
}

bool is_upper_letter(wchar_t c) {
    return lower_letter(c) != c;
}

bool is_lower_letter(wchar_t c) {
    const bool cased = (c >= L'a' && c <= L'z') || (c >= 0xDF && c <= 0x24F && c != 0xF7) ||
                       (c >= 0x3AC && c <= 0x3CE) || (c >= 0x430 && c <= 0x45F);
    return cased && !is_upper_letter(c);
}

bool is_frequent_in(std::string_view code_page, wchar_t c) {
    const auto found =
        std::find_if(std::begin(kFrequent), std::end(kFrequent),
                     [&](const Frequent& entry) { return entry.code_page == code_page; });
    // Vietnamese letters with their tone marks, as glibc composes them from CP1258's marks.
    if (code_page == "CP1258" && c >= 0x1EA0 && c <= 0x1EF9) {
        return true;
    }
    return found != std::end(kFrequent) && c != 0 && std::wcschr(found->characters, c) != nullptr;
}

}  // namespace trackfold
