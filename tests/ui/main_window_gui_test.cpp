// The main window driven like a person would: start state, the rules between the
// analysis choices, the grid's tool tip, Clear All and resizing, the checks before
// a run, the settings a run reads, the menus and the exit confirmation.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include "matrix/grid.h"
#include "shell_test_support.h"
#include "ui/exit_dialog.h"
#include "ui/grid_tool_tip.h"
#include "ui/main_window.h"

namespace kelpo::ui {
namespace {

using shell_test::child;
using shell_test::MessageLog;
using shell_test::whenModal;

class MainWindowGui : public ::testing::Test {
protected:
    void SetUp() override {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QCoreApplication::processEvents();
        startMessages = log.texts;
        log.texts.clear();
    }

    template <typename W>
    W& find(const char* name) { return child<W>(window, name); }
    Grid& grid() { return find<Grid>("grd1"); }
    // On the indicator: a check box or option button answers clicks on its box and caption only.
    void click(const char* name) {
        auto& button = find<QAbstractButton>(name);
        QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(6, button.height() / 2));
    }
    bool checked(const char* name) { return find<QAbstractButton>(name).isChecked(); }
    bool enabled(const char* name) { return find<QWidget>(name).isEnabled(); }
    QString haText() { return find<QLineEdit>("txtHA").text(); }
    void setDimensions(const char* rows, const char* cols) {
        find<QLineEdit>("txtRows").setText(QString::fromLatin1(rows));
        find<QLineEdit>("txtCols").setText(QString::fromLatin1(cols));
        window.GridResize();
        window.GridFrameResize();
    }

    MessageLog log;
    QStringList startMessages;
    MainWindow window;
};

TEST(MainWindowScreen, ScreensBelow655PixelsAreTooSmall) {
    EXPECT_TRUE(screenTooSmall(640));
    EXPECT_TRUE(screenTooSmall(654));
    EXPECT_FALSE(screenTooSmall(655));
    EXPECT_FALSE(screenTooSmall(768));
}

TEST_F(MainWindowGui, ScreenCheckAfterShowWarnsOnlyOnASmallScreen) {
    const QString error06 =
        QStringLiteral("Error 06: Increasing the resolution of your monitor may improve the display of Kelpo.");
    const bool small = QGuiApplication::primaryScreen()->geometry().height() < 655;
    EXPECT_EQ(startMessages, small ? QStringList{error06} : QStringList{});
}

TEST_F(MainWindowGui, StartsWithNoChoicesMadeAndADefaultMatrix) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Kelpo"));
    EXPECT_EQ(window.objectName(), QStringLiteral("frmMain"));
    auto& statistic = find<QComboBox>("cboStatistic");
    ASSERT_EQ(statistic.count(), 4);
    EXPECT_EQ(statistic.itemText(1), QStringLiteral("Number of Checkerboards"));
    EXPECT_EQ(statistic.itemText(2), QStringLiteral("Number of Combinations"));
    EXPECT_EQ(statistic.itemText(3), QStringLiteral("V-Ratio"));
    EXPECT_EQ(statistic.currentText(), QStringLiteral("C-Score"));
    EXPECT_EQ(find<QLabel>("lblStatistic").text(), QStringLiteral("Statistic:"));

    for (const char* name : {"optH01", "optH02", "optH03", "optAIn0", "optAIn50", "optAIn100"}) {
        EXPECT_FALSE(checked(name)) << name;
    }
    EXPECT_TRUE(haText().isEmpty());
    for (const char* name : {"chkASiEq", "chkASpEq", "chkAIn", "fra6", "optAIn0", "optAIn50", "optAIn100"}) {
        EXPECT_FALSE(enabled(name)) << name;
    }
    for (const char* name : {"chkASiEq", "chkASpEq", "chkAIn"}) EXPECT_FALSE(checked(name)) << name;
    EXPECT_EQ(find<QGroupBox>("fra6").title(), QStringLiteral("Proportion of Species Interacting"));

    EXPECT_FALSE(find<QLineEdit>("txtRows").isVisible());
    EXPECT_FALSE(find<QLineEdit>("txtCols").isVisible());
    EXPECT_EQ(find<QLineEdit>("txtRows").text(), QStringLiteral("20"));
    EXPECT_EQ(find<QLineEdit>("txtCols").text(), QStringLiteral("20"));
    EXPECT_EQ(find<QLabel>("lbl1").text(), QStringLiteral("Presence-Absence Matrix"));
    EXPECT_EQ(QApplication::focusWidget(), &find<QPushButton>("cmdRun"));

    EXPECT_EQ(grid().Rows(), 20);
    EXPECT_EQ(grid().Cols(), 20);
    const SparseArray cells = grid().GetMatrix();
    EXPECT_EQ(cells.value(0, 0), "Species");
    EXPECT_EQ(cells.value(20, 0), "Sp20");
    EXPECT_EQ(cells.value(0, 20), "Site20");
    EXPECT_EQ(cells.size(), 41u);  // names only: every data cell reads 0
    EXPECT_EQ(QDir::currentPath(), QCoreApplication::applicationDirPath());
}

TEST_F(MainWindowGui, GroupsAndButtonsExplainThemselves) {
    EXPECT_EQ(find<QRadioButton>("optH02").toolTip(),
              QStringLiteral("Enter the null hypothesis of that you would like to test."));
    EXPECT_EQ(find<QLineEdit>("txtHA").toolTip(),
              QStringLiteral("The alternative hypothesis is the complement of the null hypothesis."));
    for (const char* name : {"chkASiEq", "chkAIn", "fra6", "optAIn50"}) {
        EXPECT_EQ(find<QWidget>(name).toolTip(),
                  QStringLiteral("Check the assumptions that are appropriate for data set being analyzed."))
            << name;
    }
    for (const char* name : {"cmdRun", "cmdOptions"}) {
        EXPECT_EQ(find<QWidget>(name).toolTip(),
                  QStringLiteral("Click Run to measure error rates, robustness, and bias.   "
                                 "Click Advanced Options for additional options."))
            << name;
    }
}

TEST_F(MainWindowGui, MenusCarryTheirCaptionsAndShortcuts) {
    const struct {
        const char* name;
        const char* text;
        QKeySequence shortcut;
    } items[] = {
        {"mnuFileOpen", "&Open Matrix...", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"mnuFileSave", "&Save Matrix...", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"mnuFileExit", "E&xit", {}},
        {"mnuMatrixDimensions", "Matrix Dimensions...", {}},
        {"mnuMatrixHeaders", "Headers Locked for Editing", {}},
        {"mnuMatrixClear", "Clear All", {}},
        {"mnuAnalysisOptions", "Advanced Options...", {}},
        {"mnuAnalysisRun", "Run", {}},
        {"mnuHelpHelp", "Kelpo &Help", QKeySequence(Qt::Key_F1)},
        {"mnuHelpAbout", "&About Kelpo", {}},
    };
    for (const auto& item : items) {
        const auto& action = find<QAction>(item.name);
        EXPECT_EQ(action.text(), QString::fromLatin1(item.text)) << item.name;
        EXPECT_EQ(action.shortcut(), item.shortcut) << item.name;
    }
    for (const char* name : {"mnuMatrixDivider", "mnuAnalysisDivider", "mnuHelpDivider"}) {
        EXPECT_TRUE(find<QAction>(name).isSeparator()) << name;
    }
}

TEST_F(MainWindowGui, EachNullHypothesisShowsItsAlternativeAndLocksItsOwnAssumption) {
    click("optH01");
    EXPECT_EQ(haText(), QStringLiteral("Interactions Between Species"));
    EXPECT_TRUE(enabled("chkASiEq"));
    EXPECT_TRUE(enabled("chkASpEq"));
    EXPECT_FALSE(enabled("chkAIn"));

    click("chkASpEq");  // a box that the next rule enables again keeps its check
    click("optH02");
    EXPECT_EQ(haText(), QStringLiteral("Sites Non-equivalent"));
    EXPECT_FALSE(enabled("chkASiEq"));
    EXPECT_FALSE(checked("chkASiEq"));
    EXPECT_TRUE(enabled("chkASpEq"));
    EXPECT_TRUE(checked("chkASpEq"));
    EXPECT_TRUE(enabled("chkAIn"));

    click("optH03");
    EXPECT_EQ(haText(), QStringLiteral("Species Non-equivalent"));
    EXPECT_TRUE(enabled("chkASiEq"));
    EXPECT_FALSE(enabled("chkASpEq"));
    EXPECT_FALSE(checked("chkASpEq"));
    EXPECT_TRUE(enabled("chkAIn"));
    EXPECT_FALSE(checked("optH01"));
    EXPECT_FALSE(checked("optH02"));
    EXPECT_TRUE(checked("optH03"));

    click("chkASiEq");
    click("optH02");
    EXPECT_FALSE(checked("chkASiEq"));
    EXPECT_FALSE(enabled("chkASiEq"));
}

TEST_F(MainWindowGui, InteractionsStartAtNoneAndFollowTheNullHypothesis) {
    click("optH02");
    click("chkAIn");
    EXPECT_TRUE(enabled("fra6"));
    for (const char* name : {"optAIn0", "optAIn50", "optAIn100"}) EXPECT_TRUE(enabled(name)) << name;
    EXPECT_TRUE(checked("optAIn0"));

    click("optAIn50");
    EXPECT_FALSE(checked("optAIn0"));
    click("optH03");  // the interaction assumption and its proportion survive the switch
    EXPECT_TRUE(checked("chkAIn"));
    EXPECT_TRUE(checked("optAIn50"));

    click("chkAIn");  // unchecked by hand: nothing chosen, nothing to choose
    EXPECT_FALSE(enabled("fra6"));
    for (const char* name : {"optAIn0", "optAIn50", "optAIn100"}) {
        EXPECT_FALSE(checked(name)) << name;
        EXPECT_FALSE(enabled(name)) << name;
    }

    click("chkAIn");  // every check starts again at 0%
    EXPECT_TRUE(checked("optAIn0"));
    click("optAIn100");
    click("optH01");  // no interactions: the box is unchecked in code and its rule runs
    EXPECT_FALSE(checked("chkAIn"));
    EXPECT_FALSE(enabled("chkAIn"));
    EXPECT_FALSE(enabled("fra6"));
    for (const char* name : {"optAIn0", "optAIn50", "optAIn100"}) {
        EXPECT_FALSE(checked(name)) << name;
        EXPECT_FALSE(enabled(name)) << name;
    }
}

TEST(GridToolTip, NamesThePartOfTheMatrixUnderThePointer) {
    const QString sites = QStringLiteral("Enter names of sites here.");
    const QString species = QStringLiteral("Enter names of species here.");
    const QString cells = QStringLiteral("Enter ones where species are present and zeroes where they are absent.");
    EXPECT_EQ(gridToolTip(70, 25), species);
    EXPECT_EQ(gridToolTip(71, 25), cells);
    EXPECT_EQ(gridToolTip(0, 20), species);
    EXPECT_EQ(gridToolTip(140, 10), QString());
    EXPECT_EQ(gridToolTip(141, 10), sites);
    EXPECT_EQ(gridToolTip(141, 19.5), sites);
}

TEST_F(MainWindowGui, GridToolTipFollowsThePointer) {
    emit grid().MouseMove(70, 25);
    EXPECT_EQ(grid().GridToolTipText(), QStringLiteral("Enter names of species here."));
    emit grid().MouseMove(141, 10);
    EXPECT_EQ(grid().GridToolTipText(), QStringLiteral("Enter names of sites here."));
    emit grid().MouseMove(140, 10);
    EXPECT_TRUE(grid().GridToolTipText().isEmpty());
}

TEST_F(MainWindowGui, ClearAllGivesDefaultNamesAndEmptyCellsAtTheCurrentSize) {
    setDimensions("5", "3");
    grid().SetText("1", 2, 2);
    grid().SetText("Abies", 1, 0);
    grid().SetText("x", 9, 9);  // outside the matrix: dropped as well
    find<QAction>("mnuMatrixClear").trigger();

    const SparseArray cells = grid().GetMatrix();
    EXPECT_EQ(cells.size(), 9u);
    EXPECT_EQ(cells.value(0, 0), "Species");
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(cells.value(i, 0), "Sp" + std::to_string(i));
    for (int j = 1; j <= 3; ++j) EXPECT_EQ(cells.value(0, j), "Site" + std::to_string(j));
    EXPECT_EQ(cells.value(2, 2), "0");
    EXPECT_EQ(grid().Rows(), 5);
    EXPECT_EQ(grid().Cols(), 3);
}

TEST_F(MainWindowGui, GrowingNamesOnlyTheNewRowsAndColumns) {
    grid().SetText("Abies", 3, 0);
    grid().SetText("1", 20, 20);
    setDimensions("22", "21");

    EXPECT_EQ(grid().Rows(), 22);
    EXPECT_EQ(grid().Cols(), 21);
    const SparseArray cells = grid().GetMatrix();
    EXPECT_EQ(cells.value(21, 0), "Sp21");
    EXPECT_EQ(cells.value(22, 0), "Sp22");
    EXPECT_EQ(cells.value(0, 21), "Site21");
    EXPECT_EQ(cells.value(0, 22), "0");
    EXPECT_EQ(cells.value(3, 0), "Abies");
    EXPECT_EQ(cells.value(20, 0), "Sp20");
    EXPECT_EQ(cells.value(20, 20), "1");
    EXPECT_EQ(cells.value(21, 21), "0");

    setDimensions("2", "2");  // shrinking drops what lies beyond
    EXPECT_EQ(grid().GetMatrix().size(), 5u);
}

TEST_F(MainWindowGui, ResizingKeepsTheFrameAroundTheGridAndTheCaptionInStep) {
    auto& caption = find<QLabel>("lbl1");
    setDimensions("3", "2");
    EXPECT_EQ(caption.text(), QStringLiteral("Presence-Absence Matrix"));  // no "[": left alone

    caption.setText(QStringLiteral("Presence-Absence Matrix: birds [3x2]"));
    setDimensions("4", "6");
    EXPECT_EQ(caption.text(), QStringLiteral("Presence-Absence Matrix: birds [4,6]"));

    auto expectFrameAroundGrid = [this] {
        QCoreApplication::processEvents();
        const QRect printed(grid().pos(), QSize(grid().PrintedWidth(), grid().PrintedHeight()));
        EXPECT_EQ(find<QFrame>("fra1").geometry(), printed);
        EXPECT_EQ(find<QFrame>("shp1").geometry(), printed.adjusted(-1, -1, 1, 1));
    };
    expectFrameAroundGrid();
    window.resize(640, 380);  // the grid refits the smaller window and the frame follows
    expectFrameAroundGrid();
    EXPECT_LE(grid().PrintedHeight(), find<QWidget>("matrixPanel").height());
}

TEST_F(MainWindowGui, HeaderLockMenuTogglesTheGrid) {
    auto& headers = find<QAction>("mnuMatrixHeaders");
    EXPECT_TRUE(headers.isCheckable());
    EXPECT_TRUE(headers.isChecked());
    EXPECT_FALSE(grid().GetEdit());
    headers.trigger();
    EXPECT_FALSE(headers.isChecked());
    EXPECT_TRUE(grid().GetEdit());
    headers.trigger();
    EXPECT_TRUE(headers.isChecked());
    EXPECT_FALSE(grid().GetEdit());
}

TEST_F(MainWindowGui, NonBinaryCellStopsTheRunWithError05) {
    for (const char* bad : {"2", " x ", ""}) {
        log.texts.clear();
        grid().SetText(bad, 2, 3);
        click("cmdRun");
        ASSERT_EQ(log.texts.size(), 1) << bad;
        EXPECT_TRUE(log.texts[0].startsWith(
            QStringLiteral("Error 05: Presence-absence matrix contains a non-binary entry in cell ")))
            << log.texts[0].toStdString();
        EXPECT_TRUE(log.texts[0].endsWith(QStringLiteral(".  Aborting analysis.")));
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(grid().GetText(2, 3), bad);  // only the run's copy was trimmed
        EXPECT_EQ(window.settings().speciesCount, 0);  // the run never read its settings
    }
    find<QAction>("mnuAnalysisRun").trigger();  // the menu item runs the same check
    EXPECT_EQ(log.texts.size(), 2);
}

TEST_F(MainWindowGui, ARunReadsTheChoicesIntoTheKeptSettings) {
    find<QComboBox>("cboStatistic").setCurrentIndex(2);
    click("optH02");
    click("chkAIn");
    click("optAIn100");
    click("chkASpEq");
    find<QLineEdit>("txtRows").setText(QStringLiteral("3.5"));
    find<QLineEdit>("txtCols").setText(QStringLiteral("2.5"));

    window.ReadAnalysisSettings();
    const AnalysisSettings& settings = window.settings();
    EXPECT_EQ(settings.speciesCount, 4);  // halves go to the even neighbour
    EXPECT_EQ(settings.siteCount, 2);
    EXPECT_EQ(settings.statisticId, StatisticId::Combinations);
    EXPECT_EQ(settings.matricesPerDistribution, 100);
    EXPECT_EQ(settings.iterations, 10000);
    EXPECT_EQ(settings.nullHypothesis, NullHypothesis::SitesEquivalent);
    EXPECT_FALSE(settings.assumeSitesEquivalent);
    EXPECT_TRUE(settings.assumeSpeciesEquivalent);
    EXPECT_TRUE(settings.assumeInteractions);
    EXPECT_EQ(settings.interactionChoice, InteractionChoice::All);

    const ReportChoices choices = window.readReportChoices();
    EXPECT_EQ(choices.nullHypothesisCaption, "Sites Equivalent");
    EXPECT_TRUE(choices.interactionsChecked);
    EXPECT_EQ(choices.interactionProportionCaption, "100%");
    EXPECT_FALSE(choices.sitesEquivalentChecked);
    EXPECT_TRUE(choices.speciesEquivalentChecked);
    EXPECT_EQ(choices.speciesEquivalentCaption, "Species Equivalent");
    EXPECT_EQ(choices.statisticText, "Number of Combinations");
    EXPECT_EQ(choices.rowsText, "3.5");
    EXPECT_EQ(choices.colsText, "2.5");
}

TEST_F(MainWindowGui, NoChoicesReadAsNoNullHypothesisAndNoAssumptions) {
    window.ReadAnalysisSettings();
    EXPECT_EQ(window.settings().nullHypothesis, NullHypothesis::None);
    EXPECT_FALSE(window.settings().assumeInteractions);
    EXPECT_EQ(window.settings().speciesCount, 20);
    const ReportChoices choices = window.readReportChoices();
    EXPECT_TRUE(choices.nullHypothesisCaption.empty());
    EXPECT_TRUE(choices.interactionProportionCaption.empty());
    EXPECT_EQ(choices.statisticText, "C-Score");
}

TEST_F(MainWindowGui, OptionsButtonAndMenuOpenTheAdvancedOptions) {
    int opened = 0;
    auto cancel = [&opened] {
        return whenModal([&opened](QWidget& dialog) {
            opened += dialog.objectName() == QStringLiteral("frmAdvanced");
            QTest::mouseClick(&child<QPushButton>(dialog, "cmdCancel"), Qt::LeftButton);
        });
    };
    cancel();
    click("cmdOptions");
    cancel();
    find<QAction>("mnuAnalysisOptions").trigger();
    EXPECT_EQ(opened, 2);
}

TEST_F(MainWindowGui, ClosingAsksEachTimeUntilYes) {
    int asked = 0;
    auto answer = [&asked](const char* button) {
        return whenModal([&asked, button](QWidget& dialog) {
            ++asked;
            EXPECT_EQ(dialog.objectName(), QStringLiteral("frmConfirmExit"));
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Kelpo"));
            EXPECT_EQ(child<QLabel>(dialog, "lbl1").text(), QStringLiteral("Exit Kelpo?"));
            QTest::mouseClick(&child<QPushButton>(dialog, button), Qt::LeftButton);
        });
    };

    answer("cmdNo");
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());

    answer("cmdNo");
    find<QAction>("mnuFileExit").trigger();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(find<ExitDialog>("frmConfirmExit").answer().isEmpty());

    answer("cmdYes");
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(find<ExitDialog>("frmConfirmExit").answer(), QStringLiteral("Exit"));
    EXPECT_TRUE(log.texts.isEmpty());
}

}  // namespace
}  // namespace kelpo::ui
