// How long opening a large matrix takes through the main window, and how much memory
// it holds: a measurement, not a check, so it runs only when KELPO_SCALE=1 is set
// (bench/scale.sh does). KELPO_SCALE_FILE names the file to open; without it a
// 2000 x 2000 matrix of fill 0.5 is written first.
#include <QAction>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <random>
#include <string>

#include "matrix/grid.h"
#include "shell_test_support.h"
#include "widgets/file_dialogs.h"
#include "ui/main_window.h"

namespace kelpo::ui {
namespace {

using shell_test::child;
using shell_test::MessageLog;

long peakResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void writeHalfFilledMatrix(const std::string& path, int side) {
    std::mt19937 random(2000);
    std::bernoulli_distribution present(0.5);
    std::ofstream out(path, std::ios::binary);
    out << "Species";
    for (int col = 1; col <= side; ++col) out << " S" << col;
    out << "\r\n";
    for (int row = 1; row <= side; ++row) {
        out << "Sp" << row;
        for (int col = 1; col <= side; ++col) out << (present(random) ? " 1" : " 0");
        out << "\r\n";
    }
    out << "\r\n";
}

TEST(GridScale, OpenALargeMatrixInTheGrid) {
    if (std::getenv("KELPO_SCALE") == nullptr || std::string(std::getenv("KELPO_SCALE")) != "1")
        GTEST_SKIP() << "a measurement: set KELPO_SCALE=1 to run it";
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    std::string path = folder.filePath(QStringLiteral("large.txt")).toStdString();
    if (const char* given = std::getenv("KELPO_SCALE_FILE")) {
        path = given;
    } else {
        writeHalfFilledMatrix(path, 2000);
    }

    MessageLog log;
    MainWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const long peakBefore = peakResidentKilobytes();
    const auto start = std::chrono::steady_clock::now();
    {
        const ScopedFileDialogResponder responder(
            [&path](const FileDialogRequest&) { return QString::fromStdString(path); });
        child<QAction>(window, "mnuFileOpen").trigger();
    }
    QCoreApplication::processEvents();  // the first paint of the grid
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    const long peakAfter = peakResidentKilobytes();

    EXPECT_TRUE(log.texts.isEmpty()) << log.texts.join(QStringLiteral("; ")).toStdString();
    const QString rows = child<QLineEdit>(window, "txtRows").text();
    const QString cols = child<QLineEdit>(window, "txtCols").text();
    std::cout << "opened " << path << " (" << rows.toStdString() << " x " << cols.toStdString() << ") in "
              << seconds.count() << " s; peak resident " << peakBefore / 1024 << " MiB before, " << peakAfter / 1024
              << " MiB after\n";
    RecordProperty("open_seconds", std::to_string(seconds.count()));
    RecordProperty("peak_resident_mib", std::to_string(peakAfter / 1024));
}

}  // namespace
}  // namespace kelpo::ui
