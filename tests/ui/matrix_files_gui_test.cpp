// Open Matrix and Save Matrix from the main window, through the real file code,
// with the file dialog answered by the test.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "matrix/grid.h"
#include "shell_test_support.h"
#include "widgets/file_dialogs.h"
#include "ui/main_window.h"

namespace kelpo::ui {
namespace {

using shell_test::child;

class MatrixFilesGui : public shell_test::ShownWindowTest<MainWindow> {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        ShownWindowTest::SetUp();
    }


    QString path(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }
    void writeFile(const char* name, const QByteArray& bytes) const {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray readFile(const char* name) const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Runs the menu item with the dialog answering `chosen`; returns what it was asked.
    FileDialogRequest choose(const char* menuItem, const QString& chosen) {
        FileDialogRequest asked;
        const ScopedFileDialogResponder responder([&](const FileDialogRequest& request) {
            asked = request;
            return chosen;
        });
        child<QAction>(window, menuItem).trigger();
        return asked;
    }

    QString caption() { return child<QLabel>(window, "lbl1").text(); }
    QString rowsText() { return child<QLineEdit>(window, "txtRows").text(); }

    QTemporaryDir folder;
};

TEST_F(MatrixFilesGui, ControlOAndControlSAskForAFile) {
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QStringList titles;
    const ScopedFileDialogResponder responder([&](const FileDialogRequest& request) {
        titles.append(request.title);
        return QString();
    });
    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Open"), QStringLiteral("Save")}));
}

TEST_F(MatrixFilesGui, AFailedOrCancelledOpenChangesNothing) {
    grid().SetText("1", 1, 1);
    choose("mnuFileOpen", QString());
    EXPECT_TRUE(log.texts.isEmpty());

    choose("mnuFileOpen", path("missing.txt"));
    writeFile("header-only.txt", "Species Site1 Site2\r\n");
    choose("mnuFileOpen", path("header-only.txt"));
    EXPECT_EQ(log.texts, (QStringList{QStringLiteral("Error 07: Error opening file."),
                                      QStringLiteral("Error 07: Error opening file.")}));
    EXPECT_EQ(rowsText(), QStringLiteral("20"));
    EXPECT_EQ(grid().Rows(), 20);
    EXPECT_EQ(grid().Cols(), 20);
    EXPECT_EQ(grid().GetText(1, 1), "1");
    EXPECT_EQ(caption(), QStringLiteral("Presence-Absence Matrix"));
    EXPECT_TRUE(window.settings().fileName.empty());
}

TEST_F(MatrixFilesGui, SaveOffersMatrixThenTheLastNameAndAddsTxtOnce) {
    EXPECT_EQ(choose("mnuFileSave", QString()).defaultName, QStringLiteral("Matrix"));
    EXPECT_EQ(window.settings().fileName, "Matrix");  // kept though cancelled
    EXPECT_EQ(caption(), QStringLiteral("Presence-Absence Matrix"));

    choose("mnuFileSave", path("first.txt"));
    EXPECT_FALSE(readFile("first.txt").isEmpty());
    EXPECT_EQ(choose("mnuFileSave", path("second")).defaultName, QStringLiteral("first"));
    EXPECT_FALSE(readFile("second.txt").isEmpty());
    EXPECT_EQ(caption(), QStringLiteral("Presence-Absence Matrix: second [20x20]"));
    EXPECT_TRUE(log.texts.isEmpty());
}

TEST_F(MatrixFilesGui, SaveWritesWhatIsBeingTypedAndOpenReadsBackTheSame) {
    setDimensions("2", "3");
    grid().SetText("Tall pine", 1, 0);
    grid().SetText("1", 2, 3);
    auto* editBox = grid().findChild<QLineEdit*>();
    ASSERT_NE(editBox, nullptr);
    editBox->selectAll();
    QTest::keyClicks(editBox, "1");  // still in the edit box of cell (1, 1), not committed

    choose("mnuFileSave", path("plot.txt"));
    EXPECT_TRUE(log.texts.isEmpty());
    EXPECT_EQ(readFile("plot.txt"),
              QByteArray("Species Site1 Site2 Site3\r\nTall_pine 1 0 0\r\nSp2 0 0 1\r\n\r\n"));
    EXPECT_EQ(caption(), QStringLiteral("Presence-Absence Matrix: plot [2x3]"));
    EXPECT_EQ(window.settings().fileName, "plot");

    setDimensions("20", "20");
    child<QAction>(window, "mnuMatrixClear").trigger();
    EXPECT_EQ(grid().GetText(2, 3), "0");
    const FileDialogRequest asked = choose("mnuFileOpen", path("plot.txt"));
    EXPECT_TRUE(asked.defaultName.isEmpty());
    EXPECT_EQ(asked.folder, QDir::currentPath());
    EXPECT_EQ(asked.filters, (QStringList{QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*.*)")}));
    EXPECT_TRUE(log.texts.isEmpty());
    EXPECT_EQ(rowsText(), QStringLiteral("2"));
    EXPECT_EQ(grid().Cols(), 3);
    EXPECT_EQ(grid().GetText(1, 0), "Tall_pine");
    EXPECT_EQ(grid().GetText(1, 1), "1");
    EXPECT_EQ(grid().GetText(2, 3), "1");
    EXPECT_EQ(caption(), QStringLiteral("Presence-Absence Matrix: plot [2x3]"));
}

}  // namespace
}  // namespace kelpo::ui
