// A text box for numbers that selects its whole text whenever it receives the focus.
#pragma once

#include <QLineEdit>

namespace kelpo::ui {

class SelectAllLineEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

protected:
    void focusInEvent(QFocusEvent* event) override;
};

}  // namespace kelpo::ui
