// The hourglass pointer for the length of a scope (clearing, resizing, reading and writing matrices).
#pragma once

#include <QApplication>
#include <QCursor>

namespace kelpo::ui {

class WaitCursor {
public:
    explicit WaitCursor(Qt::CursorShape shape = Qt::WaitCursor) { QApplication::setOverrideCursor(QCursor(shape)); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace kelpo::ui
