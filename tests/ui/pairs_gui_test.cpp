// Analysis > Species Pairs... on the grid's matrix: the progress window, then the
// pairs window with its sortable table, its classes at another rate, and its CSV.
#include <gtest/gtest.h>

#include <QAction>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <fstream>
#include <iterator>

#include <QImage>
#include <QSvgRenderer>

#include "charts/pair_heat_map.h"
#include "matrix/matrix_file.h"
#include "matrix/species_names.h"
#include "results/pairs_csv.h"
#include "ui/pairs_window.h"
#include "shell_test_support.h"
#include "ui/main_window.h"
#include "widgets/file_dialogs.h"

namespace kelpo::ui {
namespace {

using shell_test::child;

QWidget* visibleWindow(const char* name) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String(name) && widget->isVisible()) return widget;
    return nullptr;
}

using PairsGuiTest = shell_test::ShownWindowTest<MainWindow>;

TEST_F(PairsGuiTest, MenuItemShowsTheSortableTableAndSavesItAsCsv) {
    const std::string dune = KELPO_SOURCE_DIR "/examples/dune.txt";
    {
        const ScopedFileDialogResponder open([&](const FileDialogRequest&) { return QString::fromStdString(dune); });
        child<QAction>(window, "mnuFileOpen").trigger();
    }
    child<QAction>(window, "mnuAnalysisPairs").trigger();
    QTest::qWaitFor([] { return visibleWindow("frmPairs") != nullptr; }, 60000);
    auto* pairs = dynamic_cast<PairsWindow*>(visibleWindow("frmPairs"));
    ASSERT_NE(pairs, nullptr);
    auto& table = child<QTableWidget>(*pairs, "tblPairs");
    ASSERT_EQ(table.rowCount(), 30 * 29 / 2);

    table.sortItems(4);  // SES, as numbers: -3.2 before -10 would be a text sort
    for (int row = 1; row < table.rowCount() && !table.item(row, 4)->text().isEmpty(); ++row)
        EXPECT_LE(table.item(row - 1, 4)->text().toDouble(), table.item(row, 4)->text().toDouble()) << row;

    auto randomPairs = [&] { return table.findItems(QStringLiteral("random"), Qt::MatchExactly).size(); };
    const auto atDefaultRate = randomPairs();
    child<QDoubleSpinBox>(*pairs, "spnFdr").setValue(0.9);  // a lenient rate finds more pairs
    EXPECT_LT(randomPairs(), atDefaultRate);

    QTemporaryDir folder;
    const QString saved = folder.filePath(QStringLiteral("pairs"));
    {
        const ScopedFileDialogResponder save([&](const FileDialogRequest&) { return saved; });
        child<QPushButton>(*pairs, "cmdSaveTable").click();
    }
    std::ifstream in((saved + QStringLiteral(".csv")).toStdString(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, pairsCsv(pairs->results(), speciesNames(readMatrixFile(dune).cells, 30)));

    // The heat map saved as a picture of its full size, and its colour rule: blue for
    // aggregation (SES > 0), red for segregation, grey for an untestable pair.
    for (const char* name : {"map.png", "map.svg"}) {
        const ScopedFileDialogResponder save([&](const FileDialogRequest&) { return folder.filePath(QString::fromLatin1(name)); });
        child<QPushButton>(*pairs, "cmdSaveChart").click();
    }
    EXPECT_EQ(QImage(folder.filePath(QStringLiteral("map.png"))).size(), charts::heatMapSize(30));
    EXPECT_TRUE(QSvgRenderer(folder.filePath(QStringLiteral("map.svg"))).isValid());
    PairResult pair;
    pair.pairClass = PairClass::Random;
    for (const auto& [ses, blueWins] : {std::pair{2.0, true}, std::pair{-2.0, false}}) {
        pair.ses = ses;
        const QColor colour = charts::sesColour(pair);
        EXPECT_EQ(colour.blue() > colour.red(), blueWins) << ses;
    }
    pair.pairClass = PairClass::Untestable;
    const QColor untestable = charts::sesColour(pair);
    EXPECT_TRUE(untestable != QColor(Qt::white) && untestable.red() == untestable.blue());
    pairs->close();
    EXPECT_TRUE(window.isVisible());
}

}  // namespace
}  // namespace kelpo::ui
