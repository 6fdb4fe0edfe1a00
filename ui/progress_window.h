// The progress window of a run: steps begun, a bar, the remaining time, and Cancel.
#pragma once

#include <QFrame>
#include <QWidget>

#include "engine/progress.h"

class QLabel;
class QPushButton;

namespace kelpo::ui {

// The bar: StepsDone of S units filled over a grey background.
class ProgressBarBox : public QFrame {
public:
    explicit ProgressBarBox(QWidget* parent);
    void setSteps(std::int32_t stepsDone, std::int32_t stepTotal);

    static QColor barColour() { return {209, 175, 175}; }
    static QColor backgroundColour() { return {192, 192, 192}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::int32_t stepsDone_ = 0;
    std::int32_t stepTotal_ = 0;
};

// frmProgress. Shows ProgressStates on the GUI thread; reports a click on Cancel through
// cancelRequested. Refuses to close from its title bar; the run closes it with unload().
class ProgressWindow : public QWidget {
    Q_OBJECT

public:
    ProgressWindow();

    void showProgress(const ProgressState& state);
    void unload();

    static constexpr int kDesignedWidth = 370;

signals:
    void cancelRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void cmdCancel_Click();

    QLabel* pbx2_;
    QPushButton* cmdCancel_;
    ProgressBarBox* pbxProgressBar_;
    QLabel* pbx1_;
    bool cancelClicked_ = false;
    bool unloading_ = false;
};

}  // namespace kelpo::ui
