// frmResizeMatrix: asks for the number of species (rows) and sites (columns),
// checks both and hands the accepted texts to the main window.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QLineEdit;

namespace kelpo {

class DimensionsDialog : public QDialog {
    Q_OBJECT
public:
    // Receives the accepted rows and columns texts; the main window writes them into
    // its own dimension boxes and re-lays out its grid.
    using Apply = std::function<void(const QString& rows, const QString& cols)>;

    // rows and cols: the main window's dimension texts, shown at opening.
    DimensionsDialog(QWidget* owner, const QString& rows, const QString& cols, Apply apply);

private:
    void cmdOK_Click();
    // Reads the box as a leading number and checks 1..32767, with the two messages
    // for too small and too large; rewrites the box as plain decimal when it passes.
    bool acceptDimension(QLineEdit& box, const char* belowOne, const char* aboveMaximum);

    QLineEdit* rows_;
    QLineEdit* cols_;
    Apply apply_;
};

}  // namespace kelpo
