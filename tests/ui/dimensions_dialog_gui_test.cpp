// The dimensions dialog: its checks in order, the rewriting of accepted texts, and
// what OK and Cancel do to the main window.
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "matrix/dimensions_dialog.h"
#include "shell_test_support.h"
#include "ui/main_window.h"

namespace kelpo {
namespace {

using ui::shell_test::child;
using ui::shell_test::MessageLog;
using ui::shell_test::whenModal;

const QString kError01 = QStringLiteral("Error 01: Number of rows must be greater than 0");
const QString kError02 = QStringLiteral("Error 02: Number of rows cannot exceed 32767");
const QString kError03 = QStringLiteral("Error 03: Number of columns must be greater than 0");
const QString kError04 = QStringLiteral("Error 04: Number of columns cannot exceed 32767");

// The dialog on its own, with the main window's side recorded.
class DimensionsDialogGui : public ::testing::Test {
protected:
    DimensionsDialogGui()
        : dialog(nullptr, QStringLiteral("20"), QStringLiteral("20"), [this](const QString& r, const QString& c) {
              applied.append(r + QLatin1Char('x') + c);
          }) {
        dialog.show();
    }

    QLineEdit& rows() { return child<QLineEdit>(dialog, "txtRows"); }
    QLineEdit& cols() { return child<QLineEdit>(dialog, "txtCols"); }
    // Types both texts and presses OK; returns the messages shown.
    QStringList pressOk(const char* rowsText, const char* colsText) {
        log.texts.clear();
        rows().setText(QString::fromLatin1(rowsText));
        cols().setText(QString::fromLatin1(colsText));
        QTest::mouseClick(&child<QPushButton>(dialog, "cmdOK"), Qt::LeftButton);
        return log.texts;
    }

    MessageLog log;
    QStringList applied;
    DimensionsDialog dialog;
};

TEST_F(DimensionsDialogGui, ChecksRowsThenColumnsAndRewritesWhatItAccepts) {
    const struct {
        const char* rows;
        const char* cols;
        QStringList messages;
        const char* rowsShown;
    } refused[] = {
        {"0", "0", {kError01}, "0"},
        {"32768", "0", {kError02}, "32768"},
        {"-3", "5", {kError01}, "-3"},        // a refused text stays as typed
        {"12abc", "0", {kError03}, "12"},     // the rows were rewritten before the columns failed
        {"5", "40000", {kError04}, "5"},
    };
    for (const auto& c : refused) {
        EXPECT_EQ(pressOk(c.rows, c.cols), c.messages) << c.rows << " " << c.cols;
        EXPECT_EQ(rows().text(), QString::fromLatin1(c.rowsShown));
        EXPECT_TRUE(dialog.isVisible());
    }
    EXPECT_TRUE(applied.isEmpty());

    EXPECT_TRUE(pressOk(" 7 ", "32767").isEmpty());
    EXPECT_EQ(rows().text(), QStringLiteral("7"));
    EXPECT_EQ(applied, QStringList{QStringLiteral("7x32767")});
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    dialog.show();
    EXPECT_TRUE(pressOk("1", "3.5").isEmpty());  // a fraction is left for the resize to round
    EXPECT_EQ(applied.last(), QStringLiteral("1x3.5"));
}

TEST_F(DimensionsDialogGui, FocusSelectsTheWholeText) {
    cols().setText(QStringLiteral("123"));
    cols().deselect();
    QFocusEvent focus(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(&cols(), &focus);
    QCoreApplication::processEvents();
    EXPECT_EQ(cols().selectedText(), QStringLiteral("123"));
}

// The dialog opened from the main window's menu: Cancel leaves the grid alone, OK resizes it.
using DimensionsMenuGui = ui::shell_test::ShownWindowTest<ui::MainWindow>;

TEST_F(DimensionsMenuGui, OkResizesTheGridAndCancelLeavesItAlone) {
    auto& mainRows = child<QLineEdit>(window, "txtRows");
    // Opens the dialog from the menu, types 4abc × 6 and presses the button.
    auto answer = [this, &mainRows](const char* button) {
        const auto seen = whenModal([&mainRows, button](QWidget& dialog) {
            EXPECT_EQ(child<QLineEdit>(dialog, "txtRows").text(), mainRows.text());
            child<QLineEdit>(dialog, "txtRows").setText(QStringLiteral("4abc"));
            child<QLineEdit>(dialog, "txtCols").setText(QStringLiteral("6"));
            QTest::mouseClick(&child<QPushButton>(dialog, button), Qt::LeftButton);
        });
        child<QAction>(window, "mnuMatrixDimensions").trigger();
        EXPECT_TRUE(*seen);
    };
    answer("cmdCancel");
    EXPECT_EQ(mainRows.text(), QStringLiteral("20"));
    EXPECT_EQ(grid().Rows(), 20);
    EXPECT_EQ(grid().Cols(), 20);

    answer("cmdOK");
    EXPECT_EQ(mainRows.text(), QStringLiteral("4"));
    EXPECT_EQ(child<QLineEdit>(window, "txtCols").text(), QStringLiteral("6"));
    EXPECT_EQ(grid().Rows(), 4);
    EXPECT_EQ(grid().Cols(), 6);
    EXPECT_EQ(grid().GetText(4, 0), "Sp4");
    EXPECT_EQ(grid().GetText(0, 6), "Site6");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
}  // namespace kelpo
