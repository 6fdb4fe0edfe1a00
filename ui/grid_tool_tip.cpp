#include "ui/grid_tool_tip.h"

namespace kelpo::ui {

QString gridToolTip(double x, double y) {
    // The header row is one 20-pixel cell high; its first slots (the corner and the
    // first columns) stay silent so that the tip does not cover what is typed there.
    if (y < 20) return x > 140 ? QStringLiteral("Enter names of sites here.") : QString();
    if (x <= 70) return QStringLiteral("Enter names of species here.");
    return QStringLiteral("Enter ones where species are present and zeroes where they are absent.");
}

}  // namespace kelpo::ui
