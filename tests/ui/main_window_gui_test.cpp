// The main window driven like a person would: start state, the rules between the
// analysis choices, the grid's tool tip, Clear All and resizing, the checks before
// a run, the settings a run reads and the exit confirmation.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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
using shell_test::whenModal;

class MainWindowGui : public shell_test::ShownWindowTest<MainWindow> {
protected:
    template <typename W>
    W& find(const char* name) { return child<W>(window, name); }
    // On the indicator: a check box or option button answers clicks on its box and caption only.
    void click(const char* name) {
        auto& button = find<QAbstractButton>(name);
        QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(6, button.height() / 2));
    }
    bool checked(const char* name) { return find<QAbstractButton>(name).isChecked(); }
    bool enabled(const char* name) { return find<QWidget>(name).isEnabled(); }
    QString haText() { return find<QLineEdit>("txtHA").text(); }
};

TEST(MainWindowScreen, ScreensBelow655PixelsAreTooSmall) {
    EXPECT_TRUE(screenTooSmall(654));
    EXPECT_FALSE(screenTooSmall(655));
}

TEST_F(MainWindowGui, StartsWithNoChoicesMadeAndADefaultMatrix) {
    EXPECT_EQ(find<QComboBox>("cboStatistic").currentText(), QStringLiteral("C-Score"));

    for (const char* name :
         {"optH01", "optH02", "optH03", "chkASiEq", "chkASpEq", "chkAIn", "optAIn0", "optAIn50", "optAIn100"}) {
        EXPECT_FALSE(checked(name)) << name;
    }
    for (const char* name : {"chkASiEq", "chkASpEq", "chkAIn", "fra6", "optAIn0", "optAIn50", "optAIn100"}) {
        EXPECT_FALSE(enabled(name)) << name;
    }
    EXPECT_TRUE(haText().isEmpty());
    EXPECT_EQ(find<QLineEdit>("txtRows").text(), QStringLiteral("20"));
    EXPECT_EQ(find<QLineEdit>("txtCols").text(), QStringLiteral("20"));
    EXPECT_EQ(QApplication::focusWidget(), &find<QPushButton>("cmdRun"));

    EXPECT_EQ(grid().Rows(), 20);
    EXPECT_EQ(grid().Cols(), 20);
    const SparseArray cells = grid().GetMatrix();
    EXPECT_EQ(cells.value(20, 0), "Sp20");
    EXPECT_EQ(cells.value(0, 20), "Site20");
    EXPECT_EQ(cells.size(), 41u);  // names only: every data cell reads 0
}

TEST_F(MainWindowGui, EachNullHypothesisShowsItsAlternativeAndLocksItsOwnAssumption) {
    const struct {
        const char* option;
        const char* alternative;
        bool sitesOpen, speciesOpen, interactionsOpen;
    } rules[] = {
        {"optH01", "Interactions Between Species", true, true, false},
        {"optH02", "Sites Non-equivalent", false, true, true},
        {"optH03", "Species Non-equivalent", true, false, true},
        {"optH02", "Sites Non-equivalent", false, true, true},
    };
    for (const auto& rule : rules) {
        // Every open box checked: a box the rule locks loses its check, one it leaves open keeps it.
        for (const char* box : {"chkASiEq", "chkASpEq"}) {
            if (enabled(box) && !checked(box)) click(box);
        }
        const bool sitesWere = checked("chkASiEq");
        const bool speciesWere = checked("chkASpEq");
        click(rule.option);
        EXPECT_EQ(haText(), QString::fromLatin1(rule.alternative));
        EXPECT_EQ(enabled("chkASiEq"), rule.sitesOpen) << rule.option;
        EXPECT_EQ(checked("chkASiEq"), rule.sitesOpen && sitesWere) << rule.option;
        EXPECT_EQ(enabled("chkASpEq"), rule.speciesOpen) << rule.option;
        EXPECT_EQ(checked("chkASpEq"), rule.speciesOpen && speciesWere) << rule.option;
        EXPECT_EQ(enabled("chkAIn"), rule.interactionsOpen) << rule.option;
    }
    EXPECT_FALSE(checked("optH01"));
    EXPECT_TRUE(checked("optH02"));
    EXPECT_FALSE(checked("optH03"));
}

TEST_F(MainWindowGui, InteractionsStartAtNoneAndFollowTheNullHypothesis) {
    const auto expectNoProportion = [this] {
        EXPECT_FALSE(enabled("fra6"));
        for (const char* name : {"optAIn0", "optAIn50", "optAIn100"}) {
            EXPECT_FALSE(checked(name)) << name;
            EXPECT_FALSE(enabled(name)) << name;
        }
    };
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
    expectNoProportion();
    click("chkAIn");  // every check starts again at 0%
    EXPECT_TRUE(checked("optAIn0"));
    click("optAIn100");
    click("optH01");  // no interactions: the box is unchecked in code and its rule runs
    EXPECT_FALSE(checked("chkAIn"));
    EXPECT_FALSE(enabled("chkAIn"));
    expectNoProportion();
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
    EXPECT_EQ(cells.value(20, 20), "1");

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
    window.resize(640, 380);  // the grid refits the smaller window and the frame follows
    expectFrameAroundGrid();
    EXPECT_LE(grid().PrintedHeight(), find<QWidget>("matrixPanel").height());
}

TEST_F(MainWindowGui, HeaderLockMenuTogglesTheGrid) {
    auto& headers = find<QAction>("mnuMatrixHeaders");
    EXPECT_TRUE(headers.isChecked());
    EXPECT_FALSE(grid().GetEdit());
    headers.trigger();
    EXPECT_FALSE(headers.isChecked());
    EXPECT_TRUE(grid().GetEdit());
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
    window.ReadAnalysisSettings();  // no choices: no null hypothesis, no assumptions
    EXPECT_EQ(window.settings().nullHypothesis, NullHypothesis::None);
    EXPECT_FALSE(window.settings().assumeInteractions);
    EXPECT_EQ(window.settings().speciesCount, 20);
    EXPECT_TRUE(window.readReportChoices().nullHypothesisCaption.empty());
    EXPECT_TRUE(window.readReportChoices().interactionProportionCaption.empty());
    EXPECT_EQ(window.readReportChoices().statisticText, "C-Score");

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
    EXPECT_EQ(settings.nullHypothesis, NullHypothesis::SitesEquivalent);
    EXPECT_FALSE(settings.assumeSitesEquivalent);
    EXPECT_TRUE(settings.assumeSpeciesEquivalent);
    EXPECT_TRUE(settings.assumeInteractions);
    EXPECT_EQ(settings.interactionChoice, InteractionChoice::All);

    const ReportChoices choices = window.readReportChoices();
    EXPECT_EQ(choices.nullHypothesisCaption, "Sites Equivalent");
    EXPECT_TRUE(choices.interactionsChecked);
    EXPECT_EQ(choices.interactionProportionCaption, "100%");
    EXPECT_TRUE(choices.speciesEquivalentChecked);
    EXPECT_EQ(choices.statisticText, "Number of Combinations");
    EXPECT_EQ(choices.rowsText, "3.5");
}

// The Options button is pressed in run_gui_test; here the menu item.
TEST_F(MainWindowGui, TheOptionsMenuOpensTheAdvancedOptions) {
    const auto seen = whenModal([](QWidget& dialog) {
        EXPECT_EQ(dialog.objectName(), QStringLiteral("frmAdvanced"));
        QTest::mouseClick(&child<QPushButton>(dialog, "cmdCancel"), Qt::LeftButton);
    });
    find<QAction>("mnuAnalysisOptions").trigger();
    EXPECT_TRUE(*seen);
}

TEST_F(MainWindowGui, ClosingAsksEachTimeUntilYes) {
    int asked = 0;
    auto answer = [&asked](const char* button) {
        return whenModal([&asked, button](QWidget& dialog) {
            asked += dialog.objectName() == QStringLiteral("frmConfirmExit");
            QTest::mouseClick(&child<QPushButton>(dialog, button), Qt::LeftButton);
        });
    };

    answer("cmdNo");
    EXPECT_FALSE(window.close());
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
