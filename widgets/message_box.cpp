#include "widgets/message_box.h"

#include <QMessageBox>
#include <utility>

namespace kelpo::ui {

namespace {

// The one test seam of the widgets; only the GUI thread touches it.
MessageResponder& responder() {
    static MessageResponder current;
    return current;
}

Answer show(QWidget* parent, const QString& text, bool yesNo) {
    if (responder()) return responder()(text, yesNo);
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Kelpo Error"), text,
                    yesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, parent);
    const int button = box.exec();
    if (!yesNo) return Answer::Ok;
    return button == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

}  // namespace

Answer showError(QWidget* parent, const QString& text) { return show(parent, text, false); }
Answer askYesNo(QWidget* parent, const QString& text) { return show(parent, text, true); }

ScopedMessageResponder::ScopedMessageResponder(MessageResponder r) : previous_(std::move(responder())) {
    responder() = std::move(r);
}

ScopedMessageResponder::~ScopedMessageResponder() { responder() = std::move(previous_); }

}  // namespace kelpo::ui
