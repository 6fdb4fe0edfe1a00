// Helpers of the shell's widget tests: a message log answering every message box,
// answering a modal dialog from inside its event loop, finding named controls, and
// a fixture holding a shown main window.
#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <stdexcept>
#include <gtest/gtest.h>

#include "matrix/grid.h"
#include "widgets/message_box.h"

namespace kelpo::ui::shell_test {

// Records every message box text and answers it (OK, or the given Yes/No answer).
class MessageLog {
public:
    explicit MessageLog(Answer yesNoAnswer = Answer::Yes)
        : responder_([this, yesNoAnswer](const QString& text, bool yesNo) {
              texts.append(text);
              return yesNo ? yesNoAnswer : Answer::Ok;
          }) {}
    QStringList texts;

private:
    ScopedMessageResponder responder_;
};

// Runs act on the modal dialog once its own event loop runs; returns a flag that
// tells whether a modal dialog was there to act on.
inline std::shared_ptr<bool> whenModal(std::function<void(QWidget& dialog)> act) {
    auto seen = std::make_shared<bool>(false);
    QTimer::singleShot(0, [act = std::move(act), seen] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog) return;
        *seen = true;
        act(*dialog);
    });
    return seen;
}

// The named child; fails the test when it is missing.
template <typename W>
W& child(const QObject& parent, const char* name) {
    W* found = parent.findChild<W*>(QLatin1String(name));
    if (!found) {
        ADD_FAILURE() << "no child named " << name;
        throw std::runtime_error(name);
    }
    return *found;
}

// A shown window (the main window) whose start-up messages are answered and forgotten.
template <typename Window>
class ShownWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QCoreApplication::processEvents();
        log.texts.clear();
    }

    Grid& grid() { return child<Grid>(window, "grd1"); }
    // Types the dimensions into the main window and resizes the grid to them.
    void setDimensions(const char* rows, const char* cols) {
        child<QLineEdit>(window, "txtRows").setText(QString::fromLatin1(rows));
        child<QLineEdit>(window, "txtCols").setText(QString::fromLatin1(cols));
        window.GridResize();
        window.GridFrameResize();
    }

    MessageLog log;
    Window window;
};

}  // namespace kelpo::ui::shell_test
