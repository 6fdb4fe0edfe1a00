// Opens a matrix file in the main window's grid and prints how long the open and the
// first paint took and the peak memory: a measurement for bench/scale.sh, not a test.
//   QT_QPA_PLATFORM=offscreen kelpo-grid-open FILE
#include <QAction>
#include <QApplication>
#include <QLineEdit>

#include <sys/resource.h>

#include <chrono>
#include <iostream>

#include "ui/main_window.h"
#include "widgets/file_dialogs.h"
#include "widgets/message_box.h"

namespace {

long peakResidentMebibytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: kelpo-grid-open FILE\n";
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    int messages = 0;
    const kelpo::ui::ScopedMessageResponder answer([&messages](const QString& text, bool) {
        std::cerr << "message: " << text.toStdString() << "\n";
        ++messages;
        return kelpo::ui::Answer::Ok;
    });
    kelpo::ui::MainWindow window;
    window.show();
    QCoreApplication::processEvents();
    const long before = peakResidentMebibytes();
    const auto start = std::chrono::steady_clock::now();
    {
        const kelpo::ui::ScopedFileDialogResponder choose([&path](const kelpo::ui::FileDialogRequest&) { return path; });
        window.findChild<QAction*>(QStringLiteral("mnuFileOpen"))->trigger();
    }
    QCoreApplication::processEvents();  // the first paint of the grid
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    std::cout << "opened " << argv[1] << " ("
              << window.findChild<QLineEdit*>(QStringLiteral("txtRows"))->text().toStdString() << " x "
              << window.findChild<QLineEdit*>(QStringLiteral("txtCols"))->text().toStdString() << ") in "
              << seconds.count() << " s; peak resident " << before << " MiB before, " << peakResidentMebibytes()
              << " MiB after\n";
    return messages == 0 ? 0 : 1;
}
