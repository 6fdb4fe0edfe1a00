// Open Matrix and Save Matrix from the main window through the real file code, and
// saves of a matrix or a report where the file system refuses them: one message,
// nothing lost, and the next save elsewhere works.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "ui/results_window.h"
#include "shell_test_support.h"
#include "ui/main_window.h"

namespace kelpo::ui {
namespace {

using shell_test::child;
using shell_test::choose;

class FilesGui : public shell_test::ShownWindowTest<MainWindow> {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        ShownWindowTest::SetUp();
    }
    QString path(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }
    QString write(const char* name, const QByteArray& bytes) const {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path(name);
    }
    QByteArray read(const QString& file) const {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }
    QString caption() { return find<QLabel>("lbl1").text(); }

    QTemporaryDir folder;
};

TEST_F(FilesGui, SaveWritesWhatIsBeingTypedAndOpenReadsBackTheSame) {
    EXPECT_EQ(choose(window, "mnuFileSave", QString()).defaultName, QStringLiteral("Matrix"));
    setDimensions("2", "3");
    grid().SetText("Tall pine", 1, 0);
    grid().SetText("1", 2, 3);
    auto* editBox = grid().findChild<QLineEdit*>();
    ASSERT_NE(editBox, nullptr);
    editBox->selectAll();
    QTest::keyClicks(editBox, "1");  // still in the edit box of cell (1, 1), not committed
    choose(window, "mnuFileSave", path("plot.txt"));
    EXPECT_EQ(read(path("plot.txt")), QByteArray("Species Site1 Site2 Site3\r\nTall_pine 1 0 0\r\nSp2 0 0 1\r\n\r\n"));
    EXPECT_EQ(caption(), QStringLiteral("Presence-Absence Matrix: plot [2x3]"));
    EXPECT_EQ(choose(window, "mnuFileSave", path("second")).defaultName, QStringLiteral("plot"));
    EXPECT_EQ(read(path("second.txt")), read(path("plot.txt")));

    setDimensions("20", "20");
    find<QAction>("mnuMatrixClear").trigger();
    const FileDialogRequest asked = choose(window, "mnuFileOpen", path("plot.txt"));
    EXPECT_EQ(asked.folder, QDir::currentPath());
    EXPECT_EQ(asked.filters, (QStringList{QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*.*)")}));
    EXPECT_EQ(grid().Rows() * 10 + grid().Cols(), 23);
    EXPECT_EQ(grid().GetText(1, 0) + grid().GetText(1, 1) + grid().GetText(2, 3), "Tall_pine11");
    EXPECT_EQ(caption(), QStringLiteral("Presence-Absence Matrix: plot [2x3]"));
    EXPECT_EQ(window.settings().fileName, "plot");
    EXPECT_TRUE(log.texts.isEmpty());
}

TEST_F(FilesGui, RefusedOpensGiveOneError07AndChangeNothing) {
    grid().SetText("1", 4, 5);
    const QByteArray image("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    for (const QString& file :
         {path("missing.txt"), write("header.txt", "Species Site1 Site2\r\n"), write("image.png", image)}) {
        choose(window, "mnuFileOpen", file);
        EXPECT_EQ(log.texts, QStringList{QStringLiteral("Error 07: Error opening file.")}) << file.toStdString();
        log.texts.clear();
        EXPECT_EQ(find<QLineEdit>("txtRows").text() + caption(), QStringLiteral("20Presence-Absence Matrix"));
        EXPECT_EQ(grid().Rows() * 100 + grid().Cols(), 2020);
        EXPECT_EQ(grid().GetText(4, 5) + window.settings().fileName, "1");
    }
    choose(window, "mnuFileOpen", QString());
    EXPECT_TRUE(log.texts.isEmpty()) << "a cancelled open says nothing";
}

TEST_F(FilesGui, RefusedSavesGiveOneMessageKeepEverythingAndSaveElsewhere) {
    QDir(folder.path()).mkdir(QStringLiteral("taken.txt"));
    QFile::link(QStringLiteral("/dev/full"), path("full.txt"));
    auto* results = new ResultsWindow(&window);  // deletes itself when closed
    const std::string report = "P-VALUE\r\n(1,2)\t\tTrue\t\t\t0.050\r\n*Defined in Kelpo Help.";
    results->setReport(report);
    results->show();
    grid().SetText("1", 2, 3);
    const SparseArray before = grid().GetMatrix();
    for (const char* place : {"no/such/folder/m", "taken", "full"}) {
        choose(window, "mnuFileSave", path(place));
        EXPECT_EQ(log.texts, QStringList{QStringLiteral("Error 08: Error writing file")}) << place;
        const ScopedFileDialogResponder responder([&](const FileDialogRequest&) { return path(place); });
        QTest::mouseClick(&child<QPushButton>(*results, "cmdSave"), Qt::LeftButton);
        EXPECT_EQ(log.texts.value(1), QStringLiteral("Error 09: invalid file name")) << place;
        log.texts.clear();
        EXPECT_EQ(grid().GetMatrix().keys(), before.keys());
        EXPECT_EQ(caption(), QStringLiteral("Presence-Absence Matrix"));
        EXPECT_TRUE(results->isVisible() && results->reportText() == report && QFileInfo(path("taken.txt")).isDir());
    }
    choose(window, "mnuFileSave", path("good"));
    EXPECT_TRUE(read(path("good.txt")).startsWith("Species "));
    const ScopedFileDialogResponder responder([&](const FileDialogRequest&) { return path("Results"); });
    QTest::mouseClick(&child<QPushButton>(*results, "cmdSave"), Qt::LeftButton);
    EXPECT_EQ(read(path("Results.txt")).toStdString(), report);
    EXPECT_TRUE(log.texts.isEmpty());
    results->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace
}  // namespace kelpo::ui
