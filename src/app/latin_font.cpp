#include "app/latin_font.h"

#include <fontconfig/fontconfig.h>

#include <QFontInfo>
#include <QStringList>

namespace trackfold {

QString latin_face(const QString& family) {
    FcPattern* pattern = FcPatternCreate();
    const QByteArray name = family.toUtf8();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.constData()));
    // Asked for English, the configuration does not put the desktop language's faces first.
    FcLangSet* languages = FcLangSetCreate();
    FcLangSetAdd(languages, reinterpret_cast<const FcChar8*>("en"));
    FcPatternAddLangSet(pattern, FC_LANG, languages);
    FcLangSetDestroy(languages);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    QString face;
    FcChar8* found = nullptr;
    if (match != nullptr && FcPatternGetString(match, FC_FAMILY, 0, &found) == FcResultMatch) {
        face = QString::fromUtf8(reinterpret_cast<const char*>(found));
    }
    if (match != nullptr) {
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return face;
}

QFont with_latin_face_first(const QFont& font) {
    const QString latin = latin_face(font.family());
    if (latin.isEmpty() || latin == QFontInfo(font).family()) {
        return font;
    }
    QFont shown = font;
    shown.setFamilies(QStringList{latin} + font.families());
    return shown;
}

}  // namespace trackfold
