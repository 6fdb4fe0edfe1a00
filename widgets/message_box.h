// Every message box of the program: title "Kelpo Error", no icon, OK or Yes/No.
// Tests install a responder that answers instead of a person.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace kelpo::ui {

enum class Answer { Ok, Yes, No };

// A responder sees the text and whether Yes/No was asked; it returns the answer.
using MessageResponder = std::function<Answer(const QString& text, bool yesNo)>;

Answer showError(QWidget* parent, const QString& text);     // OK only
Answer askYesNo(QWidget* parent, const QString& text);      // Yes or No

// While alive, message boxes are answered by the responder and not shown.
class ScopedMessageResponder {
public:
    explicit ScopedMessageResponder(MessageResponder responder);
    ~ScopedMessageResponder();
    ScopedMessageResponder(const ScopedMessageResponder&) = delete;
    ScopedMessageResponder& operator=(const ScopedMessageResponder&) = delete;

private:
    MessageResponder previous_;
};

}  // namespace kelpo::ui
