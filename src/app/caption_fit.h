#pragma once

#include <QStringList>
#include <QWidget>

namespace trackfold {

// Object names of the labels, buttons and group boxes whose caption does not fully show in
// the space the window gives it.
QStringList clipped_captions(const QWidget& window);

// The window's geometry is fixed in pixels, so a large desktop font would clip captions:
// shrink the window's font until every caption shows.
void fit_captions(QWidget& window);

}  // namespace trackfold
