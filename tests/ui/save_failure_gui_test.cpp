// Saving a matrix or a report where the file system refuses it. Each save ends with
// its one message, the program goes on, and the matrix or report is still there to
// be saved elsewhere. One table of places serves both kinds of save.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <sys/mount.h>

#include <string>

#include "matrix/grid.h"
#include "results/results_window.h"
#include "shell_test_support.h"
#include "widgets/file_dialogs.h"
#include "ui/main_window.h"

namespace kelpo::ui {
namespace {

using shell_test::child;
using shell_test::MessageLog;

const QByteArray kOldBytes = "old contents";

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class SaveFailure;

struct Place {
    const char* name;
    QString (SaveFailure::*make)();
};

// Both windows are shown: the main window with a few cells typed in, and a results
// window with its report. Each test saves one of them to the place of the test.
class SaveFailure : public ::testing::TestWithParam<Place> {
public:
    // Each makes its place in the folder and returns the name to choose in the save
    // dialog (".txt" is added by the save), or sets skipReason when this machine
    // cannot make it.
    QString missingFolder() { return path("no/such/folder/m"); }
    QString folderInTheWay() {
        QDir(folder.path()).mkdir(QStringLiteral("taken.txt"));
        return path("taken");
    }
    QString nameTooLong() { return path(std::string(300, 'n').c_str()); }
    // The file opens; every write fails with ENOSPC.
    QString fullDevice() {
        if (!QFile::exists(QStringLiteral("/dev/full"))) return skip("/dev/full is missing");
        QFile::link(QStringLiteral("/dev/full"), path("full.txt"));
        return path("full");
    }
    // A 64 KiB file system filled to its last byte.
    QString fullFileSystem() {
        QDir(folder.path()).mkdir(QStringLiteral("small"));
        if (::mount("tmpfs", QFile::encodeName(path("small")).constData(), "tmpfs", 0, "size=64k") != 0)
            return skip("mounting a tmpfs is not permitted here");
        mounted = path("small");
        QFile filler(path("small/filler"));
        filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        while (filler.write(QByteArray(4096, 'x')) > 0) {
        }
        return path("small/m");
    }
    // An immutable file (chattr +i): not even root may replace it.
    QString immutableFile() {
        QFile out(path("locked.txt"));
        if (!out.open(QIODevice::WriteOnly) || out.write(kOldBytes) != kOldBytes.size()) return skip("cannot write");
        out.close();
        if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), out.fileName()}) != 0)
            return skip("chattr +i is not permitted here");
        immutable = out.fileName();
        return path("locked");
    }

protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        chosen = (this->*GetParam().make)();
        if (skipReason) GTEST_SKIP() << skipReason;
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        grid().SetText("1", 2, 3);
        grid().SetText("Sp two", 2, 0);
        grid().SetText("x", 20, 20);
        results = new ResultsWindow(&window);  // deletes itself when closed
        results->setReport(report);
        results->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(results));
        log.texts.clear();
    }
    void TearDown() override {
        if (results) results->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (!immutable.isEmpty()) QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), immutable});
        if (!mounted.isEmpty()) ::umount2(QFile::encodeName(mounted).constData(), MNT_DETACH);
    }

    QString path(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }
    QString skip(const char* reason) {
        skipReason = reason;
        return {};
    }

    Grid& grid() { return child<Grid>(window, "grd1"); }
    QString shownReport() { return child<QPlainTextEdit>(*results, "txt1").toPlainText(); }
    void saveMatrix(const QString& name) {
        const ScopedFileDialogResponder responder([&](const FileDialogRequest&) { return name; });
        child<QAction>(window, "mnuFileSave").trigger();
    }
    void saveReport(const QString& name) {
        const ScopedFileDialogResponder responder([&](const FileDialogRequest&) { return name; });
        QTest::mouseClick(&child<QPushButton>(*results, "cmdSave"), Qt::LeftButton);
    }

    // Exactly the one message, and what stood in the way is still there as it was.
    void expectOnlyMessageAndNothingReplaced(const char* message) {
        EXPECT_EQ(log.texts, QStringList{QString::fromLatin1(message)}) << chosen.toStdString();
        log.texts.clear();
        EXPECT_TRUE(!QFileInfo::exists(path("taken.txt")) || QFileInfo(path("taken.txt")).isDir());
        if (QFileInfo::exists(path("locked.txt"))) {
            EXPECT_EQ(fileBytes(path("locked.txt")), kOldBytes);
        }
    }

    const std::string report = "P-VALUE\r\n---------------\r\n(1,2)\t\tTrue\t\t\t0.050\r\n*Defined in Kelpo Help.";
    QTemporaryDir folder;
    QString mounted;
    QString immutable;
    const char* skipReason = nullptr;
    QString chosen;
    MessageLog log;
    MainWindow window;
    QPointer<ResultsWindow> results;
};

const auto kPlaces = ::testing::Values(Place{"MissingFolder", &SaveFailure::missingFolder},
                                       Place{"FolderInTheWay", &SaveFailure::folderInTheWay},
                                       Place{"NameTooLong", &SaveFailure::nameTooLong},
                                       Place{"FullDevice", &SaveFailure::fullDevice},
                                       Place{"FullFileSystem", &SaveFailure::fullFileSystem},
                                       Place{"ImmutableFile", &SaveFailure::immutableFile});

std::string placeName(const ::testing::TestParamInfo<Place>& info) { return info.param.name; }

using MatrixSaveFailure = SaveFailure;
using ReportSaveFailure = SaveFailure;

TEST_P(MatrixSaveFailure, OneError08KeepsTheMatrixWhichSavesElsewhere) {
    const SparseArray before = grid().GetMatrix();
    const QString caption = child<QLabel>(window, "lbl1").text();
    saveMatrix(chosen);
    expectOnlyMessageAndNothingReplaced("Error 08: Error writing file");
    const SparseArray after = grid().GetMatrix();
    EXPECT_EQ(after.keys(), before.keys());
    before.forEach([&after](const SparseArray::Cell& cell) { EXPECT_EQ(after.value(cell.row, cell.col), cell.text); });
    EXPECT_EQ(child<QLabel>(window, "lbl1").text(), caption);
    EXPECT_EQ(window.settings().fileName, "Matrix");
    EXPECT_TRUE(window.isVisible());

    saveMatrix(path("good"));
    EXPECT_TRUE(log.texts.isEmpty());
    EXPECT_TRUE(fileBytes(path("good.txt")).startsWith("Species "));
    EXPECT_EQ(window.settings().fileName, "good");
}

TEST_P(ReportSaveFailure, OneError09KeepsTheReportWhichSavesElsewhere) {
    const QString shown = shownReport();
    saveReport(chosen);
    expectOnlyMessageAndNothingReplaced("Error 09: invalid file name");
    ASSERT_TRUE(results) << "the results window closed";
    EXPECT_TRUE(results->isVisible());
    EXPECT_EQ(results->reportText(), report);
    EXPECT_EQ(shownReport(), shown);

    saveReport(path("Results"));
    EXPECT_TRUE(log.texts.isEmpty());
    EXPECT_EQ(fileBytes(path("Results.txt")).toStdString(), report);
}

INSTANTIATE_TEST_SUITE_P(Places, MatrixSaveFailure, kPlaces, placeName);
INSTANTIATE_TEST_SUITE_P(Places, ReportSaveFailure, kPlaces, placeName);

}  // namespace
}  // namespace kelpo::ui
