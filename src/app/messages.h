#pragma once

#include <QLocale>
#include <QString>

namespace trackfold {

// Shows the window's messages in the language of `locale` where a translation is built in
// (Japanese: the texts as the program was first written); English otherwise. Replaces the
// language installed before.
void install_ui_language(const QLocale& locale);

// The two messages, in the installed language.
QString cancel_question_text();
QString already_running_text();

}  // namespace trackfold
