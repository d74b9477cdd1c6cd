#pragma once

#include <QPixmap>

namespace trackfold {

// The 26 x 23 picture of the browse buttons: a yellow and white folder with a small arrow
// above it, on a light-grey field.
QPixmap open_folder_picture();

}  // namespace trackfold
