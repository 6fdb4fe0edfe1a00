// The main window driven like a person would: the rules between the analysis choices,
// the grid's size and names, the checks before a run, the settings a run reads, the
// menus that open other windows and the exit confirmation.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

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
    // On the indicator: a check box or option button answers clicks on its box and caption only.
    void click(const char* name) {
        auto& button = find<QAbstractButton>(name);
        QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(6, button.height() / 2));
    }
    bool checked(const char* name) { return find<QAbstractButton>(name).isChecked(); }
    bool enabled(const char* name) { return find<QWidget>(name).isEnabled(); }
};

TEST(MainWindowRules, ScreenSizeAndGridToolTip) {
    EXPECT_TRUE(screenTooSmall(654) && !screenTooSmall(655));
    const struct { double x, y; const char* tip; } tips[] = {
        {70, 25, "Enter names of species here."}, {0, 20, "Enter names of species here."},
        {71, 25, "Enter ones where species are present and zeroes where they are absent."},
        {140, 10, ""}, {141, 10, "Enter names of sites here."}, {141, 19.5, "Enter names of sites here."}};
    for (const auto& t : tips) EXPECT_EQ(gridToolTip(t.x, t.y), QString::fromLatin1(t.tip)) << t.x << "," << t.y;
}

TEST_F(MainWindowGui, EachNullHypothesisShowsItsAlternativeAndLocksItsOwnAssumption) {
    for (const char* name : {"chkASiEq", "chkASpEq", "chkAIn", "fra6"}) EXPECT_FALSE(enabled(name)) << name;
    const struct { const char* option; const char* alternative; bool sitesOpen, speciesOpen, interactionsOpen; } rules[] = {
        {"optH01", "Interactions Between Species", true, true, false},
        {"optH02", "Sites Non-equivalent", false, true, true},
        {"optH03", "Species Non-equivalent", true, false, true},
        {"optH02", "Sites Non-equivalent", false, true, true}};
    for (const auto& rule : rules) {
        // Every open box checked: a box the rule locks loses its check, one it leaves open keeps it.
        for (const char* box : {"chkASiEq", "chkASpEq"})
            if (enabled(box) && !checked(box)) click(box);
        const bool sitesWere = checked("chkASiEq"), speciesWere = checked("chkASpEq");
        click(rule.option);
        EXPECT_EQ(find<QLineEdit>("txtHA").text(), QString::fromLatin1(rule.alternative));
        EXPECT_EQ(enabled("chkASiEq"), rule.sitesOpen) << rule.option;
        EXPECT_EQ(checked("chkASiEq"), rule.sitesOpen && sitesWere) << rule.option;
        EXPECT_EQ(enabled("chkASpEq"), rule.speciesOpen) << rule.option;
        EXPECT_EQ(checked("chkASpEq"), rule.speciesOpen && speciesWere) << rule.option;
        EXPECT_EQ(enabled("chkAIn"), rule.interactionsOpen) << rule.option;
    }
    // The interaction proportion: 0% on every check, kept across a switch, gone with the box.
    click("chkAIn");
    EXPECT_TRUE(enabled("fra6") && checked("optAIn0"));
    click("optAIn50");
    click("optH03");
    EXPECT_TRUE(checked("chkAIn") && checked("optAIn50") && !checked("optAIn0"));
    click("chkAIn");
    EXPECT_FALSE(enabled("fra6") || checked("optAIn50") || enabled("optAIn50"));
    click("chkAIn");
    EXPECT_TRUE(checked("optAIn0"));
    click("optAIn100");
    click("optH01");
    EXPECT_FALSE(checked("chkAIn") || enabled("chkAIn") || checked("optAIn100") || enabled("fra6"));
}

TEST_F(MainWindowGui, GridKeepsNamesAndCellsWhileResizedAndClearAllRenames) {
    EXPECT_EQ(grid().GetMatrix().size(), 41u);  // Species, Sp1..Sp20, Site1..Site20
    grid().SetText("Abies", 3, 0);
    grid().SetText("1", 20, 20);
    setDimensions("22", "21");
    const SparseArray grown = grid().GetMatrix();
    EXPECT_EQ((std::vector<std::string>{grown.value(21, 0), grown.value(22, 0), grown.value(0, 21), grown.value(0, 22),
                                        grown.value(3, 0), grown.value(20, 20)}),
              (std::vector<std::string>{"Sp21", "Sp22", "Site21", "0", "Abies", "1"}));
    setDimensions("2", "2");  // shrinking drops what lies beyond
    EXPECT_EQ(grid().GetMatrix().size(), 5u);
    const auto dimensions = whenModal([](QWidget& dialog) {  // the menu's dialog, as the user fills it
        child<QLineEdit>(dialog, "txtRows").setText(QStringLiteral("5abc"));
        child<QLineEdit>(dialog, "txtCols").setText(QStringLiteral("3"));
        QTest::mouseClick(&child<QPushButton>(dialog, "cmdOK"), Qt::LeftButton);
    });
    find<QAction>("mnuMatrixDimensions").trigger();
    EXPECT_TRUE(*dimensions && find<QLineEdit>("txtRows").text() == QStringLiteral("5") && grid().Rows() == 5);
    grid().SetText("1", 2, 2);
    grid().SetText("x", 9, 9);
    find<QAction>("mnuMatrixClear").trigger();
    const SparseArray cleared = grid().GetMatrix();
    EXPECT_EQ(cleared.size(), 9u);
    EXPECT_EQ(cleared.value(5, 0) + cleared.value(0, 3) + cleared.value(2, 2), "Sp5Site30");
    find<QLabel>("lbl1").setText(QStringLiteral("Presence-Absence Matrix: birds [3x2]"));
    setDimensions("4", "6");  // the caption follows a resize
    EXPECT_EQ(find<QLabel>("lbl1").text(), QStringLiteral("Presence-Absence Matrix: birds [4,6]"));
    find<QAction>("mnuMatrixHeaders").trigger();
    EXPECT_TRUE(grid().GetEdit() && !find<QAction>("mnuMatrixHeaders").isChecked());
}

TEST_F(MainWindowGui, NonBinaryCellStopsTheRunWithError05) {
    for (const char* bad : {"2", " x ", ""}) {
        log.texts.clear();
        grid().SetText(bad, 2, 3);
        QTest::mouseClick(&find<QPushButton>("cmdRun"), Qt::LeftButton);
        EXPECT_EQ(log.texts, QStringList{QStringLiteral("Error 05: Presence-absence matrix contains a non-binary "
                                                        "entry in cell 2,3.  Aborting analysis.")}) << bad;
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(grid().GetText(2, 3), bad);  // only the run's copy was trimmed
        EXPECT_EQ(window.settings().speciesCount, 0);  // the run never read its settings
    }
    find<QAction>("mnuAnalysisRun").trigger();
    EXPECT_EQ(log.texts.size(), 2);
}

TEST_F(MainWindowGui, ARunReadsTheChoicesIntoTheKeptSettings) {
    window.ReadAnalysisSettings();  // no choices: no null hypothesis, no assumptions
    EXPECT_EQ(window.settings().nullHypothesis, NullHypothesis::None);
    EXPECT_TRUE(window.readReportChoices().nullHypothesisCaption.empty());
    find<QComboBox>("cboStatistic").setCurrentIndex(2);
    click("optH02");
    click("chkAIn");
    click("optAIn100");
    click("chkASpEq");
    find<QLineEdit>("txtRows").setText(QStringLiteral("3.5"));
    find<QLineEdit>("txtCols").setText(QStringLiteral("2.5"));
    window.ReadAnalysisSettings();
    const AnalysisSettings& s = window.settings();
    EXPECT_EQ(s.speciesCount * 10 + s.siteCount, 42);  // halves go to the even neighbour
    EXPECT_TRUE(s.statisticId == StatisticId::Combinations && s.nullHypothesis == NullHypothesis::SitesEquivalent);
    EXPECT_TRUE(!s.assumeSitesEquivalent && s.assumeSpeciesEquivalent && s.assumeInteractions);
    EXPECT_EQ(s.interactionChoice, InteractionChoice::All);
    const ReportChoices choices = window.readReportChoices();
    EXPECT_EQ(choices.interactionProportionCaption + choices.statisticText + choices.rowsText, "100%Number of Combinations3.5");
}

TEST_F(MainWindowGui, MenusOpenOptionsAndAboutAndClosingAsksUntilYes) {
    for (const char* action : {"mnuAnalysisOptions", "mnuHelpAbout"}) {
        const auto seen = whenModal([](QWidget& dialog) { dialog.close(); });
        find<QAction>(action).trigger();
        EXPECT_TRUE(*seen) << action;
    }
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
    answer("cmdYes");
    EXPECT_TRUE(window.close());
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(find<ExitDialog>("frmConfirmExit").answer(), QStringLiteral("Exit"));
    EXPECT_TRUE(log.texts.isEmpty());
}

}  // namespace
}  // namespace kelpo::ui
