#pragma once

#include <QString>

#include <string>

namespace trackfold {

// The engine's UTF-8 text as the window shows it.
inline QString to_qt(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace trackfold
