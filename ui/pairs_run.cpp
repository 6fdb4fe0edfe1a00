#include "ui/pairs_run.h"

#include <utility>

#include "ui/pairs_window.h"
#include "ui/progress_run.h"

namespace kelpo::ui {

void startPairsRun(QWidget* mainWindow, PresenceMatrix matrix, std::vector<std::string> names,
                   PairwiseSettings settings) {
    startProgressRun(mainWindow, [matrix = std::move(matrix), names = std::move(names),
                                  settings](RunControl& control) -> ShowResults {
        PairwiseResults results = PairwiseTest(matrix, settings, control);
        return [results = std::move(results), names, settings](QWidget* mainWindow) {
            // Top-level without owner; it deletes itself when closed and then shows the main window.
            auto* window = new PairsWindow(mainWindow, results, names, settings);
            window->show();
        };
    });
}

}  // namespace kelpo::ui
