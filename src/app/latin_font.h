#pragma once

#include <QFont>
#include <QString>

namespace trackfold {

// The face the desktop's font configuration gives Latin text of `family` (a face or a generic
// name such as "Sans Serif"), whatever the desktop's language; "" when it names none.
QString latin_face(const QString& family);

// `font` with Latin text in its Latin face and everything else as before. On a Japanese desktop
// the font configuration gives all text a Japanese face, whose Latin letters, dots and digits
// are drawn wide ("Settings..."); the Latin face now comes first, and the Japanese one draws
// what it lacks. Unchanged where the two are the same face.
QFont with_latin_face_first(const QFont& font);

}  // namespace trackfold
