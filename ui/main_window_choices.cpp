// The rules that tie the analysis choices of the main window together.
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>

#include "grid/grid.h"
#include "ui/grid_tool_tip.h"
#include "ui/main_window.h"

namespace kelpo::ui {

void MainWindow::connectChoiceRules() {
    // toggled, not clicked: a choice changed by the program runs its rule too.
    connect(optH01_, &QRadioButton::toggled, this, [this](bool on) { if (on) optH01_Click(); });
    connect(optH02_, &QRadioButton::toggled, this, [this](bool on) { if (on) optH02_Click(); });
    connect(optH03_, &QRadioButton::toggled, this, [this](bool on) { if (on) optH03_Click(); });
    connect(chkAIn_, &QCheckBox::toggled, this, &MainWindow::chkAIn_Click);
}

// Species that do not interact: the interaction assumption cannot hold beside it.
void MainWindow::optH01_Click() {
    txtHA_->setText(QStringLiteral("Interactions Between Species"));
    chkASiEq_->setEnabled(true);
    chkASpEq_->setEnabled(true);
    chkAIn_->setChecked(false);
    chkAIn_->setEnabled(false);
    deselectProportions();
}

// A null hypothesis is never also assumed, so its own check box is cleared and locked.
void MainWindow::optH02_Click() {
    txtHA_->setText(QStringLiteral("Sites Non-equivalent"));
    chkASpEq_->setEnabled(true);
    chkAIn_->setEnabled(true);
    chkASiEq_->setChecked(false);
    chkASiEq_->setEnabled(false);
}

void MainWindow::optH03_Click() {
    txtHA_->setText(QStringLiteral("Species Non-equivalent"));
    chkASiEq_->setEnabled(true);
    chkAIn_->setEnabled(true);
    chkASpEq_->setChecked(false);
    chkASpEq_->setEnabled(false);
}

// Checking starts the proportion at 0% every time; unchecking leaves none chosen.
void MainWindow::chkAIn_Click(bool checked) {
    if (checked) {
        fra6_->setEnabled(true);
        for (QRadioButton* option : {optAIn100_, optAIn50_, optAIn0_}) option->setEnabled(true);
        optAIn0_->setChecked(true);
        return;
    }
    fra6_->setEnabled(false);
    deselectProportions();
    for (QRadioButton* option : {optAIn100_, optAIn50_, optAIn0_}) option->setEnabled(false);
}

void MainWindow::deselectProportions() {
    // An exclusive group keeps one button checked; lift that while clearing.
    proportions_->setExclusive(false);
    for (QRadioButton* option : {optAIn0_, optAIn100_, optAIn50_}) option->setChecked(false);
    proportions_->setExclusive(true);
}

void MainWindow::grd1_MouseMove(double x, double y) { grd1_->setGridToolTipText(gridToolTip(x, y)); }

}  // namespace kelpo::ui
