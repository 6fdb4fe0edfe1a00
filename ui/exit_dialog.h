// frmConfirmExit: asks "Exit Kelpo?" before the main window closes.
#pragma once

#include <QDialog>
#include <QString>

namespace kelpo::ui {

class ExitDialog : public QDialog {
    Q_OBJECT
public:
    explicit ExitDialog(QWidget* owner);

    // "Exit" after Yes; empty until then. Kept while the dialog is only hidden.
    const QString& answer() const { return answer_; }

private:
    void cmdYes_Click();

    QString answer_;
};

}  // namespace kelpo::ui
