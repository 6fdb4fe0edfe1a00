#include "widgets/file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <utility>

namespace kelpo::ui {

namespace {

// The file-dialog test seam; only the GUI thread touches it.
FileDialogResponder& responder() {
    static FileDialogResponder current;
    return current;
}

QStringList filtersOf(const QString& filterKind) {
    if (filterKind == QLatin1String("Chart")) {
        return {QStringLiteral("PNG Image (*.png)"), QStringLiteral("SVG Drawing (*.svg)")};
    }
    return {QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*.*)")};
}

FileDialogRequest requestFor(const QString& defaultName, const QString& mode, const QString& filterKind,
                             const QString& folder) {
    return {mode, defaultName, folder.isEmpty() ? QDir::currentPath() : folder, filtersOf(filterKind)};
}

QString showDialog(QWidget* owner, const FileDialogRequest& request, bool save) {
    QFileDialog dialog(owner, request.title, request.folder);
    dialog.setNameFilters(request.filters);
    dialog.selectNameFilter(request.filters.front());
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);  // no must-exist check: a missing file fails on reading
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!request.defaultName.isEmpty()) dialog.selectFile(request.defaultName);
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.front().trimmed();
}

}  // namespace

QString Comdlg(QWidget* owner, const QString& defaultName, const QString& mode, const QString& filterKind,
               const QString& folder) {
    const bool open = mode == QLatin1String("Open");
    const bool save = mode == QLatin1String("Save");
    if ((!open && !save) || (!filterKind.isEmpty() && filterKind != QLatin1String("Chart"))) return {};
    const FileDialogRequest request = requestFor(defaultName, mode, filterKind, folder);
    if (responder()) return responder()(request);
    return showDialog(owner, request, save);
}

QString saveFileDialog(QWidget* owner, const QString& defaultName, const QStringList& filters) {
    const FileDialogRequest request{QStringLiteral("Save"), defaultName, QDir::currentPath(), filters};
    if (responder()) return responder()(request);
    return showDialog(owner, request, true);
}

ScopedFileDialogResponder::ScopedFileDialogResponder(FileDialogResponder r) : previous_(std::move(responder())) {
    responder() = std::move(r);
}

ScopedFileDialogResponder::~ScopedFileDialogResponder() { responder() = std::move(previous_); }

}  // namespace kelpo::ui
