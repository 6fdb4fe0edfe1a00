// Starting an analysis from the main window: check the matrix, read the choices, hand over.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <optional>

#include "core/error.h"
#include "matrix/grid.h"
#include "matrix/matrix_check.h"
#include "ui/advanced_dialog.h"
#include "ui/analysis_run.h"
#include "ui/main_window.h"
#include "widgets/message_box.h"
#include "widgets/wait_cursor.h"

namespace kelpo::ui {

namespace {

// The caption of the selected option of a list, or the empty text when none is.
std::string selectedCaption(std::initializer_list<const QRadioButton*> options) {
    for (const QRadioButton* option : options) {
        if (option->isChecked()) return option->text().toStdString();
    }
    return {};
}

}  // namespace

std::optional<PresenceMatrix> MainWindow::checkedGridMatrix(SparseArray& copy) {
    std::optional<PresenceMatrix> matrix;
    QString refusal;
    {
        const WaitCursor wait;
        // A copy: trimming must not change what the grid shows.
        copy = grd1_->GetMatrix();
        try {
            validateMatrix(copy);
            matrix = buildMatrix(copy);
        } catch (const Error& error) {
            refusal = QString::fromStdString(error.what());
        }
    }
    if (!matrix) showError(this, refusal);
    return matrix;
}

void MainWindow::cmdRun_Click() {
    SparseArray copy;
    std::optional<PresenceMatrix> matrix = checkedGridMatrix(copy);
    if (!matrix) return;
    try {
        ReadAnalysisSettings();
    } catch (const Error& error) {
        showError(this, QString::fromStdString(error.what()));
        return;
    }
    startAnalysisRun(this, std::move(*matrix), settings_, readReportChoices());
}

void MainWindow::cmdOptions_Click() { showAdvancedOptions(this, settings_); }

void MainWindow::ReadAnalysisSettings() {
    settings_.speciesCount = dimension(*txtRows_);
    settings_.siteCount = dimension(*txtCols_);
    settings_.applyRunDefaults();  // the defaults stay for later runs and the options dialog
    settings_.statisticRange = StatisticRange::Limited32;
    settings_.statisticId = statisticFromNumber(cboStatistic_->currentIndex() + 1).value_or(StatisticId::CScore);

    settings_.nullHypothesis = optH01_->isChecked()   ? NullHypothesis::NoInteractions
                               : optH02_->isChecked() ? NullHypothesis::SitesEquivalent
                               : optH03_->isChecked() ? NullHypothesis::SpeciesEquivalent
                                                      : NullHypothesis::None;
    settings_.assumeSitesEquivalent = chkASiEq_->isChecked();
    settings_.assumeSpeciesEquivalent = chkASpEq_->isChecked();
    settings_.assumeInteractions = chkAIn_->isChecked();
    settings_.interactionChoice = optAIn100_->isChecked()  ? InteractionChoice::All
                                  : optAIn50_->isChecked() ? InteractionChoice::Half
                                                           : InteractionChoice::None;
}

ReportChoices MainWindow::readReportChoices() const {
    ReportChoices choices;
    choices.nullHypothesisCaption = selectedCaption({optH01_, optH02_, optH03_});
    choices.interactionsChecked = chkAIn_->isChecked();
    choices.interactionProportionCaption = selectedCaption({optAIn0_, optAIn50_, optAIn100_});
    choices.sitesEquivalentChecked = chkASiEq_->isChecked();
    choices.sitesEquivalentCaption = chkASiEq_->text().toStdString();
    choices.speciesEquivalentChecked = chkASpEq_->isChecked();
    choices.speciesEquivalentCaption = chkASpEq_->text().toStdString();
    choices.statisticText = cboStatistic_->currentText().toStdString();
    choices.rowsText = txtRows_->text().toStdString();
    choices.colsText = txtCols_->text().toStdString();
    return choices;
}

}  // namespace kelpo::ui
