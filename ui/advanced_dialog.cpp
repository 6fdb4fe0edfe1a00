#include "ui/advanced_dialog.h"

namespace kelpo::ui {

void showAdvancedOptions(QWidget*, AnalysisSettings&) {}

}  // namespace kelpo::ui
