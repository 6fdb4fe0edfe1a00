// Saving a matrix or a report where the file system refuses it: a folder in the way,
// a full device, a full small file system, a file that cannot be replaced, a name too
// long. Each save ends with its one message, the program goes on, and the matrix or
// report is still there to be saved elsewhere.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>
#include <vector>

#include "matrix/grid.h"
#include "results/results_window.h"
#include "shell_test_support.h"
#include "ui/file_dialogs.h"
#include "ui/main_window.h"

namespace kelpo::ui {
namespace {

using shell_test::child;
using shell_test::MessageLog;

// Sets or clears the immutable attribute; false where the file system or the
// user's rights do not allow it.
bool setImmutable(const QString& path, bool on) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

// Places where a save must fail, made inside one temporary folder. Each returns the
// name to choose in the save dialog (".txt" is added by the save), or nothing when
// this machine cannot make that place; the reason is then in skipReason.
class UnwritablePlaces {
public:
    UnwritablePlaces() = default;
    UnwritablePlaces(const UnwritablePlaces&) = delete;
    UnwritablePlaces& operator=(const UnwritablePlaces&) = delete;
    ~UnwritablePlaces() {
        for (const QString& path : immutable_) setImmutable(path, false);
        for (const QString& path : mounted_) ::umount2(QFile::encodeName(path).constData(), MNT_DETACH);
    }

    bool valid() const { return folder_.isValid(); }
    QString path(const QString& name) const { return folder_.filePath(name); }

    // A folder already has the name the file would get.
    QString folderInTheWay() {
        QDir(folder_.path()).mkdir(QStringLiteral("taken.txt"));
        return path(QStringLiteral("taken"));
    }

    // A name that ends at /dev/full: the file opens, every write fails with ENOSPC.
    std::optional<QString> fullDevice() {
        if (!QFile::exists(QStringLiteral("/dev/full"))) return none("/dev/full is missing");
        QFile::link(QStringLiteral("/dev/full"), path(QStringLiteral("full.txt")));
        return path(QStringLiteral("full"));
    }

    // A 64 KiB file system filled to its last byte before the save.
    std::optional<QString> fullFileSystem() {
        const QString mountPoint = path(QStringLiteral("small"));
        QDir(folder_.path()).mkdir(QStringLiteral("small"));
        if (::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, "size=64k") != 0)
            return none("mounting a tmpfs is not permitted here");
        mounted_.push_back(mountPoint);
        const int fd = ::open(QFile::encodeName(mountPoint + QStringLiteral("/filler")).constData(),
                              O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0) return none("cannot create the filler file");
        const std::string block(4096, 'x');
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        const int error = errno;
        ::close(fd);
        if (error != ENOSPC) return none("the small file system did not fill up");
        return mountPoint + QStringLiteral("/m");
    }

    // An existing file that cannot be replaced. Read-only rights stop everyone but
    // root; for root the immutable attribute does it.
    std::optional<QString> readOnlyFile(const QByteArray& bytes) {
        const QString file = path(QStringLiteral("locked.txt"));
        {
            QFile out(file);
            if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) return none("cannot write");
        }
        QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        if (::geteuid() == 0) {
            if (!setImmutable(file, true)) return none("root ignores read-only rights and chattr +i is refused");
            immutable_.push_back(file);
        }
        return path(QStringLiteral("locked"));
    }

    // A file name longer than any file system takes (ENAMETOOLONG).
    QString nameTooLong() const { return path(QString(300, QLatin1Char('n'))); }

    const std::string& skipReason() const { return skipReason_; }

private:
    std::optional<QString> none(const char* reason) {
        skipReason_ = reason;
        return std::nullopt;
    }

    QTemporaryDir folder_;
    std::vector<QString> mounted_;
    std::vector<QString> immutable_;
    std::string skipReason_;
};

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// --- Save Matrix: Error 08 ------------------------------------------------------

class MatrixSaveFailure : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(places.valid());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        grid().SetText("1", 2, 3);
        grid().SetText("Sp two", 2, 0);
        grid().SetText("x", 20, 20);
        log.texts.clear();
    }

    Grid& grid() { return child<Grid>(window, "grd1"); }
    QString caption() { return child<QLabel>(window, "lbl1").text(); }

    void save(const QString& chosen) {
        const ScopedFileDialogResponder responder([&](const FileDialogRequest&) { return chosen; });
        child<QAction>(window, "mnuFileSave").trigger();
    }

    // One Error 08 and nothing else changed: cells, caption, name.
    void expectRefusedAndKept(const QString& chosen) {
        const SparseArray before = grid().GetMatrix();
        const QString captionBefore = caption();
        save(chosen);
        EXPECT_EQ(log.texts, QStringList{QStringLiteral("Error 08: Error writing file")}) << chosen.toStdString();
        log.texts.clear();
        const SparseArray after = grid().GetMatrix();
        EXPECT_EQ(after.keys(), before.keys());
        before.forEach([&after](const SparseArray::Cell& cell) { EXPECT_EQ(after.value(cell.row, cell.col), cell.text); });
        EXPECT_EQ(caption(), captionBefore);
        EXPECT_EQ(window.settings().fileName, "Matrix");
        EXPECT_TRUE(window.isVisible());
    }

    // The same matrix still saves to a good place afterwards.
    void expectSavesElsewhere() {
        save(places.path(QStringLiteral("good")));
        EXPECT_TRUE(log.texts.isEmpty());
        EXPECT_TRUE(fileBytes(places.path(QStringLiteral("good.txt"))).startsWith("Species "));
        EXPECT_EQ(window.settings().fileName, "good");
    }

    UnwritablePlaces places;
    MessageLog log;
    MainWindow window;
};

TEST_F(MatrixSaveFailure, FolderInTheWayAndNameTooLong) {
    expectRefusedAndKept(places.folderInTheWay());
    EXPECT_TRUE(QFileInfo(places.path(QStringLiteral("taken.txt"))).isDir());
    expectRefusedAndKept(places.nameTooLong());
    expectSavesElsewhere();
}

TEST_F(MatrixSaveFailure, FullDevice) {
    const auto chosen = places.fullDevice();
    if (!chosen) GTEST_SKIP() << places.skipReason();
    expectRefusedAndKept(*chosen);
    expectSavesElsewhere();
}

TEST_F(MatrixSaveFailure, FullFileSystem) {
    const auto chosen = places.fullFileSystem();
    if (!chosen) GTEST_SKIP() << places.skipReason();
    expectRefusedAndKept(*chosen);
    expectSavesElsewhere();
}

TEST_F(MatrixSaveFailure, FileThatCannotBeReplaced) {
    const auto chosen = places.readOnlyFile("old contents");
    if (!chosen) GTEST_SKIP() << places.skipReason();
    expectRefusedAndKept(*chosen);
    EXPECT_EQ(fileBytes(places.path(QStringLiteral("locked.txt"))), "old contents");
    expectSavesElsewhere();
}

// --- Saving the report: Error 09 -------------------------------------------------

class ReportSaveFailure : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(places.valid());
        results = new ResultsWindow(&mainWindow);  // deletes itself when closed
        results->setReport(report);
        results->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(results));
        shown = box().toPlainText();
    }
    void TearDown() override {
        if (results) results->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QPlainTextEdit& box() { return child<QPlainTextEdit>(*results, "txt1"); }

    void save(const QString& chosen) {
        const ScopedFileDialogResponder dialog([chosen](const FileDialogRequest&) { return chosen; });
        QTest::mouseClick(&child<QPushButton>(*results, "cmdSave"), Qt::LeftButton);
    }

    // One Error 09; the window, its text and the report to save are as they were.
    void expectRefusedAndKept(const QString& chosen) {
        save(chosen);
        EXPECT_EQ(log.texts, QStringList{QStringLiteral("Error 09: invalid file name")}) << chosen.toStdString();
        log.texts.clear();
        ASSERT_TRUE(results) << "the results window closed";
        EXPECT_TRUE(results->isVisible());
        EXPECT_EQ(results->reportText(), report);
        EXPECT_EQ(box().toPlainText(), shown);
    }

    void expectSavesElsewhere() {
        save(places.path(QStringLiteral("Results")));
        EXPECT_TRUE(log.texts.isEmpty());
        EXPECT_EQ(fileBytes(places.path(QStringLiteral("Results.txt"))).toStdString(), report);
    }

    const std::string report = "P-VALUE\r\n---------------\r\n(1,2)\t\tTrue\t\t\t0.050\r\n*Defined in Kelpo Help.";
    UnwritablePlaces places;
    MessageLog log;
    QWidget mainWindow;
    QPointer<ResultsWindow> results;
    QString shown;
};

TEST_F(ReportSaveFailure, FolderInTheWayAndNameTooLong) {
    expectRefusedAndKept(places.folderInTheWay());
    expectRefusedAndKept(places.nameTooLong());
    expectSavesElsewhere();
}

TEST_F(ReportSaveFailure, FullDevice) {
    const auto chosen = places.fullDevice();
    if (!chosen) GTEST_SKIP() << places.skipReason();
    expectRefusedAndKept(*chosen);
    expectSavesElsewhere();
}

TEST_F(ReportSaveFailure, FullFileSystem) {
    const auto chosen = places.fullFileSystem();
    if (!chosen) GTEST_SKIP() << places.skipReason();
    expectRefusedAndKept(*chosen);
    expectSavesElsewhere();
}

TEST_F(ReportSaveFailure, FileThatCannotBeReplaced) {
    const auto chosen = places.readOnlyFile("old report");
    if (!chosen) GTEST_SKIP() << places.skipReason();
    expectRefusedAndKept(*chosen);
    EXPECT_EQ(fileBytes(places.path(QStringLiteral("locked.txt"))), "old report");
    expectSavesElsewhere();
}

}  // namespace
}  // namespace kelpo::ui
