// What the matrix grid's tool tip says at a pointer position: which part of the
// matrix the user is over (site names, species names or the cells).
#pragma once

#include <QString>

namespace kelpo::ui {

// x and y in pixels from the grid's drawing surface's top-left corner.
QString gridToolTip(double x, double y);

}  // namespace kelpo::ui
