// A run from the desktop: the progress window, cancelling, the report in the results
// window and help from it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "engine/run.h"
#include "matrix/matrix_check.h"
#include "ui/results_window.h"
#include "shell_test_support.h"
#include "ui/analysis_run.h"
#include "ui/main_window.h"
#include "widgets/help.h"
#include "widgets/help_viewer.h"

namespace kelpo::ui {
namespace {

using shell_test::child;
using shell_test::visibleWindow;
using shell_test::waitUntil;

// A run of far more steps than can pass before a click lands.
void startLongRun(QWidget* mainWindow) {
    AnalysisSettings settings;
    settings.speciesCount = settings.siteCount = 8;
    settings.matricesPerDistribution = 20000;
    settings.iterations = 10;
    PresenceMatrix matrix(8, 8);
    for (std::int32_t i = 1; i <= 8; ++i)
        for (std::int32_t k = 1; k <= 8; ++k) matrix.set(i, k, (i * 7 + k * 3) % 5 < 2 ? 1 : 0);
    startAnalysisRun(mainWindow, matrix, settings, ReportChoices::fromSettings(settings));
}

TEST(RunGui, CancelDuringThePowerAnalysisEndsWithoutReport) {
    QWidget mainWindow;
    startLongRun(&mainWindow);
    QWidget* progress = visibleWindow("frmProgress");
    ASSERT_NE(progress, nullptr);
    auto& line = child<QLabel>(*progress, "pbx2");
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
    EXPECT_FALSE(progress->close()) << "the close box does nothing";
    ASSERT_TRUE(waitUntil([&line] { return line.text().startsWith(QStringLiteral("Simulation: ")); }));
    auto& cancel = child<QPushButton>(*progress, "cmdCancel");
    QTest::mouseClick(&cancel, Qt::LeftButton);
    EXPECT_FALSE(cancel.isEnabled());
    ASSERT_TRUE(waitUntil([&mainWindow] { return mainWindow.isVisible(); }));
    EXPECT_TRUE(!visibleWindow("frmProgress") && !visibleWindow("frmResults"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the hourglass was left on";
}

// The whole road through the real main window: options, Run, report, help, Close.
TEST(RunGui, TheRunButtonShowsTheEnginesReportOfTheGrid) {
    shell_test::MessageLog log(Answer::Yes);  // Yes to the small-size warnings
    MainWindow window;
    window.show();
    child<QLineEdit>(window, "txtRows").setText(QStringLiteral("5"));
    child<QLineEdit>(window, "txtCols").setText(QStringLiteral("6"));
    window.GridResize();
    auto& grid = child<Grid>(window, "grd1");
    for (std::int32_t i = 1; i <= 5; ++i)
        for (std::int32_t k = 1; k <= 7; ++k) grid.SetText((i + 2 * k) % 3 == 0 ? "1" : "0", i, k);  // 7: beyond the sites
    const auto options = shell_test::whenModal([](QWidget& dialog) {
        const char* const texts[][2] = {{"txt1", "2"}, {"txt2", "11"}, {"txt3", "300"}, {"txt4", "11"}};
        for (const auto& t : texts) child<QLineEdit>(dialog, t[0]).setText(QString::fromLatin1(t[1]));
        QTest::mouseClick(&child<QPushButton>(dialog, "cmdOK"), Qt::LeftButton);
    });
    QTest::mouseClick(&child<QPushButton>(window, "cmdOptions"), Qt::LeftButton);
    ASSERT_TRUE(*options);
    QTest::mouseClick(&child<QPushButton>(window, "cmdRun"), Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
    ASSERT_TRUE(waitUntil([] { return visibleWindow("frmResults") != nullptr; }));
    auto* results = qobject_cast<ResultsWindow*>(visibleWindow("frmResults"));
    EXPECT_EQ(window.settings().iterations, 30);
    RunControl control;
    const PresenceMatrix matrix = buildMatrix(grid.GetMatrix());
    EXPECT_EQ(matrix.cols(), 7);
    const std::string expected = buildReport(runAnalysis(matrix, window.settings(), RunOptions{}, control),
                                             window.settings(), window.readReportChoices());
    EXPECT_EQ(results->reportText(), expected);
    EXPECT_EQ(child<QPlainTextEdit>(*results, "txt1").toPlainText(),
              QString::fromStdString(expected).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    QDir::setCurrent(QStringLiteral(KELPO_SOURCE_DIR));  // where help/ is
    QTest::mouseClick(&child<QPushButton>(*results, "cmdHelp"), Qt::LeftButton);
    ASSERT_NE(visibleWindow("frmHelp"), nullptr);
    EXPECT_EQ(qobject_cast<HelpViewer*>(visibleWindow("frmHelp"))->currentTopic(), QStringLiteral("Results.htm"));
    CloseAllHelp();
    QTest::mouseClick(&child<QPushButton>(*results, "cmdClose"), Qt::LeftButton);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(log.texts.size(), 2) << "the two warnings, nothing from the run";
}

}  // namespace
}  // namespace kelpo::ui
