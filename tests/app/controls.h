#pragma once

#include <QString>
#include <QWidget>
#include <QtGlobal>

namespace trackfold::test {

// The control of that object name inside window; a missing one ends the test program.
template <class Widget>
Widget* control(const QWidget& window, const char* name) {
    auto* found = window.findChild<Widget*>(QString::fromLatin1(name));
    if (found == nullptr) {
        qFatal("no control named %s", name);
    }
    return found;
}

}  // namespace trackfold::test
