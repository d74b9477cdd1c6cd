#pragma once

#include <QLocale>
#include <QString>

namespace trackfold {

// Shows the window in the language of `locale` where a translation is built in (Japanese: the
// design's messages as it words them), with Qt's own buttons and dialogs in that language too
// where the desktop has Qt's translations; English otherwise. Replaces the language installed
// before.
void install_ui_language(const QLocale& locale);

// The two messages, in the installed language.
QString cancel_question_text();
QString already_running_text();

}  // namespace trackfold
