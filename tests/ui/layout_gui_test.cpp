// Window layout as the user sees it: the grid inside its panel at any window size,
// texts that fit their boxes, and where secondary windows open.
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "ui/results_window.h"
#include "shell_test_support.h"
#include "ui/about_dialog.h"
#include "ui/advanced_dialog.h"
#include "ui/analysis_run.h"
#include "ui/main_window.h"

namespace kelpo::ui {

using shell_test::child;
using LayoutGui = shell_test::ShownWindowTest<MainWindow>;

TEST_F(LayoutGui, GridFitsItsPanelWithBothBarsAndItsCurrentCellInView) {
    setDimensions("60", "40");
    auto& panel = child<QWidget>(window, "matrixPanel");
    for (const QSize size : {QSize(1025, 700), QSize(1280, 1024), QSize(1100, 650), QSize(900, 560)}) {
        grid().setVerticalScroll(30);  // the current cell (1, 1) out of view until the relayout
        window.resize(size);
        QCoreApplication::processEvents();
        const QPoint end = grid().pos() + QPoint(grid().PrintedWidth(), grid().PrintedHeight());
        EXPECT_TRUE(end.x() < panel.width() && end.y() < panel.height()) << size.width();  // border included
        EXPECT_TRUE(grid().VerticalBarOn() && grid().HorizontalBarOn() && grid().EditBoxVisible()) << size.width();
        // Nothing behind the grid shows through the corner between the two bars.
        EXPECT_NE(panel.grab().toImage().pixelColor(end), QColor(Qt::black)) << size.width();
    }
    const QPalette alternative = child<QLineEdit>(window, "txtHA").palette();  // looks read-only
    EXPECT_EQ(alternative.color(QPalette::Base), alternative.color(QPalette::Window));
}

TEST_F(LayoutGui, AboutBoxShowsAllItsTextAtLargerFonts) {
    const QFont normal = QApplication::font();
    for (const double scale : {1.0, 1.5}) {
        QApplication::setFont(QFont(normal.family(), qRound(normal.pointSize() * scale)));
        shell_test::whenModal([](QWidget& dialog) {
            for (const auto* label : dialog.findChildren<QLabel*>())
                EXPECT_GE(label->height(), label->heightForWidth(label->width())) << label->text().toStdString();
            dialog.close();
        });
        showAbout(&window);
    }
    QApplication::setFont(normal);
}

TEST(LayoutWindows, ResultsWrapLongLinesWithoutASidewaysBar) {
    ResultsWindow results(nullptr);
    results.setReport(std::string(400, 'x') + "\r\nend\r\n");
    results.show();
    EXPECT_GT(child<QPlainTextEdit>(results, "txt1").document()->lineCount(), 3);  // the long line wrapped
}

TEST(LayoutWindows, AdvancedBoxesLineUpAndFitTheLargestNumber) {
    AnalysisSettings settings;
    AdvancedDialog dialog(nullptr, settings);
    dialog.show();
    const auto x = [&dialog](const char* name) { return child<QLineEdit>(dialog, name).mapTo(&dialog, QPoint()).x(); };
    for (const char* name : {"txt1", "txt2", "txt4"}) EXPECT_EQ(x(name), x("txt3")) << name;
    auto& box = child<QLineEdit>(dialog, "txt3");
    box.setText(QStringLiteral("2147483640"));  // the cursor at its end: not scrolled
    EXPECT_GE(box.inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x(), box.fontMetrics().horizontalAdvance(box.text()));
}

TEST_F(LayoutGui, ProgressOpensOverTheMiddleOfTheMainWindow) {
    AnalysisSettings settings;
    settings.matricesPerDistribution = 20000;  // far longer than the test
    settings.nullHypothesis = NullHypothesis::NoInteractions;
    startAnalysisRun(&window, PresenceMatrix(4, 4), settings, ReportChoices::fromSettings(settings));
    QWidget* progress = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QLatin1String("frmProgress") && top->isVisible()) progress = top;
    ASSERT_NE(progress, nullptr);
    // Within a frame's width: the frame is only known once the window shows.
    EXPECT_LE((progress->geometry().center() - window.geometry().center()).manhattanLength(), 8);
    QTest::mouseClick(&child<QPushButton>(*progress, "cmdCancel"), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([this] { return window.isVisible(); }, 60000));
}

}  // namespace kelpo::ui
