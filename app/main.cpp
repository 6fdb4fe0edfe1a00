// The desktop program: the main window is the start-up window.
#include <QApplication>

#include "ui/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    kelpo::ui::MainWindow window;
    window.show();
    return QApplication::exec();
}
