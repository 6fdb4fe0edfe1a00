// The results window: shows a run's report, saves it to a text file, brings the main
// window back when it closes.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <string>

class QPlainTextEdit;
class QPushButton;

namespace kelpo::ui {

// frmResults: a top-level window without owner that deletes itself when closed.
class ResultsWindow : public QWidget {
    Q_OBJECT

public:
    // mainWindow is shown again when this window closes (nothing happens if it is gone).
    explicit ResultsWindow(QWidget* mainWindow);

    // Replaces the whole text; reportText() gives it back byte for byte (CR LF kept).
    void setReport(const std::string& report);
    const std::string& reportText() const { return report_; }

    // The path chosen in the save dialog, trimmed; empty when the user cancels.
    QString SaveResultsDialog();
    // Writes the report under the normalised path; "Error 09: invalid file name" on failure.
    void SaveResults(const QString& path);

    static constexpr int kDesignedWidth = 936;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void cmdSave_Click();
    void cmdHelp_Click();

    QPointer<QWidget> mainWindow_;
    std::string report_;
    QPlainTextEdit* txt1_;
    QPushButton* cmdSave_;
    QPushButton* cmdClose_;
    QPushButton* cmdHelp_;
};

}  // namespace kelpo::ui
