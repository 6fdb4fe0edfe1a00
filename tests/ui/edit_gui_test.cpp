// The Edit menu and the grid's block keys, driven as a user would: a block pasted,
// copied back, cut and undone; Clear All undone and redone; the title's change
// marker; the cell Error 05 names made current.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <gtest/gtest.h>

#include "shell_test_support.h"
#include "ui/main_window.h"

namespace kelpo::ui {
namespace {

class EditGui : public shell_test::ShownWindowTest<MainWindow> {
protected:
    QWidget& editBox() { return *grid().findChild<QLineEdit*>(); }
    void keys(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, int times = 1) {
        for (int i = 0; i < times; ++i) QTest::keyClick(&editBox(), key, modifiers);
    }
    void paste(const char* text) {
        QApplication::clipboard()->setText(QString::fromUtf8(text));
        keys(Qt::Key_V, Qt::ControlModifier);
    }
    QString copied() {
        keys(Qt::Key_C, Qt::ControlModifier);
        return QApplication::clipboard()->text();
    }
    std::string row(std::int32_t r, std::int32_t from, std::int32_t to) {
        std::string text;
        for (std::int32_t c = from; c <= to; ++c) text += grid().GetText(r, c) + "|";
        return text;
    }
};

TEST_F(EditGui, PastedBlockCopiesBackCutsAndUndoes) {
    setDimensions("4", "4");
    grid().SetCurrentCell(1, 1);
    paste("1\t0\t1\r\n0\t1\t1\r\n");
    EXPECT_EQ(row(1, 1, 4) + row(2, 1, 4), "1|0|1|0|0|1|1|0|");
    keys(Qt::Key_Right, Qt::ShiftModifier, 2);
    keys(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(copied(), QStringLiteral("1\t0\t1\n0\t1\t1\n"));
    keys(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(row(1, 1, 3) + row(2, 1, 3), "0|0|0|0|0|0|");
    keys(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(row(1, 1, 3) + row(2, 1, 3), "1|0|1|0|1|1|");
    keys(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(row(2, 1, 3), "0|0|0|");

    // Names with a comma and a space, at the corner with the headers unlocked; the
    // block is wider than the matrix, so the user is asked and it grows.
    window.findChild<QAction*>(QStringLiteral("mnuMatrixHeaders"))->trigger();
    grid().SetCurrentCell(0, 0);
    paste("Species\tA, north\tB\tC\tD\tE\nPinus sylvestris\t1\t1\t0\t0\t1\n");
    EXPECT_EQ(log.texts.size(), 1);
    EXPECT_EQ(grid().Cols(), 5);
    EXPECT_EQ(row(0, 0, 2) + row(1, 0, 5), "Species|A, north|B|Pinus sylvestris|1|1|0|0|1|");
    keys(Qt::Key_Y, Qt::ControlModifier);  // nothing left to redo
    window.editUndo();
    EXPECT_EQ(grid().Cols() * 10 + grid().Rows(), 44);
    EXPECT_EQ(row(0, 1, 1) + row(1, 0, 1), "Site1|Sp1|0|");
}

TEST_F(EditGui, ClearAllUndoesAndRedoesEveryCellAndName) {
    setDimensions("3", "2");
    grid().SetText("Quercus", 1, 0);
    grid().SetText("1", 3, 2);
    grid().SetText("Meadow", 0, 1);
    const SparseArray before = grid().GetMatrix();
    window.mnuMatrixClear_Click();
    const SparseArray cleared = grid().GetMatrix();
    EXPECT_EQ(grid().GetText(1, 0) + grid().GetText(0, 1) + grid().GetText(3, 2), "Sp1Site10");
    window.editUndo();
    EXPECT_EQ(grid().GetMatrix().positions(), before.positions());
    EXPECT_EQ(grid().GetText(1, 0) + grid().GetText(0, 1) + grid().GetText(3, 2), "QuercusMeadow1");
    window.editRedo();
    EXPECT_EQ(grid().GetMatrix().positions(), cleared.positions());
    EXPECT_EQ(grid().GetText(1, 0), "Sp1");
}

TEST_F(EditGui, TitleMarksAChangeUntilItIsUndone) {
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("dune.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Species S1 S2\r\nA 1 0\r\nB 0 1\r\n");
    file.close();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Kelpo"));
    window.openMatrixPath(file.fileName());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("dune \u2014 Kelpo"));
    grid().SetCurrentCell(1, 2);
    QTest::keyClicks(&editBox(), "1");
    keys(Qt::Key_Down);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("dune* \u2014 Kelpo"));
    keys(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(grid().GetText(1, 2) + window.windowTitle().toStdString(), "0dune \u2014 Kelpo");
}

TEST_F(EditGui, Error05MakesTheNamedCellCurrent) {
    setDimensions("30", "30");
    grid().SetText("x", 27, 24);
    window.cmdRun_Click();
    ASSERT_EQ(log.texts.size(), 1);
    EXPECT_TRUE(log.texts.front().startsWith(QStringLiteral("Error 05"))) << log.texts.front().toStdString();
    EXPECT_EQ(grid().TextRow() * 100 + grid().TextCol(), 2724);
    EXPECT_TRUE(grid().FramedSlot().has_value()) << "scrolled into view";
}

}  // namespace
}  // namespace kelpo::ui
