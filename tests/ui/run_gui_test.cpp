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
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/run.h"
#include "matrix/grid.h"
#include "matrix/matrix_check.h"
#include "results/report.h"
#include "results/results_window.h"
#include "shell_test_support.h"
#include "ui/analysis_run.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/progress_window.h"

namespace kelpo::ui {
namespace {

// Runs events until the condition holds; the deadline only stops a hung test. The
// ticker wakes the wait without spinning, so the engine's workers keep the cores.
bool waitUntil(const std::function<bool()>& condition, int milliseconds = 60000) {
    const QDeadlineTimer deadline(milliseconds);
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

// Closes what a failed test may leave open, and lets deferred deletes happen.
void closeResultsWindows() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("frmResults")) widget->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

PresenceMatrix checkerMatrix(std::int32_t rows, std::int32_t cols) {
    PresenceMatrix matrix(rows, cols);
    for (std::int32_t i = 1; i <= rows; ++i)
        for (std::int32_t k = 1; k <= cols; ++k) matrix.set(i, k, (i * 7 + k * 3) % 5 < 2 ? 1 : 0);
    return matrix;
}

AnalysisSettings smallSettings(std::int32_t rows, std::int32_t cols) {
    AnalysisSettings settings;
    settings.speciesCount = rows;
    settings.siteCount = cols;
    settings.matricesPerDistribution = 2;
    settings.iterations = 40;
    settings.simulationSeed = 11;
    settings.nullHypothesis = NullHypothesis::NoInteractions;
    settings.fileName = "tiny";
    return settings;
}

std::string expectedReport(const PresenceMatrix& matrix, const AnalysisSettings& settings,
                           const ReportChoices& choices) {
    RunControl control;
    return buildReport(runAnalysis(matrix, settings, RunOptions{}, control), settings, choices);
}

std::string fileBytes(const QString& path) {
    std::ifstream in(std::filesystem::path(path.toStdString()), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RunGuiTest : public ::testing::Test {
protected:
    void TearDown() override {
        closeResultsWindows();
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the hourglass was left on";
    }

    // Starts a run and waits for its end; returns the results window, or nullptr when
    // the run ended without a report.
    ResultsWindow* runToEnd(const PresenceMatrix& matrix, const AnalysisSettings& settings,
                            const ReportChoices& choices) {
        startAnalysisRun(&mainWindow_, matrix, settings, choices);
        EXPECT_FALSE(mainWindow_.isVisible());
        EXPECT_NE(visibleWindow("frmProgress"), nullptr);
        EXPECT_TRUE(waitUntil([] { return visibleWindow("frmProgress") == nullptr; }));
        return qobject_cast<ResultsWindow*>(visibleWindow("frmResults"));
    }

    QWidget mainWindow_;
};

TEST_F(RunGuiTest, TheReportIsExactlyWhatTheReportBuilderGivesAndRepeats) {
    mainWindow_.show();
    const PresenceMatrix matrix = checkerMatrix(6, 7);
    const AnalysisSettings settings = smallSettings(6, 7);
    const ReportChoices choices = ReportChoices::fromSettings(settings);
    const std::string expected = expectedReport(matrix, settings, choices);

    for (int run = 1; run <= 2; ++run) {
        ResultsWindow* results = runToEnd(matrix, settings, choices);
        ASSERT_NE(results, nullptr) << "run " << run;
        EXPECT_EQ(results->reportText(), expected) << "run " << run;
        EXPECT_EQ(results->windowTitle(), QStringLiteral("Kelpo Results"));
        QString shown = QString::fromStdString(expected);
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        EXPECT_EQ(results->findChild<QPlainTextEdit*>(QStringLiteral("txt1"))->toPlainText(), shown);
        EXPECT_FALSE(mainWindow_.isVisible()) << "the main window stays hidden while the report is up";
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);

        QTest::mouseClick(results->findChild<QPushButton*>(QStringLiteral("cmdClose")), Qt::LeftButton);
        EXPECT_TRUE(mainWindow_.isVisible()) << "run " << run;
        EXPECT_EQ(visibleWindow("frmResults"), nullptr);
    }
}

TEST_F(RunGuiTest, DefaultsAreAppliedBeforeTheEngineAndTheReportSeeThem) {
    const PresenceMatrix matrix = checkerMatrix(4, 5);
    AnalysisSettings settings = smallSettings(4, 5);
    settings.iterations = 0;  // the report must print the default 100000
    ResultsWindow* results = runToEnd(matrix, settings, ReportChoices::fromSettings(settings));
    ASSERT_NE(results, nullptr);
    EXPECT_NE(results->reportText().find("Numer of Iterations: 100000\r\n"), std::string::npos);
}

TEST_F(RunGuiTest, CancelBeforeTheFirstStepEndsWithoutReport) {
    mainWindow_.show();
    const PresenceMatrix matrix = checkerMatrix(6, 7);
    const AnalysisSettings settings = smallSettings(6, 7);
    startAnalysisRun(&mainWindow_, matrix, settings, ReportChoices::fromSettings(settings));
    QWidget* progress = visibleWindow("frmProgress");
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->windowTitle(), QStringLiteral("Kelpo Progress... P-Value"));
    EXPECT_EQ(progress->findChild<QLabel*>(QStringLiteral("pbx2"))->text(), QStringLiteral("Calculating-P-Value..."));
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);

    auto* cancel = progress->findChild<QPushButton*>(QStringLiteral("cmdCancel"));
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_FALSE(cancel->isEnabled());
    EXPECT_EQ(progress->findChild<QLabel*>(QStringLiteral("pbx1"))->text(), QStringLiteral("Ending Simulation..."));

    ASSERT_TRUE(waitUntil([this] { return mainWindow_.isVisible(); }));
    EXPECT_EQ(visibleWindow("frmProgress"), nullptr);
    EXPECT_EQ(visibleWindow("frmResults"), nullptr);
}

TEST_F(RunGuiTest, CancelAtTheFirstProgressStepEndsWithoutReport) {
    const PresenceMatrix matrix = checkerMatrix(8, 8);
    AnalysisSettings settings = smallSettings(8, 8);
    settings.matricesPerDistribution = 20000;  // far more steps than can pass before the click
    settings.iterations = 10;
    startAnalysisRun(&mainWindow_, matrix, settings, ReportChoices::fromSettings(settings));
    QWidget* progress = visibleWindow("frmProgress");
    ASSERT_NE(progress, nullptr);
    auto* line = progress->findChild<QLabel*>(QStringLiteral("pbx2"));
    ASSERT_TRUE(waitUntil([line] { return line->text().startsWith(QStringLiteral("Simulation: ")); }));
    EXPECT_TRUE(progress->windowTitle().startsWith(QStringLiteral("Kelpo Progress... ")));
    QTest::mouseClick(progress->findChild<QPushButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);

    ASSERT_TRUE(waitUntil([this] { return mainWindow_.isVisible(); }));
    EXPECT_EQ(visibleWindow("frmProgress"), nullptr);
    EXPECT_EQ(visibleWindow("frmResults"), nullptr);
}

TEST_F(RunGuiTest, TheProgressWindowRefusesItsCloseBoxAndAMainWindowGoneMidRunIsSafe) {
    auto mainWindow = std::make_unique<QWidget>();
    const PresenceMatrix matrix = checkerMatrix(8, 8);
    AnalysisSettings settings = smallSettings(8, 8);
    settings.matricesPerDistribution = 20000;
    settings.iterations = 10;
    startAnalysisRun(mainWindow.get(), matrix, settings, ReportChoices::fromSettings(settings));
    QWidget* progress = visibleWindow("frmProgress");
    ASSERT_NE(progress, nullptr);
    EXPECT_FALSE(progress->close());
    EXPECT_TRUE(progress->isVisible());

    mainWindow.reset();  // cancels the run and waits for its worker
    EXPECT_EQ(visibleWindow("frmProgress"), nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(visibleWindow("frmResults"), nullptr);
}

// The whole road through the real main window: options, Run, report, Close.
TEST(RunFromMainWindowTest, RunButtonShowsTheReportOfTheGridAndCloseBringsTheWindowBack) {
    shell_test::MessageLog log(Answer::Yes);  // Yes to the small-size warnings
    MainWindow window;
    window.show();
    QCoreApplication::processEvents();

    auto& rows = shell_test::child<QLineEdit>(window, "txtRows");
    auto& cols = shell_test::child<QLineEdit>(window, "txtCols");
    rows.setText(QStringLiteral("5"));
    cols.setText(QStringLiteral("6"));
    window.GridResize();
    auto& grid = shell_test::child<Grid>(window, "grd1");
    for (std::int32_t i = 1; i <= 5; ++i)
        for (std::int32_t k = 1; k <= 6; ++k) grid.SetText((i + 2 * k) % 3 == 0 ? "1" : "0", i, k);

    const auto options = shell_test::whenModal([](QWidget& dialog) {
        shell_test::child<QLineEdit>(dialog, "txt1").setText(QStringLiteral("2"));
        shell_test::child<QLineEdit>(dialog, "txt3").setText(QStringLiteral("300"));
        QTest::mouseClick(&shell_test::child<QPushButton>(dialog, "cmdOK"), Qt::LeftButton);
    });
    QTest::mouseClick(&shell_test::child<QPushButton>(window, "cmdOptions"), Qt::LeftButton);
    ASSERT_TRUE(*options);
    EXPECT_EQ(window.settings().matricesPerDistribution, 2);
    EXPECT_EQ(window.settings().iterations, 30);

    QTest::mouseClick(&shell_test::child<QPushButton>(window, "cmdRun"), Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
    ASSERT_TRUE(waitUntil([] { return visibleWindow("frmResults") != nullptr; }));
    auto* results = qobject_cast<ResultsWindow*>(visibleWindow("frmResults"));
    ASSERT_NE(results, nullptr);

    const PresenceMatrix matrix = buildMatrix(grid.GetMatrix());
    EXPECT_EQ(results->reportText(),
              expectedReport(matrix, window.settings(), window.readReportChoices()));
    EXPECT_NE(results->reportText().find("Matrix dimensions: 5 rows (species) x 6 columns (sites)"),
              std::string::npos);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    QTest::mouseClick(&shell_test::child<QPushButton>(*results, "cmdClose"), Qt::LeftButton);
    EXPECT_TRUE(window.isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(log.texts, (QStringList{
                             QStringLiteral("Warning: Simulating with fewer than 100 iterations may yield unreliable "
                                            "results. Continue? (Error 11)"),
                             QStringLiteral("Warning: Fewer than 25000 iterations for the hypothesis test may yield "
                                            "unreliable results. Continue? (Error 13)"),
                         }));
}

TEST(ProgressWindowTest, ShowsTheEngineTextsAndTheBarForAState) {
    ProgressWindow window;
    window.show();
    EXPECT_EQ(window.objectName(), QStringLiteral("frmProgress"));
    EXPECT_EQ(window.width(), ProgressWindow::kDesignedWidth);
    auto* pbx1 = window.findChild<QLabel*>(QStringLiteral("pbx1"));
    auto* pbx2 = window.findChild<QLabel*>(QStringLiteral("pbx2"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Kelpo Progress... P-Value"));
    EXPECT_EQ(pbx2->text(), QStringLiteral("Calculating-P-Value..."));
    EXPECT_TRUE(pbx1->text().isEmpty());

    window.showProgress({100.0, 36, 1800, 3601});
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Kelpo Progress... 50%"));
    EXPECT_EQ(pbx2->text(), QStringLiteral("Simulation: 1800 of 3601"));
    EXPECT_EQ(pbx1->text(), QStringLiteral("2min Remaining"));  // 100 s x 1801 / 1800

    auto* bar = window.findChild<QWidget*>(QStringLiteral("pbxProgressBar"));
    const QImage half = bar->grab().toImage();
    const int middle = half.height() / 2;
    EXPECT_EQ(half.pixelColor(half.width() / 4, middle), ProgressBarBox::barColour());
    EXPECT_EQ(half.pixelColor(half.width() * 3 / 4, middle), ProgressBarBox::backgroundColour());

    window.showProgress({200.0, 36, 3601, 3601});
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Kelpo Progress... 100%"));
    EXPECT_EQ(pbx2->text(), QStringLiteral("Simulation: 3601 of 3601"));
    EXPECT_EQ(pbx1->text(), QStringLiteral("0s Remaining"));
    const QImage full = bar->grab().toImage();
    EXPECT_EQ(full.pixelColor(full.width() - 3, middle), ProgressBarBox::barColour());

    window.showProgress({0.5, 36, 1, 3601});
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Kelpo Progress... 0%"));
    EXPECT_TRUE(pbx1->text().isEmpty()) << "no estimate for the first step";
    window.unload();
}

TEST(ProgressWindowTest, CancelDisablesTheButtonAndKeepsItsTextShown) {
    ProgressWindow window;
    window.show();
    int requests = 0;
    QObject::connect(&window, &ProgressWindow::cancelRequested, [&requests] { ++requests; });
    auto* cancel = window.findChild<QPushButton*>(QStringLiteral("cmdCancel"));
    EXPECT_EQ(cancel->text(), QStringLiteral("Cancel"));
    QTest::mouseClick(cancel, Qt::LeftButton);
    QTest::mouseClick(cancel, Qt::LeftButton);  // disabled: no second request
    EXPECT_EQ(requests, 1);
    EXPECT_FALSE(cancel->isEnabled());
    window.showProgress({30.0, 36, 40, 3601});
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("pbx1"))->text(), QStringLiteral("Ending Simulation..."));
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("pbx2"))->text(), QStringLiteral("Simulation: 40 of 3601"));
    window.unload();
    EXPECT_FALSE(window.isVisible());
}

// The results window on its own: a fixed report, saved through the dialog seam.
class ResultsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        results_ = new ResultsWindow(&mainWindow_);  // deletes itself when closed
        results_->setReport(report_);
        results_->show();
    }
    void TearDown() override { closeResultsWindows(); }

    void clickSave(const QString& path) {
        const ScopedSaveDialogResponder dialog([path] { return path; });
        QTest::mouseClick(results_->findChild<QPushButton*>(QStringLiteral("cmdSave")), Qt::LeftButton);
    }

    const std::string report_ = "P-VALUE\r\n---------------\r\n(1,2)\t\tTrue\t\t\t0.050\r\n*Defined in Kelpo Help.";
    QTemporaryDir folder_;
    QWidget mainWindow_;
    ResultsWindow* results_ = nullptr;
    std::vector<QString> messages_;
    ScopedMessageResponder answers_{[this](const QString& text, bool) {
        messages_.push_back(text);
        return Answer::Ok;
    }};
};

TEST_F(ResultsWindowTest, SaveWritesTheReportBytesUnderTheNormalisedNameAndReplacesQuietly) {
    clickSave(QStringLiteral("  ") + folder_.filePath(QStringLiteral("Results")) + QStringLiteral(" "));
    EXPECT_EQ(fileBytes(folder_.filePath(QStringLiteral("Results.txt"))), report_);
    clickSave(folder_.filePath(QStringLiteral("Results.txt")));
    EXPECT_EQ(fileBytes(folder_.filePath(QStringLiteral("Results.txt"))), report_);
    clickSave(folder_.filePath(QStringLiteral("x.txt.bak")));
    EXPECT_EQ(fileBytes(folder_.filePath(QStringLiteral("x.bak.txt"))), report_);
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(results_->windowTitle(), QStringLiteral("Kelpo Results"));
}

TEST_F(ResultsWindowTest, CancelledDialogWritesNothingAndAMissingFolderGivesError09) {
    clickSave(QString());
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(QDir(folder_.path()).isEmpty());

    clickSave(folder_.filePath(QStringLiteral("missing/Results")));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], QStringLiteral("Error 09: invalid file name"));
    EXPECT_EQ(results_->reportText(), report_) << "the report stays";
    EXPECT_TRUE(results_->isVisible());
}

TEST_F(ResultsWindowTest, TheCloseBoxBringsTheMainWindowBack) {
    auto* txt1 = results_->findChild<QPlainTextEdit*>(QStringLiteral("txt1"));
    EXPECT_TRUE(txt1->isReadOnly());
    const QFontMetricsF metrics(txt1->font());
    EXPECT_EQ(metrics.horizontalAdvance(QLatin1Char('i')), metrics.horizontalAdvance(QLatin1Char('W')))
        << "the power table needs a fixed-width font";
    EXPECT_EQ(txt1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_FALSE(mainWindow_.isVisible());
    results_->close();  // what the title bar's close box does
    EXPECT_TRUE(mainWindow_.isVisible());
}

}  // namespace
}  // namespace kelpo::ui
