// Runs the pairwise test from the desktop: the progress window, then the species-pairs window.
#pragma once

#include <string>
#include <vector>

#include "core/presence_matrix.h"
#include "engine/pairwise_test.h"

class QWidget;

namespace kelpo::ui {

// Hides mainWindow at once and returns; mainWindow is shown again when the run ends
// without results (cancel, error) or when the pairs window closes.
void startPairsRun(QWidget* mainWindow, PresenceMatrix matrix, std::vector<std::string> names,
                   PairwiseSettings settings);

}  // namespace kelpo::ui
