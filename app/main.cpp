// The desktop program: the main window is the start-up window.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel placeholder(QStringLiteral("Kelpo"));
    placeholder.show();
    return QApplication::exec();
}
