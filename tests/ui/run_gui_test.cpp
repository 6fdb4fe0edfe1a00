// A run from the desktop: the progress window, the report in the results window,
// cancelling, and saving the report.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>

#include "engine/run.h"
#include "matrix/grid.h"
#include "matrix/matrix_check.h"
#include "results/results_window.h"
#include "widgets/file_dialogs.h"
#include "shell_test_support.h"
#include "ui/analysis_run.h"
#include "widgets/help.h"
#include "widgets/help_viewer.h"
#include "ui/main_window.h"
#include "ui/progress_window.h"

namespace kelpo::ui {
namespace {

using shell_test::child;

// Runs events until the condition holds; the deadline only stops a hung test. The
// ticker wakes the wait without spinning, so the engine's workers keep the cores.
bool waitUntil(const std::function<bool()>& condition) {
    const QDeadlineTimer deadline(60000);
    QTimer ticker;
    ticker.start(2);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

QWidget* visibleWindow(const char* name) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String(name) && widget->isVisible()) return widget;
    }
    return nullptr;
}

std::string expectedReport(const PresenceMatrix& matrix, const AnalysisSettings& settings,
                           const ReportChoices& choices) {
    RunControl control;
    return buildReport(runAnalysis(matrix, settings, RunOptions{}, control), settings, choices);
}

class RunGuiTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (QWidget* results = visibleWindow("frmResults")) results->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the hourglass was left on";
    }
    // A run of far more steps than can pass before a click lands.
    static void startLongRun(QWidget* mainWindow) {
        AnalysisSettings settings;
        settings.speciesCount = 8;
        settings.siteCount = 8;
        settings.matricesPerDistribution = 20000;
        settings.iterations = 10;
        settings.nullHypothesis = NullHypothesis::NoInteractions;
        PresenceMatrix matrix(8, 8);
        for (std::int32_t i = 1; i <= 8; ++i)
            for (std::int32_t k = 1; k <= 8; ++k) matrix.set(i, k, (i * 7 + k * 3) % 5 < 2 ? 1 : 0);
        startAnalysisRun(mainWindow, matrix, settings, ReportChoices::fromSettings(settings));
    }
    QWidget mainWindow_;
};

TEST_F(RunGuiTest, CancelDuringThePowerAnalysisEndsWithoutReport) {
    startLongRun(&mainWindow_);
    QWidget* progress = visibleWindow("frmProgress");
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->windowTitle(), QStringLiteral("Kelpo Progress... P-Value"));
    auto& line = child<QLabel>(*progress, "pbx2");
    EXPECT_EQ(line.text(), QStringLiteral("Calculating-P-Value..."));
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
    EXPECT_FALSE(progress->close()) << "the close box does nothing";

    ASSERT_TRUE(waitUntil([&line] { return line.text().startsWith(QStringLiteral("Simulation: ")); }));
    auto& cancel = child<QPushButton>(*progress, "cmdCancel");
    QTest::mouseClick(&cancel, Qt::LeftButton);
    EXPECT_FALSE(cancel.isEnabled());
    EXPECT_EQ(child<QLabel>(*progress, "pbx1").text(), QStringLiteral("Ending Simulation..."));

    ASSERT_TRUE(waitUntil([this] { return mainWindow_.isVisible(); }));
    EXPECT_EQ(visibleWindow("frmProgress"), nullptr);
    EXPECT_EQ(visibleWindow("frmResults"), nullptr);
}

TEST_F(RunGuiTest, AMainWindowDestroyedMidRunCancelsAndWaits) {
    auto mainWindow = std::make_unique<QWidget>();
    startLongRun(mainWindow.get());
    mainWindow.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(visibleWindow("frmProgress"), nullptr);
    EXPECT_EQ(visibleWindow("frmResults"), nullptr);
}

// The main window's grid after the dimensions were set as the dimensions dialog sets them.
Grid& resizedGrid(MainWindow& window, int rows, int cols) {
    child<QLineEdit>(window, "txtRows").setText(QString::number(rows));
    child<QLineEdit>(window, "txtCols").setText(QString::number(cols));
    window.GridResize();
    return child<Grid>(window, "grd1");
}

// The options dialog's four boxes (per distribution, its seed, iterations, test seed), then OK.
void chooseOptions(MainWindow& window, const QStringList& texts) {
    const auto options = shell_test::whenModal([texts](QWidget& dialog) {
        const char* const boxes[] = {"txt1", "txt2", "txt3", "txt4"};
        for (int b = 0; b < 4; ++b) child<QLineEdit>(dialog, boxes[b]).setText(texts[b]);
        QTest::mouseClick(&child<QPushButton>(dialog, "cmdOK"), Qt::LeftButton);
    });
    QTest::mouseClick(&child<QPushButton>(window, "cmdOptions"), Qt::LeftButton);
    ASSERT_TRUE(*options);
}

// The whole road through the real main window, twice: options, Run, report, Close.
TEST(RunFromMainWindowTest, TheRunButtonReportsTheGridTheSameEachTime) {
    shell_test::MessageLog log(Answer::Yes);  // Yes to the small-size warnings
    MainWindow window;
    window.show();
    auto& grid = resizedGrid(window, 5, 6);
    for (std::int32_t i = 1; i <= 5; ++i)
        for (std::int32_t k = 1; k <= 6; ++k) grid.SetText((i + 2 * k) % 3 == 0 ? "1" : "0", i, k);
    chooseOptions(window, {"2", "11", "300", "11"});  // fixed seeds: runs repeat

    std::string first;
    for (int run = 1; run <= 2; ++run) {
        QTest::mouseClick(&child<QPushButton>(window, "cmdRun"), Qt::LeftButton);
        EXPECT_FALSE(window.isVisible());
        ASSERT_TRUE(waitUntil([] { return visibleWindow("frmResults") != nullptr; }));
        EXPECT_EQ(visibleWindow("frmProgress"), nullptr);
        auto* results = qobject_cast<ResultsWindow*>(visibleWindow("frmResults"));
        EXPECT_EQ(window.settings().iterations, 30);
        const std::string expected =
            expectedReport(buildMatrix(grid.GetMatrix()), window.settings(), window.readReportChoices());
        EXPECT_EQ(results->reportText(), expected) << "run " << run;
        QString shown = QString::fromStdString(expected);
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        EXPECT_EQ(child<QPlainTextEdit>(*results, "txt1").toPlainText(), shown);
        if (run == 1) first = results->reportText();
        EXPECT_EQ(results->reportText(), first) << "identical runs give identical reports";
        QTest::mouseClick(&child<QPushButton>(*results, "cmdClose"), Qt::LeftButton);
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(log.texts.size(), 2) << "the two warnings, nothing from the runs";
}

// A file line with more fields than its header leaves cells beyond the shown sites;
// the run tests them with the matrix and still ends in a report, not silently.
TEST(RunFromMainWindowTest, CellsBeyondTheShownSitesStillGiveAReport) {
    shell_test::MessageLog log(Answer::Yes);
    MainWindow window;
    window.show();
    auto& grid = resizedGrid(window, 3, 3);
    grid.SetText("1", 1, 1);
    grid.SetText("1", 2, 4);  // beyond the three sites
    chooseOptions(window, {"1", "0", "100", "0"});
    QTest::mouseClick(&child<QPushButton>(window, "cmdRun"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&window] { return visibleWindow("frmResults") != nullptr || window.isVisible(); }));
    auto* results = qobject_cast<ResultsWindow*>(visibleWindow("frmResults"));
    ASSERT_NE(results, nullptr) << "the run ended without a report";
    EXPECT_NE(results->reportText().find("Matrix dimensions: 3 rows (species) x 3 columns (sites)"), std::string::npos);
    QTest::mouseClick(&child<QPushButton>(*results, "cmdClose"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(ProgressWindowTest, ShowsTheEngineTextsAndTheBarForAState) {
    ProgressWindow window;
    window.show();
    window.showProgress({100.0, 36, 1800, 3601});
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Kelpo Progress... 50%"));
    EXPECT_EQ(child<QLabel>(window, "pbx2").text(), QStringLiteral("Simulation: 1800 of 3601"));
    EXPECT_EQ(child<QLabel>(window, "pbx1").text(), QStringLiteral("2min Remaining"));  // 100 s x 1801 / 1800
    const QImage half = child<QWidget>(window, "pbxProgressBar").grab().toImage();
    EXPECT_EQ(half.pixelColor(half.width() / 4, half.height() / 2), ProgressBarBox::barColour());
    EXPECT_EQ(half.pixelColor(half.width() * 3 / 4, half.height() / 2), ProgressBarBox::backgroundColour());

    window.showProgress({0.5, 36, 1, 3601});
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Kelpo Progress... 0%"));
    EXPECT_TRUE(child<QLabel>(window, "pbx1").text().isEmpty()) << "no estimate for the first step";
}

// Saving and help from the results window; the refusals are in save_failure_gui_test.
TEST(ResultsWindowTest, SavesTheBytesUnderTheNormalisedName) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    shell_test::MessageLog log;
    QWidget mainWindow;
    auto* results = new ResultsWindow(&mainWindow);  // deletes itself when closed
    const std::string report = "P-VALUE\r\n(1,2)\t\tTrue\t\t\t0.050\r\n*Defined in Kelpo Help.";
    results->setReport(report);
    results->show();

    auto save = [results](const QString& chosen) {
        const ScopedFileDialogResponder dialog([chosen](const FileDialogRequest&) { return chosen; });
        QTest::mouseClick(&child<QPushButton>(*results, "cmdSave"), Qt::LeftButton);
    };
    save(QString());  // cancelled
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
    save(QStringLiteral(" ") + folder.filePath(QStringLiteral("Results")) + QStringLiteral(" "));
    save(folder.filePath(QStringLiteral("Results.txt")));  // replaced without a question
    std::ifstream in(folder.filePath(QStringLiteral("Results.txt")).toStdString(), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), report);
    EXPECT_TRUE(log.texts.isEmpty());

    const QString folderBefore = QDir::currentPath();
    QDir::setCurrent(QStringLiteral(KELPO_SOURCE_DIR));  // where help/ is
    QTest::mouseClick(&child<QPushButton>(*results, "cmdHelp"), Qt::LeftButton);
    auto* help = qobject_cast<HelpViewer*>(visibleWindow("frmHelp"));
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->currentTopic(), QStringLiteral("Results.htm"));
    CloseAllHelp();
    QDir::setCurrent(folderBefore);

    results->close();  // the title bar's close box does what Close does
    EXPECT_TRUE(mainWindow.isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace
}  // namespace kelpo::ui
