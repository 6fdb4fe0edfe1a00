// The advanced options dialog: simulation sizes and random seeds, checked before they are stored.
#pragma once

#include "engine/analysis_settings.h"

class QWidget;

namespace kelpo::ui {

// Opens frmAdvanced modal, owned by mainWindow. Writes matricesPerDistribution,
// simulationSeed, iterations and testSeed of settings only when every check passes;
// settings must outlive the dialog (the main window keeps it for the whole session).
void showAdvancedOptions(QWidget* mainWindow, AnalysisSettings& settings);

}  // namespace kelpo::ui
