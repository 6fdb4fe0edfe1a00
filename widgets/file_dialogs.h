// The open and save file dialogs of the matrix commands. Tests install a responder
// that picks the file instead of a person.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace kelpo::ui {

// What a file dialog is asked to show.
struct FileDialogRequest {
    QString title;        // "Open" or "Save"
    QString defaultName;  // the file name offered
    QString folder;       // the current folder
    QStringList filters;  // "Text Files (*.txt)", then "All Files (*.*)"; or PNG, then SVG
};

// A responder returns the chosen full path, or the empty text for Cancel.
using FileDialogResponder = std::function<QString(const FileDialogRequest& request)>;

// Shows the open (mode "Open") or save (mode "Save") dialog owned by owner and
// returns the chosen full path, or the empty text when cancelled. Any other mode
// shows nothing. filterKind "" selects the text-file filter list, "Chart" PNG and SVG.
// Save never asks before replacing a file: the caller replaces it. The dialog starts
// in folder, or in the current folder when folder is empty.
QString Comdlg(QWidget* owner, const QString& defaultName, const QString& mode, const QString& filterKind,
               const QString& folder = QString());

// The save dialog for other files than matrices and reports (a table, a chart): the
// first filter is selected. The same responder answers it in tests.
QString saveFileDialog(QWidget* owner, const QString& defaultName, const QStringList& filters);

// While alive, file dialogs are answered by the responder and not shown.
class ScopedFileDialogResponder {
public:
    explicit ScopedFileDialogResponder(FileDialogResponder responder);
    ~ScopedFileDialogResponder();
    ScopedFileDialogResponder(const ScopedFileDialogResponder&) = delete;
    ScopedFileDialogResponder& operator=(const ScopedFileDialogResponder&) = delete;

private:
    FileDialogResponder previous_;
};

}  // namespace kelpo::ui
