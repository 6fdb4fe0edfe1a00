// Opening hostile files from the main window: what the reader refuses leaves the
// grid, the dimensions and the matrix name alone after one Error 07; what it takes
// at the limits reaches the grid whole and is drawn without trouble.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <random>
#include <string>

#include "matrix/grid.h"
#include "shell_test_support.h"
#include "widgets/file_dialogs.h"
#include "ui/main_window.h"

namespace kelpo::ui {
namespace {

using shell_test::child;

std::string header(int sites) {
    std::string line = "Species";
    for (int site = 1; site <= sites; ++site) line += " S" + std::to_string(site);
    return line + "\r\n";
}

class HostileOpen : public shell_test::ShownWindowTest<MainWindow> {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        ShownWindowTest::SetUp();
        grid().SetText("1", 4, 5);
    }

    QString write(const char* name, const std::string& bytes) {
        const QString path = folder.filePath(QString::fromLatin1(name));
        std::ofstream(path.toStdString(), std::ios::binary) << bytes;
        return path;
    }
    void open(const QString& path) {
        const ScopedFileDialogResponder responder([&path](const FileDialogRequest&) { return path; });
        child<QAction>(window, "mnuFileOpen").trigger();
        QCoreApplication::processEvents();  // a paint of whatever is shown now
    }

    QTemporaryDir folder;
};

TEST_F(HostileOpen, RefusedFilesGiveOneError07AndChangeNothing) {
    std::string species = header(1);
    for (int row = 1; row <= 32768; ++row) species += "Sp 1\r";
    const QString fifo = folder.filePath(QStringLiteral("fifo.txt"));
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    for (const QString& path : {write("sites.txt", header(40000) + "Sp1 1\r\n"), write("species.txt", species),
                                write("cells.txt", "Species A\nSp1" + std::string(40000, ' ') + "\n"),
                                write("nul.txt", std::string(1000, '\0')), QStringLiteral("/dev/zero"),
                                folder.path(), fifo}) {
        open(path);
        EXPECT_EQ(log.texts, QStringList{QStringLiteral("Error 07: Error opening file.")}) << path.toStdString();
        log.texts.clear();
        EXPECT_EQ(child<QLineEdit>(window, "txtRows").text(), QStringLiteral("20"));
        EXPECT_EQ(child<QLineEdit>(window, "txtCols").text(), QStringLiteral("20"));
        EXPECT_EQ(grid().Rows(), 20);
        EXPECT_EQ(grid().Cols(), 20);
        EXPECT_EQ(grid().GetText(4, 5), "1");
        EXPECT_EQ(child<QLabel>(window, "lbl1").text(), QStringLiteral("Presence-Absence Matrix"));
        EXPECT_TRUE(window.settings().fileName.empty());
    }
}

TEST_F(HostileOpen, RandomBytesLoadOrAreRefused) {
    std::mt19937 random(4007);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int trial = 0; trial < 20; ++trial) {
        std::string bytes(2000, '\0');
        for (char& c : bytes) c = static_cast<char>(byte(random));
        open(write("garbage.txt", bytes));
        EXPECT_LE(log.texts.size(), 1);
        EXPECT_LE(grid().Rows(), 32767);
        EXPECT_LE(grid().Cols(), 32767);
        log.texts.clear();
    }
}

// A byte order mark, the widest header and a megabyte cell in one file.
TEST_F(HostileOpen, TheWidestHeaderAndAMegabyteCellReachTheGridWhole) {
    const std::string cell(1 << 20, 'w');
    open(write("widest.txt", "\xEF\xBB\xBF" + header(32767) + "Sp1 " + cell + "\r\n"));
    EXPECT_TRUE(log.texts.isEmpty());
    EXPECT_EQ(child<QLineEdit>(window, "txtCols").text(), QStringLiteral("32767"));
    EXPECT_EQ(grid().Cols(), 32767);
    EXPECT_EQ(grid().GetText(0, 0), "Species");
    EXPECT_EQ(grid().GetText(0, 32767), "S32767");
    EXPECT_EQ(grid().GetText(1, 0), "Sp1");
    // Sizes first: a failure must not print a megabyte.
    EXPECT_EQ(grid().GetText(1, 1).size(), cell.size());
    EXPECT_TRUE(grid().GetText(1, 1) == cell);
    EXPECT_EQ(grid().GetMatrix().value(1, 1).size(), cell.size());
}

}  // namespace
}  // namespace kelpo::ui
