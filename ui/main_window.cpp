#include "ui/main_window.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QUndoStack>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include "core/statistic_id.h"
#include "grid/grid.h"
#include "ui/about_dialog.h"
#include "ui/exit_dialog.h"
#include "widgets/help.h"
#include "widgets/message_box.h"

namespace kelpo::ui {

namespace {

const QString kNullTip = QStringLiteral("Enter the null hypothesis of that you would like to test.");
const QString kAlternativeTip = QStringLiteral("The alternative hypothesis is the complement of the null hypothesis.");
const QString kAssumptionTip =
    QStringLiteral("Check the assumptions that are appropriate for data set being analyzed.");
const QString kRunTip = QStringLiteral(
    "Click Run to measure error rates, robustness, and bias.   Click Advanced Options for additional options.");

template <typename W>
W* named(W* widget, const char* name, const QString& toolTip = {}) {
    widget->setObjectName(QLatin1String(name));
    if (!toolTip.isEmpty()) widget->setToolTip(toolTip);
    return widget;
}

QGroupBox* group(const QString& title, const QString& toolTip, QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    box->setToolTip(toolTip);
    return box;
}

}  // namespace

bool screenTooSmall(int screenHeightPixels) { return screenHeightPixels < 655; }

// The history is a child, deleted by ~QWidget after this window has stopped being a
// MainWindow; its last signals (the clean state changing) must not reach this window then.
MainWindow::~MainWindow() { history_->disconnect(this); }

MainWindow::MainWindow() : history_(new QUndoStack(this)) {
    setObjectName(QStringLiteral("frmMain"));
    setAcceptDrops(true);
    setWindowTitle(QStringLiteral("Kelpo"));

    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(10, 8, 10, 10);
    layout->setSpacing(12);
    layout->addWidget(buildChoices());
    layout->addWidget(buildMatrixPanel(), 1);
    setCentralWidget(central);
    buildMenus();
    connectChoiceRules();
    resize(1000, 590);

    // The window's load: default names and empty cells, the first statistic, the
    // program's folder as current folder (the help topics are found from there).
    mnuMatrixClear_Click();
    history_->clear();  // the empty matrix it starts with is nothing to undo
    cboStatistic_->setCurrentIndex(0);
    QDir::setCurrent(QCoreApplication::applicationDirPath());
}

QWidget* MainWindow::buildChoices() {
    auto* panel = new QWidget(this);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(buildStatisticGroup(panel));
    column->addWidget(buildNullHypothesisGroup(panel));
    column->addWidget(buildAlternativeGroup(panel));
    column->addWidget(buildAssumptionGroup(panel));
    column->addWidget(buildAnalysisGroup(panel));
    column->addStretch();

    // The dimensions as text, written only by the program (open, dimensions dialog).
    txtRows_ = named(new QLineEdit(QStringLiteral("20"), panel), "txtRows");
    txtCols_ = named(new QLineEdit(QStringLiteral("20"), panel), "txtCols");
    txtRows_->hide();
    txtCols_->hide();

    panel->setFixedWidth(290);
    return panel;
}

QWidget* MainWindow::buildStatisticGroup(QWidget* panel) {
    auto* box = group(QStringLiteral("Hypothesis Test"), {}, panel);
    auto* row = new QHBoxLayout(box);
    auto* lblStatistic = named(new QLabel(QStringLiteral("Statistic:"), box), "lblStatistic");
    cboStatistic_ = named(new QComboBox(box), "cboStatistic");
    // The list's order is the statistic's number: index + 1.
    for (int number = 1; number <= 4; ++number) {
        const std::string_view text = statisticText(*statisticFromNumber(number));
        cboStatistic_->addItem(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    }
    lblStatistic->setBuddy(cboStatistic_);
    row->addWidget(lblStatistic);
    row->addWidget(cboStatistic_, 1);
    return box;
}

QWidget* MainWindow::buildNullHypothesisGroup(QWidget* panel) {
    // One exclusive set that starts with nothing chosen.
    auto* box = group(QStringLiteral("Null Hypothesis"), kNullTip, panel);
    auto* column = new QVBoxLayout(box);
    optH01_ = named(new QRadioButton(QStringLiteral("No Interactions Between Species"), box), "optH01", kNullTip);
    optH02_ = named(new QRadioButton(QStringLiteral("Sites Equivalent"), box), "optH02", kNullTip);
    optH03_ = named(new QRadioButton(QStringLiteral("Species Equivalent"), box), "optH03", kNullTip);
    for (QRadioButton* option : {optH01_, optH02_, optH03_}) column->addWidget(option);
    return box;
}

QWidget* MainWindow::buildAlternativeGroup(QWidget* panel) {
    auto* box = group(QStringLiteral("Alternative Hypothesis"), kAlternativeTip, panel);
    auto* column = new QVBoxLayout(box);
    txtHA_ = named(new QLineEdit(box), "txtHA", kAlternativeTip);
    txtHA_->setReadOnly(true);  // follows the null hypothesis; never typed
    txtHA_->setFocusPolicy(Qt::NoFocus);
    // The window's colour behind the text, as read-only boxes have, so it does not invite typing.
    QPalette readOnly = txtHA_->palette();
    readOnly.setColor(QPalette::Base, readOnly.color(QPalette::Window));
    txtHA_->setPalette(readOnly);
    column->addWidget(txtHA_);
    return box;
}

QWidget* MainWindow::buildAssumptionGroup(QWidget* panel) {
    auto* box = group(QStringLiteral("Assumptions"), kAssumptionTip, panel);
    auto* column = new QVBoxLayout(box);
    chkASiEq_ = named(new QCheckBox(QStringLiteral("Sites Equivalent"), box), "chkASiEq", kAssumptionTip);
    chkASpEq_ = named(new QCheckBox(QStringLiteral("Species Equivalent"), box), "chkASpEq", kAssumptionTip);
    chkAIn_ = named(new QCheckBox(QStringLiteral("Interactions Between Species:"), box), "chkAIn", kAssumptionTip);
    for (QCheckBox* check : {chkASiEq_, chkASpEq_, chkAIn_}) {
        column->addWidget(check);
        check->setEnabled(false);  // until a null hypothesis is chosen
    }

    fra6_ = named(new QGroupBox(QStringLiteral("Proportion of Species Interacting"), box), "fra6", kAssumptionTip);
    auto* row = new QHBoxLayout(fra6_);
    optAIn0_ = named(new QRadioButton(QStringLiteral("0%"), fra6_), "optAIn0", kAssumptionTip);
    optAIn50_ = named(new QRadioButton(QStringLiteral("50%"), fra6_), "optAIn50", kAssumptionTip);
    optAIn100_ = named(new QRadioButton(QStringLiteral("100%"), fra6_), "optAIn100", kAssumptionTip);
    proportions_ = new QButtonGroup(this);
    for (QRadioButton* option : {optAIn0_, optAIn50_, optAIn100_}) {
        proportions_->addButton(option);
        row->addWidget(option);
        option->setEnabled(false);
    }
    column->addWidget(fra6_);
    fra6_->setEnabled(false);
    return box;
}

QWidget* MainWindow::buildAnalysisGroup(QWidget* panel) {
    auto* box = group(QStringLiteral("Analysis"), kRunTip, panel);
    auto* row = new QHBoxLayout(box);
    cmdRun_ = named(new QPushButton(QStringLiteral("Run"), box), "cmdRun", kRunTip);
    cmdRun_->setDefault(true);
    cmdOptions_ = named(new QPushButton(QStringLiteral("Advanced Options..."), box), "cmdOptions", kRunTip);
    row->addWidget(cmdRun_);
    row->addWidget(cmdOptions_);
    connect(cmdRun_, &QPushButton::clicked, this, &MainWindow::cmdRun_Click);
    connect(cmdOptions_, &QPushButton::clicked, this, &MainWindow::cmdOptions_Click);
    return box;
}

QWidget* MainWindow::buildMatrixPanel() {
    auto* panel = new QWidget(this);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 6, 0, 0);
    column->setSpacing(6);
    lbl1_ = named(new QLabel(QStringLiteral("Presence-Absence Matrix"), panel), "lbl1");
    QFont bold = lbl1_->font();
    bold.setBold(true);
    lbl1_->setFont(bold);
    column->addWidget(lbl1_);

    // The grid sits freely in its own area so that it can snap itself to whole
    // cells; the border shp1 and the frame fra1 follow it (GridFrameResize).
    matrixPanel_ = new QWidget(panel);
    matrixPanel_->setObjectName(QStringLiteral("matrixPanel"));
    matrixPanel_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    matrixPanel_->setMinimumSize(240, 160);  // room for a few cells and both scroll bars
    matrixPanel_->installEventFilter(this);
    shp1_ = named(new QFrame(matrixPanel_), "shp1");
    shp1_->setFrameStyle(QFrame::Box | QFrame::Plain);
    shp1_->setLineWidth(1);
    fra1_ = named(new QFrame(matrixPanel_), "fra1");
    grd1_ = named(new Grid(matrixPanel_), "grd1");
    grd1_->installEventFilter(this);
    grd1_->setRows(20);
    grd1_->setCols(20);
    connect(grd1_, &Grid::MouseMove, this, &MainWindow::grd1_MouseMove);
    column->addWidget(matrixPanel_, 1);
    return panel;
}

void MainWindow::buildMenus() {
    auto action = [this](QMenu* menu, const QString& text, const char* name, auto handler) {
        QAction* item = menu->addAction(text);
        item->setObjectName(QLatin1String(name));
        connect(item, &QAction::triggered, this, handler);
        return item;
    };
    auto divider = [](QMenu* menu, const char* name) { menu->addSeparator()->setObjectName(QLatin1String(name)); };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    action(file, QStringLiteral("&Open Matrix..."), "mnuFileOpen", &MainWindow::mnuFileOpen_Click)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    action(file, QStringLiteral("&Save Matrix..."), "mnuFileSave", &MainWindow::mnuFileSave_Click)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    divider(file, "mnuMatrixDivider");
    action(file, QStringLiteral("E&xit"), "mnuFileExit", &QWidget::close);
    buildEditMenu();

    QMenu* matrix = menuBar()->addMenu(QStringLiteral("&Matrix"));
    matrix->setObjectName(QStringLiteral("mnuMatrix"));
    action(matrix, QStringLiteral("Matrix Dimensions..."), "mnuMatrixDimensions",
           &MainWindow::mnuMatrixDimensions_Click);
    QAction* headers = matrix->addAction(QStringLiteral("Headers Locked for Editing"));
    headers->setObjectName(QStringLiteral("mnuMatrixHeaders"));
    headers->setCheckable(true);
    headers->setChecked(true);
    connect(headers, &QAction::triggered, this, &MainWindow::mnuMatrixHeaders_Click);
    action(matrix, QStringLiteral("Clear All"), "mnuMatrixClear", &MainWindow::mnuMatrixClear_Click);

    QMenu* analysis = menuBar()->addMenu(QStringLiteral("&Analysis"));
    analysis->setObjectName(QStringLiteral("mnuAnalysis"));
    action(analysis, QStringLiteral("Advanced Options..."), "mnuAnalysisOptions", &MainWindow::cmdOptions_Click);
    divider(analysis, "mnuAnalysisDivider");
    action(analysis, QStringLiteral("Run"), "mnuAnalysisRun", &MainWindow::cmdRun_Click);
    action(analysis, QStringLiteral("Species Pairs..."), "mnuAnalysisPairs", &MainWindow::mnuAnalysisPairs_Click);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    action(help, QStringLiteral("Kelpo &Help"), "mnuHelpHelp",
           [] { ShowHelpTopic(QStringLiteral("Kelpo Help.chm"), QStringLiteral("Getting Started.htm")); })
        ->setShortcut(QKeySequence(Qt::Key_F1));
    divider(help, "mnuHelpDivider");
    action(help, QStringLiteral("&About Kelpo"), "mnuHelpAbout", [this] { showAbout(this); });
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (loaded_) return;
    loaded_ = true;
    // The grid takes the focus whenever its cells are set; Run gets it once the
    // window stands. The screen check follows, so that its message sits over the window.
    cmdRun_->setFocus();
    QMetaObject::invokeMethod(this, &MainWindow::warnAboutSmallScreen, Qt::QueuedConnection);
}

void MainWindow::warnAboutSmallScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen && screenTooSmall(screen->geometry().height())) {
        showError(this, QStringLiteral(
                            "Error 06: Increasing the resolution of your monitor may improve the display of Kelpo."));
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!confirmExit_) confirmExit_ = new ExitDialog(this);
    confirmExit_->exec();
    if (confirmExit_->answer() != QLatin1String("Exit")) {
        event->ignore();
        return;
    }
    CloseAllHelp();
    event->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == matrixPanel_ && event->type() == QEvent::Resize) fitGridToPanel();
    // The grid snaps its own size to whole cells after this filter has run; the
    // frame follows once that is done.
    if (watched == grd1_ && event->type() == QEvent::Resize) {
        QMetaObject::invokeMethod(this, &MainWindow::GridFrameResize, Qt::QueuedConnection);
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace kelpo::ui
