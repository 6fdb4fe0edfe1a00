// A run from the desktop: the progress window, the report in the results window,
// cancelling, and saving the report.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFontMetricsF>
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
#include "shell_test_support.h"
#include "ui/analysis_run.h"
#include "ui/help.h"
#include "ui/help_viewer.h"
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

PresenceMatrix patternMatrix(std::int32_t rows, std::int32_t cols) {
    PresenceMatrix matrix(rows, cols);
    for (std::int32_t i = 1; i <= rows; ++i)
        for (std::int32_t k = 1; k <= cols; ++k) matrix.set(i, k, (i * 7 + k * 3) % 5 < 2 ? 1 : 0);
    return matrix;
}

AnalysisSettings smallSettings(std::int32_t rows, std::int32_t cols, std::int32_t matrices = 2) {
    AnalysisSettings settings;
    settings.speciesCount = rows;
    settings.siteCount = cols;
    settings.matricesPerDistribution = matrices;
    settings.iterations = matrices > 100 ? 10 : 40;
    settings.simulationSeed = 11;
    settings.nullHypothesis = NullHypothesis::NoInteractions;
    return settings;
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
    QWidget mainWindow_;
};

TEST_F(RunGuiTest, TheReportIsWhatTheReportBuilderGivesAndRepeats) {
    mainWindow_.show();
    const PresenceMatrix matrix = patternMatrix(6, 7);
    const AnalysisSettings settings = smallSettings(6, 7);
    const ReportChoices choices = ReportChoices::fromSettings(settings);
    const std::string expected = expectedReport(matrix, settings, choices);
    QString shown = QString::fromStdString(expected);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));

    for (int run = 1; run <= 2; ++run) {
        startAnalysisRun(&mainWindow_, matrix, settings, choices);
        EXPECT_FALSE(mainWindow_.isVisible());
        ASSERT_TRUE(waitUntil([] { return visibleWindow("frmResults") != nullptr; }));
        EXPECT_EQ(visibleWindow("frmProgress"), nullptr);
        auto* results = qobject_cast<ResultsWindow*>(visibleWindow("frmResults"));
        EXPECT_EQ(results->reportText(), expected) << "run " << run;
        EXPECT_EQ(child<QPlainTextEdit>(*results, "txt1").toPlainText(), shown);
        EXPECT_FALSE(mainWindow_.isVisible()) << "hidden while the report is up";
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        QTest::mouseClick(&child<QPushButton>(*results, "cmdClose"), Qt::LeftButton);
        EXPECT_TRUE(mainWindow_.isVisible());
    }
}

TEST_F(RunGuiTest, CancelDuringThePowerAnalysisEndsWithoutReport) {
    // Far more steps than can pass before the click lands.
    const AnalysisSettings settings = smallSettings(8, 8, 20000);
    startAnalysisRun(&mainWindow_, patternMatrix(8, 8), settings, ReportChoices::fromSettings(settings));
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
    const AnalysisSettings settings = smallSettings(8, 8, 20000);
    startAnalysisRun(mainWindow.get(), patternMatrix(8, 8), settings, ReportChoices::fromSettings(settings));
    mainWindow.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(visibleWindow("frmProgress"), nullptr);
    EXPECT_EQ(visibleWindow("frmResults"), nullptr);
}

// The whole road through the real main window: options, Run, report, Close.
TEST(RunFromMainWindowTest, TheRunButtonReportsTheGrid) {
    shell_test::MessageLog log(Answer::Yes);  // Yes to the small-size warnings
    MainWindow window;
    window.show();
    child<QLineEdit>(window, "txtRows").setText(QStringLiteral("5"));
    child<QLineEdit>(window, "txtCols").setText(QStringLiteral("6"));
    window.GridResize();
    auto& grid = child<Grid>(window, "grd1");
    for (std::int32_t i = 1; i <= 5; ++i)
        for (std::int32_t k = 1; k <= 6; ++k) grid.SetText((i + 2 * k) % 3 == 0 ? "1" : "0", i, k);
    const auto options = shell_test::whenModal([](QWidget& dialog) {
        child<QLineEdit>(dialog, "txt1").setText(QStringLiteral("2"));
        child<QLineEdit>(dialog, "txt3").setText(QStringLiteral("300"));
        QTest::mouseClick(&child<QPushButton>(dialog, "cmdOK"), Qt::LeftButton);
    });
    QTest::mouseClick(&child<QPushButton>(window, "cmdOptions"), Qt::LeftButton);
    ASSERT_TRUE(*options);

    QTest::mouseClick(&child<QPushButton>(window, "cmdRun"), Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
    ASSERT_TRUE(waitUntil([] { return visibleWindow("frmResults") != nullptr; }));
    auto* results = qobject_cast<ResultsWindow*>(visibleWindow("frmResults"));
    EXPECT_EQ(window.settings().iterations, 30);
    EXPECT_EQ(results->reportText(),
              expectedReport(buildMatrix(grid.GetMatrix()), window.settings(), window.readReportChoices()));
    QTest::mouseClick(&child<QPushButton>(*results, "cmdClose"), Qt::LeftButton);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(log.texts.size(), 2) << "the two warnings, nothing from the run";
}

TEST(ProgressWindowTest, ShowsTheEngineTextsAndTheBarForAState) {
    ProgressWindow window;
    window.show();
    EXPECT_EQ(window.width(), ProgressWindow::kDesignedWidth);
    window.showProgress({100.0, 36, 1800, 3601});
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Kelpo Progress... 50%"));
    EXPECT_EQ(child<QLabel>(window, "pbx2").text(), QStringLiteral("Simulation: 1800 of 3601"));
    EXPECT_EQ(child<QLabel>(window, "pbx1").text(), QStringLiteral("2min Remaining"));  // 100 s x 1801 / 1800

    auto& bar = child<QWidget>(window, "pbxProgressBar");
    const QImage half = bar.grab().toImage();
    const int middle = half.height() / 2;
    EXPECT_EQ(half.pixelColor(half.width() / 4, middle), ProgressBarBox::barColour());
    EXPECT_EQ(half.pixelColor(half.width() * 3 / 4, middle), ProgressBarBox::backgroundColour());

    window.showProgress({200.0, 36, 3601, 3601});
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Kelpo Progress... 100%"));
    const QImage full = bar.grab().toImage();
    EXPECT_EQ(full.pixelColor(full.width() - 3, middle), ProgressBarBox::barColour());

    window.showProgress({0.5, 36, 1, 3601});
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Kelpo Progress... 0%"));
    EXPECT_TRUE(child<QLabel>(window, "pbx1").text().isEmpty()) << "no estimate for the first step";
    window.unload();
    EXPECT_FALSE(window.isVisible());
}

TEST(ResultsWindowTest, SavesTheBytesUnderTheNormalisedNameOrSaysError09) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    shell_test::MessageLog log;
    QWidget mainWindow;
    auto* results = new ResultsWindow(&mainWindow);  // deletes itself when closed
    const std::string report = "P-VALUE\r\n(1,2)\t\tTrue\t\t\t0.050\r\n*Defined in Kelpo Help.";
    results->setReport(report);
    results->show();
    const QFontMetricsF metrics(child<QPlainTextEdit>(*results, "txt1").font());
    EXPECT_EQ(metrics.horizontalAdvance(QLatin1Char('i')), metrics.horizontalAdvance(QLatin1Char('W')));

    auto save = [results](const QString& chosen) {
        const ScopedSaveDialogResponder dialog([chosen] { return chosen; });
        QTest::mouseClick(&child<QPushButton>(*results, "cmdSave"), Qt::LeftButton);
    };
    auto saved = [&folder](const char* name) {
        std::ifstream in(QDir(folder.path()).filePath(QLatin1String(name)).toStdString(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    save(QString());  // cancelled
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
    save(QStringLiteral(" ") + folder.filePath(QStringLiteral("Results")) + QStringLiteral(" "));
    save(folder.filePath(QStringLiteral("Results.txt")));  // replaced without a question
    EXPECT_EQ(saved("Results.txt"), report);
    EXPECT_TRUE(log.texts.isEmpty());

    save(folder.filePath(QStringLiteral("missing/Results")));
    EXPECT_EQ(log.texts, QStringList{QStringLiteral("Error 09: invalid file name")});
    EXPECT_EQ(results->reportText(), report);
    EXPECT_EQ(results->windowTitle(), QStringLiteral("Kelpo Results"));

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
