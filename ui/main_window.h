// frmMain: the matrix grid, the analysis choices and the menus of the program.
#pragma once

#include <QMainWindow>

#include <QKeySequence>

#include <functional>
#include <optional>

#include "core/presence_matrix.h"
#include "engine/analysis_settings.h"
#include "matrix/sparse_array.h"
#include "matrix/text_encoding.h"
#include "results/report.h"

class QAction;
class QButtonGroup;
class QComboBox;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QUndoStack;

namespace kelpo {
class Grid;
}

namespace kelpo::ui {

class ExitDialog;
struct MatrixState;

// True when a screen of this height in pixels is too small for the window (Error 06).
bool screenTooSmall(int screenHeightPixels);

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow();
    ~MainWindow() override;

    // The analysis settings kept between runs (file name, sizes, seeds, last choices).
    const AnalysisSettings& settings() const { return settings_; }

    // Brings the grid's size in line with txtRows and txtCols, naming new rows and
    // columns; then the "[rows,cols]" of lbl1 follows.
    void GridResize();
    // Keeps the frame fra1 and the border shp1 around the grid.
    void GridFrameResize();

    // Menu and button handlers, public so that other windows and tests can run them.
    void mnuMatrixClear_Click();
    void mnuFileOpen_Click();
    void mnuFileSave_Click();
    void mnuMatrixDimensions_Click();
    void cmdRun_Click();
    void cmdOptions_Click();
    void mnuAnalysisPairs_Click();
    // Opens a matrix file as File > Open Matrix... does after its dialog.
    void openMatrixPath(const QString& path);

    // The Edit menu, over the grid's selected block.
    void editUndo();
    void editRedo();
    void editCut();
    void editCopy();
    void editPaste();
    void editSelectAll();
    QUndoStack& history() { return *history_; }

    // Copies the dimensions, the statistic, the defaults and the analysis choices
    // into the kept settings, as a run does before it starts.
    void ReadAnalysisSettings();
    // What the report prints of the controls: captions, check states, texts.
    ReportChoices readReportChoices() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Building the window.
    QWidget* buildChoices();
    QWidget* buildStatisticGroup(QWidget* panel);
    QWidget* buildNullHypothesisGroup(QWidget* panel);
    QWidget* buildAlternativeGroup(QWidget* panel);
    QWidget* buildAssumptionGroup(QWidget* panel);
    QWidget* buildAnalysisGroup(QWidget* panel);
    QWidget* buildMatrixPanel();
    void buildMenus();
    void buildEditMenu();
    void connectChoiceRules();

    // The rules that tie the analysis choices together.
    void optH01_Click();
    void optH02_Click();
    void optH03_Click();
    void chkAIn_Click(bool checked);
    void deselectProportions();
    void grd1_MouseMove(double x, double y);

    // Matrix commands.
    void mnuMatrixHeaders_Click(bool locked);
    void applyDimensions(const QString& rows, const QString& cols);
    void fitGridToPanel();
    void showMatrixName(const std::string& name);
    // A dimension text box as a whole number (leading number, halves to even).
    static std::int32_t dimension(const QLineEdit& box);

    // Undo history: a command that changes more than a cell runs inside recordChange,
    // which keeps the matrix before and after it.
    MatrixState matrixState();
    void applyMatrixState(const MatrixState& state);
    void recordChange(const QString& text, const std::function<void()>& change);
    void onCellEdited(std::int32_t row, std::int32_t col, const QString& before, const QString& after);
    void onGridEditCommand(QKeySequence::StandardKey key);
    void clearSelection();
    void updateTitle();

    void warnAboutSmallScreen();
    // The grid's matrix after its check, with the checked copy of the cells (names in
    // column 0); nothing after the refusal was shown.
    std::optional<PresenceMatrix> checkedGridMatrix(SparseArray& copy);

    AnalysisSettings settings_;
    bool loaded_ = false;
    // The shown matrix's file encoding, so a save writes the bytes it read; new matrices are UTF-8.
    TextEncoding matrixEncoding_ = TextEncoding::Utf8;

    QComboBox* cboStatistic_;
    QRadioButton* optH01_;
    QRadioButton* optH02_;
    QRadioButton* optH03_;
    QLineEdit* txtHA_;
    QCheckBox* chkASiEq_;
    QCheckBox* chkASpEq_;
    QCheckBox* chkAIn_;
    QGroupBox* fra6_;
    QRadioButton* optAIn0_;
    QRadioButton* optAIn50_;
    QRadioButton* optAIn100_;
    QButtonGroup* proportions_;
    QPushButton* cmdRun_;
    QPushButton* cmdOptions_;
    QLineEdit* txtRows_;
    QLineEdit* txtCols_;
    QLabel* lbl1_;
    QWidget* matrixPanel_;
    QFrame* shp1_;
    QFrame* fra1_;
    Grid* grd1_;
    ExitDialog* confirmExit_ = nullptr;
    QUndoStack* history_;
    bool recording_ = false;  // inside recordChange or an undo: the grid's writes are no edits  // made on the first closing, then only hidden
};

}  // namespace kelpo::ui
