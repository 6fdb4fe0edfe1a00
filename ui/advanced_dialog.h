// The advanced options dialog: simulation sizes and random seeds, checked before they are stored.
#pragma once

#include <QDialog>

#include "engine/analysis_settings.h"

class QLineEdit;
class QPushButton;
class QWidget;

namespace kelpo::ui {

// Opens frmAdvanced modal, owned by mainWindow. Writes matricesPerDistribution,
// simulationSeed, iterations and testSeed of settings only when every check passes;
// settings must outlive the dialog (the main window keeps it for the whole session).
void showAdvancedOptions(QWidget* mainWindow, AnalysisSettings& settings);

// frmAdvanced. Deletes itself when closed. A refused OK hides it for the message and
// shows it again without modality, texts kept, nothing stored; hidden() fires at each hide.
class AdvancedDialog : public QDialog {
    Q_OBJECT

public:
    AdvancedDialog(QWidget* owner, AnalysisSettings& settings);

    static constexpr int kDesignedWidth = 270;

signals:
    void hidden();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    struct Numbers {
        double perDistribution = 0;
        double simulationSeed = 0;
        double iterations = 0;  // the total the user sees, ten times the stored value
        double testSeed = 0;
    };

    void Form_Load();
    void cmdOK_Click();
    Numbers readNumbers() const;
    bool accepted(const Numbers& numbers);
    void store(const Numbers& numbers);

    AnalysisSettings& settings_;
    QLineEdit* txt1_;
    QLineEdit* txt2_;
    QLineEdit* txt3_;
    QLineEdit* txt4_;
    QPushButton* cmdOK_;
    QPushButton* cmdCancel_;
};

}  // namespace kelpo::ui
