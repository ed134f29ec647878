#pragma once

#include <QFont>
#include <QRect>

#include "app/update_setup_template.h"

namespace kvx::qt {

// The font's average character width and its height in pixels, which dialog units scale with.
struct DialogBaseUnits {
  int width = 0;
  int height = 0;
};

// The width is the advance of "A".."Z" and "a".."z" divided by 52, rounded; the height is the
// font's height. That is how a dialog laid out in dialog units keeps its proportions at any
// font size.
DialogBaseUnits BaseUnitsOf(const QFont& font);

// x and widths scale by a quarter of the base width, y and heights by an eighth of the base
// height.
QRect DialogUnitsToPixels(const DialogUnitRect& rect, DialogBaseUnits units);

}  // namespace kvx::qt
