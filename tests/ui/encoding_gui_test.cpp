// A Windows-1252 matrix file through the main window: opened, its headers passed
// over by the cursor, one cell typed, saved: only that cell's bytes change.
#include <QAction>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "shell_test_support.h"
#include "ui/main_window.h"
#include "widgets/file_dialogs.h"

namespace kelpo::ui {
namespace {

class EncodingGui : public shell_test::ShownWindowTest<MainWindow> {
protected:
    void choose(const char* menuItem, const QString& chosen) {
        const ScopedFileDialogResponder responder([&](const FileDialogRequest&) { return chosen; });
        shell_test::child<QAction>(window, menuItem).trigger();
    }
    QLineEdit* box() { return grid().findChild<QLineEdit*>(QStringLiteral("txt1")); }
};

TEST_F(EncodingGui, OnlyTheTypedCellChangesInASavedWindowsFile) {
    QTemporaryDir folder;
    const std::string file = folder.filePath(QStringLiteral("plot.txt")).toStdString();
    std::ofstream(file, std::ios::binary) << "Species P\xE4ndh \x93Site\x94\r\nSp\xE9 1 0\r\nSp2 0 1\r\n\r\n";
    choose("mnuFileOpen", QString::fromStdString(file));
    EXPECT_EQ(grid().GetText(0, 1), "P\u00E4ndh");
    shell_test::child<QAction>(window, "mnuMatrixHeaders").trigger();  // unlocked: the cursor may enter them
    for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Right, Qt::Key_Left, Qt::Key_Left, Qt::Key_Down, Qt::Key_Down,
                              Qt::Key_Right}) {
        QTest::keyClick(box(), key);
    }
    QTest::keyClicks(box(), QStringLiteral("1"));  // cell (2, 1)
    choose("mnuFileSave", QString::fromStdString(file));
    std::ifstream saved(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), {}),
              "Species P\xE4ndh \x93Site\x94\r\nSp\xE9 1 0\r\nSp2 1 1\r\n\r\n");
}

}  // namespace
}  // namespace kelpo::ui
