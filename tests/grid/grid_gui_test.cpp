// The matrix grid driven through its own children: keys into the edit box,
// clicks on the drawing surface, and the scroll bars.
#include "grid/grid.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <ostream>

namespace kelpo::grid {
// Failure messages name cells as (row, col).
static void PrintTo(const CellIndex& cell, std::ostream* out) {
    *out << "(" << cell.row << ", " << cell.col << ")";
}
}  // namespace kelpo::grid

namespace kelpo {
namespace {

using grid::CellIndex;

constexpr int kCellWidth = 60;
constexpr int kCellHeight = 20;
constexpr int kBar = Grid::kScrollBarThickness;

class GridTest : public ::testing::Test {
protected:
    // A shown grid of rows × cols data cells in a control of the given size
    // (by default just large enough for every cell).
    void makeGrid(std::int32_t rows, std::int32_t cols, QSize size = {}) {
        grid.ResizeMatrix(rows, cols);
        grid.resize(size.isValid() ? size : QSize((cols + 1) * kCellWidth, (rows + 1) * kCellHeight));
        grid.show();
    }

    QLineEdit* box() { return grid.findChild<QLineEdit*>(QStringLiteral("txt1")); }
    QWidget* surface() { return grid.findChild<QWidget*>(QStringLiteral("pbx1")); }
    QScrollBar* vsb() { return grid.findChild<QScrollBar*>(QStringLiteral("vsb1")); }
    QScrollBar* hsb() { return grid.findChild<QScrollBar*>(QStringLiteral("hsb1")); }

    CellIndex current() const { return {grid.TextRow(), grid.TextCol()}; }

    void clickSlot(int slotRow, int slotCol) {
        QTest::mouseClick(surface(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(slotCol * kCellWidth + kCellWidth / 2, slotRow * kCellHeight + kCellHeight / 2));
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(box(), key, modifiers);
    }
    void type(const QString& text) { QTest::keyClicks(box(), text); }

    // The edit box's place over a slot: 53 × 13 centred in a 60 × 20 slot.
    static QRect boxOverSlot(int slotRow, int slotCol) {
        return {slotCol * kCellWidth + 3, slotRow * kCellHeight + 3, kCellWidth - 7, kCellHeight - 7};
    }

    Grid grid;
};

// Each key from a clicked cell, with the headers locked or open to editing.
TEST_F(GridTest, KeysWrapOverTheCellsTheLockAllows) {
    makeGrid(3, 4);
    const struct { bool headersOpen; CellIndex from; Qt::Key key; CellIndex to; } cases[] = {
        {false, {2, 4}, Qt::Key_Right, {3, 1}}, {false, {3, 4}, Qt::Key_Right, {1, 1}},
        {false, {1, 1}, Qt::Key_Left, {3, 4}},  {false, {2, 1}, Qt::Key_Left, {1, 4}},
        {false, {1, 2}, Qt::Key_Up, {3, 2}},    {false, {3, 2}, Qt::Key_Return, {1, 2}},
        {false, {3, 2}, Qt::Key_Enter, {1, 2}}, {true, {2, 4}, Qt::Key_Right, {3, 0}},
        {true, {3, 2}, Qt::Key_Down, {0, 2}},   {true, {0, 0}, Qt::Key_Left, {3, 4}}, {true, {0, 3}, Qt::Key_Up, {3, 3}}};
    for (const auto& c : cases) {
        grid.EditHeaders(c.headersOpen);
        clickSlot(c.from.row, c.from.col);
        ASSERT_EQ(current(), c.from);
        press(c.key);
        EXPECT_EQ(current(), c.to) << "from " << ::testing::PrintToString(c.from) << " key " << c.key;
        EXPECT_EQ(grid.EditBoxGeometry(), boxOverSlot(c.to.row, c.to.col));
        EXPECT_EQ(grid.FramedSlot(), c.to);
    }
}

TEST_F(GridTest, LockedHeadersIgnoreClicksAndTheEditBoxCommitsOnEveryMove) {
    makeGrid(3, 4);
    EXPECT_EQ(grid.HeaderColour(), grid.palette().color(QPalette::Button));
    clickSlot(2, 3);
    for (const CellIndex header : {CellIndex{0, 2}, CellIndex{2, 0}, CellIndex{0, 0}}) {
        clickSlot(header.row, header.col);
        EXPECT_EQ(current(), (CellIndex{2, 3}));
    }
    grid.EditHeaders(true);
    EXPECT_EQ(grid.HeaderColour(), QColor(Qt::white));
    clickSlot(0, 3);
    type(QStringLiteral("Site3"));
    grid.EditHeaders(false);  // commits, then leaves the header row
    EXPECT_EQ(current(), (CellIndex{1, 3}));
    EXPECT_EQ(grid.GetText(0, 3), "Site3");
    EXPECT_EQ(grid.EditBoxGeometry(), boxOverSlot(1, 3));

    grid.SetText("1", 2, 1);
    grid.SetText("1", 2, 3);
    clickSlot(1, 1);
    EXPECT_EQ(box()->selectedText(), QStringLiteral("0"));  // never written: shows "0"
    type(QStringLiteral("1"));
    press(Qt::Key_Down, Qt::ShiftModifier);  // the shift state is ignored
    EXPECT_EQ(grid.GetText(1, 1), "1");
    EXPECT_EQ(box()->selectedText(), QStringLiteral("1"));  // loaded and wholly selected
    clickSlot(2, 2);
    press(Qt::Key_Right);
    press(Qt::Key_Backspace);  // the whole text is selected: the box becomes empty
    grid.setMaxLength(3);
    clickSlot(3, 3);
    type(QStringLiteral("abcdef"));
    const SparseArray copy = grid.GetMatrix();  // the text still being typed is included
    EXPECT_EQ(copy.value(3, 3), "abc");
    ASSERT_NE(copy.find(2, 3), std::nullopt);  // typing nothing stored the empty text
    EXPECT_EQ(*copy.find(2, 3), "");
    grid.SetText("later", 1, 4);
    EXPECT_EQ(copy.value(1, 4), "0");  // the copy does not follow the grid
    grid.setMaxLength(0);
    clickSlot(3, 4);
    type(QStringLiteral("abcdef"));
    grid.HideSelection();  // commits and drops the frame
    EXPECT_EQ(grid.GetText(3, 4), "abcdef");
    EXPECT_FALSE(grid.EditBoxVisible());
    EXPECT_EQ(grid.FramedSlot(), std::nullopt);
}

TEST_F(GridTest, ResizeDropsCellsBeyondSetRowsHidesThemAndSetMatrixReplacesFromItsOffsets) {
    makeGrid(5, 4);
    SparseArray cells;
    for (std::int32_t i = 0; i <= 5; ++i) cells.setValue(i, 0, "Sp" + std::to_string(i));
    cells.setValue(5, 2, "1");
    cells.setValue(3, 4, "1");
    grid.SetMatrix(cells, 0, 0);
    grid.ResizeMatrix(3, 4);
    grid.ResizeMatrix(5, 4);
    EXPECT_EQ(grid.GetText(3, 0) + grid.GetText(3, 4) + grid.GetText(4, 0) + grid.GetText(5, 2), "Sp3100");
    grid.SetMatrix(cells, 0, 0);
    grid.setRows(2);
    grid.setCols(3);
    EXPECT_EQ(grid.RowTotal(), 3);
    EXPECT_EQ(grid.GetMatrix().value(5, 0), "Sp5");
    clickSlot(2, 3);
    press(Qt::Key_Right);  // keys now wrap inside the smaller grid
    EXPECT_EQ(current(), (CellIndex{1, 1}));

    SparseArray block;
    block.setValue(0, 0, "a");
    block.setValue(1, 1, "b");
    grid.SetText("keep", 1, 3);
    grid.SetText("gone", 4, 4);
    grid.SetMatrix(block, 2, 3);  // replaces every cell at and beyond row 2, column 3
    EXPECT_EQ(grid.GetText(1, 3) + grid.GetText(2, 3) + grid.GetText(3, 4) + grid.GetText(5, 0), "keepabSp5");
    EXPECT_EQ(grid.GetText(4, 4), "0");
}

TEST_F(GridTest, LayoutSnapsDownToWholeCellsAndChoosesScrollBars) {
    makeGrid(3, 4);  // 4 x 5 cells fit exactly; a size is cut down to whole cells, never rounded up
    const struct { QSize asked, got; bool verticalBar; } snaps[] = {
        {{310, 99}, {300, 80}, false}, {{300, 90}, {300, 80}, false}, {{317, 75}, {317, 60}, true}};
    for (const auto& s : snaps) {
        grid.resize(s.asked);
        EXPECT_EQ(grid.size(), s.got) << s.asked.width() << "x" << s.asked.height();
        EXPECT_EQ(grid.VerticalBarOn(), s.verticalBar) << s.asked.width() << "x" << s.asked.height();
    }
    grid.setCellWidth(80);
    grid.setCellHeight(30);  // wider cells no longer fit: both bars take their room
    EXPECT_TRUE(grid.HorizontalBarOn() && grid.VerticalBarOn());
    EXPECT_EQ(grid.size(), QSize(3 * 80 + kBar, 30 + kBar));
    EXPECT_EQ(grid.EditBoxGeometry().size(), QSize(73, 23));
}

TEST_F(GridTest, ScrollingFollowsTheKeysAndClicksReadTheScrolledCells) {
    makeGrid(100, 3, QSize(4 * kCellWidth + kBar, 10 * kCellHeight));
    EXPECT_EQ(vsb()->maximum(), 91);
    vsb()->setValue(91);
    clickSlot(9, 2);
    EXPECT_EQ(current(), (CellIndex{100, 2}));  // the last slot shows the last row
    press(Qt::Key_Down);                        // wraps to row 1 and back to the top
    EXPECT_EQ(vsb()->value(), 0);
    press(Qt::Key_Up);                          // and round again to the bottom
    EXPECT_EQ(vsb()->value(), 91);
    EXPECT_EQ(grid.EditBoxGeometry(), boxOverSlot(9, 2));
    vsb()->setValue(0);
    clickSlot(9, 1);
    press(Qt::Key_Down);  // one row past the view scrolls by exactly one
    EXPECT_EQ(current(), (CellIndex{10, 1}));
    EXPECT_EQ(vsb()->value(), 1);
    clickSlot(1, 1);
    press(Qt::Key_Up);  // and one row before it, back by one
    EXPECT_EQ(vsb()->value(), 0);

    makeGrid(1, 1, QSize(600, 400));
    grid.ResizeMatrix(32767, 32767);
    press(Qt::Key_Left);  // from (1, 1) round to the far corner
    EXPECT_EQ(current(), (CellIndex{32767, 32767}));
    EXPECT_EQ(vsb()->value(), 32768 - 19);
    EXPECT_EQ(hsb()->value(), 32768 - 9);
    EXPECT_EQ(grid.EditBoxGeometry(), boxOverSlot(18, 8));
}

}  // namespace
}  // namespace kelpo
