// Helpers of the shell's widget tests: a message log answering every message box,
// answering a modal dialog from inside its event loop, answering file dialogs,
// finding named controls, waiting for a run, and a fixture holding a shown main window.
#pragma once

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
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

#include "grid/grid.h"
#include "widgets/file_dialogs.h"
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

// Runs events until the condition holds; the deadline only stops a hung test. The
// ticker wakes the wait without spinning, so the engine's workers keep the cores.
inline bool waitUntil(const std::function<bool()>& condition) {
    const QDeadlineTimer deadline(60000);
    QTimer ticker;
    ticker.start(2);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

inline QWidget* visibleWindow(const char* name) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String(name) && widget->isVisible()) return widget;
    return nullptr;
}

// Triggers the named action with file dialogs answering `chosen`; returns what was asked.
inline FileDialogRequest choose(const QObject& window, const char* action, const QString& chosen) {
    FileDialogRequest asked;
    const ScopedFileDialogResponder responder([&](const FileDialogRequest& request) {
        asked = request;
        return chosen;
    });
    child<QAction>(window, action).trigger();
    return asked;
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
    template <typename W>
    W& find(const char* name) { return child<W>(window, name); }
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
