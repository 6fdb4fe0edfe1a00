#include "ui/exit_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelpo::ui {

ExitDialog::ExitDialog(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmConfirmExit"));
    setWindowTitle(QStringLiteral("Kelpo"));
    setModal(true);

    auto* label = new QLabel(QStringLiteral("Exit Kelpo?"), this);
    label->setObjectName(QStringLiteral("lbl1"));
    label->setAlignment(Qt::AlignCenter);
    auto* yes = new QPushButton(QStringLiteral("Yes"), this);
    yes->setObjectName(QStringLiteral("cmdYes"));
    yes->setDefault(true);
    auto* no = new QPushButton(QStringLiteral("No"), this);
    no->setObjectName(QStringLiteral("cmdNo"));
    connect(yes, &QPushButton::clicked, this, &ExitDialog::cmdYes_Click);
    connect(no, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(yes);
    buttons->addWidget(no);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 14);
    layout->setSpacing(14);
    layout->addWidget(label);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(220, 0)));
}

void ExitDialog::cmdYes_Click() {
    answer_ = QStringLiteral("Exit");
    accept();
}

}  // namespace kelpo::ui
