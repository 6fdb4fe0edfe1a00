// The matrix commands of the main window: clear, resize, header lock, open and save.
#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QUndoStack>
#include <QUrl>

#include "core/error.h"
#include "core/numbers.h"
#include "grid/dimensions_dialog.h"
#include "grid/grid.h"
#include "matrix/matrix_file.h"
#include "widgets/file_dialogs.h"
#include "ui/main_window.h"
#include "widgets/message_box.h"
#include "widgets/wait_cursor.h"

namespace kelpo::ui {

namespace {

std::string speciesName(std::int32_t row) { return "Sp" + std::to_string(row); }
std::string siteName(std::int32_t col) { return "Site" + std::to_string(col); }

}  // namespace

std::int32_t MainWindow::dimension(const QLineEdit& box) {
    return toWholeNumber(leadingNumber(box.text().toStdString()));
}

void MainWindow::mnuMatrixClear_Click() {
    recordChange(QStringLiteral("Clear All"), [this] {
        const WaitCursor wait;
        SparseArray store;
        store.setValue(0, 0, "Species");
        for (std::int32_t i = 1; i <= grd1_->Rows(); ++i) store.setValue(i, 0, speciesName(i));
        for (std::int32_t j = 1; j <= grd1_->Cols(); ++j) store.setValue(0, j, siteName(j));
        grd1_->SetMatrix(store, 0, 0);
        matrixEncoding_ = TextEncoding::Utf8;
    });
}

void MainWindow::GridResize() {
    const bool rowsDiffer = QString::number(grd1_->Rows()) != txtRows_->text();
    const bool colsDiffer = QString::number(grd1_->Cols()) != txtCols_->text();
    if (rowsDiffer || colsDiffer) {
        const WaitCursor wait;
        const std::int32_t oldRows = grd1_->Rows();
        const std::int32_t oldCols = grd1_->Cols();
        grd1_->ResizeMatrix(dimension(*txtRows_), dimension(*txtCols_));
        fitGridToPanel();  // bars may come or go: lay out again from the whole panel, not the old grid
        SparseArray store = grd1_->GetMatrix();
        // Only rows and columns that the resize added get default names.
        for (std::int32_t i = oldRows + 1; i <= grd1_->Rows(); ++i) store.setValue(i, 0, speciesName(i));
        for (std::int32_t j = oldCols + 1; j <= grd1_->Cols(); ++j) store.setValue(0, j, siteName(j));
        grd1_->SetMatrix(store, 0, 0);
    }
    // A caption that names a matrix follows the new size (with a comma, unlike open and save).
    const QString caption = lbl1_->text();
    const qsizetype bracket = caption.indexOf(QLatin1Char('['));
    if (bracket >= 0) {
        lbl1_->setText(caption.left(bracket) +
                       QStringLiteral("[%1,%2]").arg(grd1_->Rows()).arg(grd1_->Cols()));
    }
}

void MainWindow::GridFrameResize() {
    const QRect grid(grd1_->pos(), QSize(grd1_->PrintedWidth(), grd1_->PrintedHeight()));
    fra1_->setGeometry(grid);
    shp1_->setGeometry(grid.adjusted(-1, -1, 1, 1));
    fra1_->lower();
    shp1_->lower();
}

void MainWindow::fitGridToPanel() {
    // One pixel all round for the border; the grid snaps itself to whole cells.
    grd1_->setGeometry(matrixPanel_->rect().adjusted(1, 1, -1, -1));
    GridFrameResize();
}

void MainWindow::mnuMatrixHeaders_Click(bool locked) {
    // The menu item has already changed its check mark: unchecked unlocks the headers.
    grd1_->EditHeaders(!locked);
}

void MainWindow::mnuMatrixDimensions_Click() {
    DimensionsDialog dialog(this, txtRows_->text(), txtCols_->text(),
                            [this](const QString& rows, const QString& cols) { applyDimensions(rows, cols); });
    dialog.exec();
}

void MainWindow::applyDimensions(const QString& rows, const QString& cols) {
    recordChange(QStringLiteral("Dimensions"), [&] {
        txtRows_->setText(rows);
        txtCols_->setText(cols);
        GridResize();
        GridFrameResize();
    });
}

void MainWindow::showMatrixName(const std::string& name) {
    settings_.fileName = name;
    lbl1_->setText(QString::fromStdString(
        matrixCaption(name, txtRows_->text().toStdString(), txtCols_->text().toStdString())));
}

void MainWindow::mnuFileOpen_Click() {
    const QString path = Comdlg(this, QString(), QStringLiteral("Open"), QString());
    if (path.isEmpty()) return;
    openMatrixPath(path);
}

void MainWindow::openMatrixPath(const QString& path) {
    MatrixFileContents contents;
    try {
        const WaitCursor wait;
        contents = readMatrixFile(path.toStdString());
    } catch (const Error& error) {
        // Nothing was changed yet: grid, dimensions and name stay as they were. A file
        // too big for the memory says so; "Error opening file" would send the user looking elsewhere.
        showError(this, error.kind() == ErrorKind::OutOfMemory ? QString::fromStdString(error.what())
                                                               : QStringLiteral("Error 07: Error opening file."));
        return;
    }
    recordChange(QStringLiteral("Open"), [&] {
        {
            const WaitCursor wait;
            txtRows_->setText(QString::number(contents.rows));
            txtCols_->setText(QString::number(contents.cols));
            GridResize();
            grd1_->SetMatrix(contents.cells, 0, 0);
            GridFrameResize();
        }
        matrixEncoding_ = contents.encoding;
        showMatrixName(matrixName(path.toStdString()));
    });
    history_->setClean();
    updateTitle();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.front().isLocalFile()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) return;
    event->acceptProposedAction();
    openMatrixPath(urls.front().toLocalFile());
}

void MainWindow::mnuFileSave_Click() {
    // The offered name stays "Matrix" even when the dialog is cancelled.
    if (settings_.fileName.empty()) settings_.fileName = "Matrix";
    const QString chosen =
        Comdlg(this, QString::fromStdString(settings_.fileName), QStringLiteral("Save"), QString());
    const std::string path = matrixSavePath(chosen.toStdString());
    if (path.empty()) return;
    try {
        const WaitCursor wait;
        // GetMatrix commits the text still being typed in the grid.
        matrixEncoding_ =
            writeMatrixFile(path, grd1_->GetMatrix(), dimension(*txtRows_), dimension(*txtCols_), matrixEncoding_);
    } catch (const Error&) {
        showError(this, QStringLiteral("Error 08: Error writing file"));
        return;
    }
    showMatrixName(matrixName(path));
    history_->setClean();
    updateTitle();
}

}  // namespace kelpo::ui
