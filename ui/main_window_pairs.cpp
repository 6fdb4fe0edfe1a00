// Analysis > Species Pairs...: the pairwise test of the grid's matrix.
#include <optional>

#include "matrix/species_names.h"
#include "ui/main_window.h"
#include "ui/pairs_run.h"

namespace kelpo::ui {

// The chain's defaults, and the simulation seed of the advanced options so that a
// seed the user fixed there fixes these results too.
void MainWindow::mnuAnalysisPairs_Click() {
    SparseArray copy;
    std::optional<PresenceMatrix> matrix = checkedGridMatrix(copy);
    if (!matrix) return;
    PairwiseSettings settings;
    settings.seed = settings_.simulationSeed;
    std::vector<std::string> names = speciesNames(copy, matrix->rows());
    startPairsRun(this, std::move(*matrix), std::move(names), settings);
}

}  // namespace kelpo::ui
