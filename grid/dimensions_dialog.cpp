#include "grid/dimensions_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "core/numbers.h"
#include "matrix/matrix_file.h"
#include "widgets/message_box.h"
#include "widgets/select_all_line_edit.h"
#include "widgets/wait_cursor.h"

namespace kelpo {

namespace {

ui::SelectAllLineEdit* dimensionBox(QWidget* parent, const char* name, const QString& text) {
    auto* box = new ui::SelectAllLineEdit(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setFixedWidth(90);
    return box;
}

}  // namespace

DimensionsDialog::DimensionsDialog(QWidget* owner, const QString& rows, const QString& cols, Apply apply)
    : QDialog(owner),
      rows_(dimensionBox(this, "txtRows", rows)),
      cols_(dimensionBox(this, "txtCols", cols)),
      apply_(std::move(apply)) {
    setObjectName(QStringLiteral("frmResizeMatrix"));
    setWindowTitle(QStringLiteral("Kelpo -- Dimensions"));
    setModal(true);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(ok, &QPushButton::clicked, this, &DimensionsDialog::cmdOK_Click);
    // The main window's texts are untouched until OK passes, so Cancel only closes.
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Rows (Species):"), rows_);
    fields->addRow(QStringLiteral("Columns (Sites):"), cols_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 12);
    layout->addLayout(fields);
    layout->addSpacing(10);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(270, 0)));
}

bool DimensionsDialog::acceptDimension(QLineEdit& box, const char* belowOne, const char* aboveMaximum) {
    const double value = leadingNumber(box.text().toStdString());
    if (value < 1) {
        ui::showError(this, QString::fromLatin1(belowOne));
        return false;
    }
    if (value > kMaxMatrixSide) {
        ui::showError(this, QString::fromLatin1(aboveMaximum));
        return false;
    }
    // 12abc becomes 12; a fraction stays as typed and is rounded by the resize.
    box.setText(QString::fromStdString(plainNumberText(value)));
    return true;
}

void DimensionsDialog::cmdOK_Click() {
    if (!acceptDimension(*rows_, "Error 01: Number of rows must be greater than 0",
                         "Error 02: Number of rows cannot exceed 32767")) {
        return;
    }
    if (!acceptDimension(*cols_, "Error 03: Number of columns must be greater than 0",
                         "Error 04: Number of columns cannot exceed 32767")) {
        return;
    }
    {
        const ui::WaitCursor wait;
        apply_(rows_->text(), cols_->text());
    }
    accept();
}

}  // namespace kelpo
