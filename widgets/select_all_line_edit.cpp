#include "widgets/select_all_line_edit.h"

#include <QTimer>

namespace kelpo::ui {

void SelectAllLineEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // Deferred: a mouse press that gave the focus would otherwise place the caret
    // and drop the selection right after this handler.
    QTimer::singleShot(0, this, &QLineEdit::selectAll);
}

}  // namespace kelpo::ui
