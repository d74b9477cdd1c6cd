#pragma once

#include <QString>
#include <QStringList>

namespace trackfold {

// The code pages the Settings list offers, each shown with its language ("Japanese (CP932)")
// and written to the settings file as its bare name, as earlier versions and iconv name it.

// The list's texts: "auto" first, then a language and its code page each.
QStringList code_page_choice_texts();

// How a TagCodePage value shows in the list: "auto" when empty, absent or auto, a language
// beside a code page of the list, any other name as it is.
QString shown_code_page(const QString& value);

// The value to write for what the list shows: the bare name of one of its code pages, or what
// was typed, trimmed.
QString chosen_code_page(const QString& shown);

// Whether two values ask for the same: both auto (an empty value is auto), or the same name in
// any case.
bool same_code_page(const QString& a, const QString& b);

}  // namespace trackfold
