#include "ui/about_dialog.h"

#include <QDialog>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelpo::ui {

namespace {

constexpr int kDesignedWidth = 370;

QLabel* namedLabel(QDialog& dialog, const char* name, const QString& text) {
    auto* label = new QLabel(text, &dialog);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return label;
}

}  // namespace

void showAbout(QWidget* owner) {
    QDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("frmAbout"));
    dialog.setWindowTitle(QStringLiteral("About Kelpo"));

    auto* picture = new QLabel(&dialog);  // img1: room for a picture; the program ships none
    picture->setObjectName(QStringLiteral("img1"));
    auto* name = namedLabel(dialog, "Label1", QStringLiteral("Kelpo"));
    QFont large = name->font();
    large.setPointSizeF(large.pointSizeF() * 1.8);
    large.setBold(true);
    name->setFont(large);
    auto* version = namedLabel(dialog, "Label2", QStringLiteral("Version 1.0"));
    auto* notice = namedLabel(dialog, "Label3",
                              QStringLiteral("Tests whether species co-occur at random: a co-occurrence "
                                             "statistic of a presence-absence matrix compared with random "
                                             "matrices of the same row and column sums, together with the "
                                             "error rates and power of that test.\n\n"
                                             "Provided as is, without warranty of any kind."));
    auto* close = new QPushButton(QStringLiteral("Close"), &dialog);
    close->setObjectName(QStringLiteral("cmdClose"));
    close->setDefault(true);
    QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(24, 20, 24, 16);
    layout->addWidget(picture, 0, Qt::AlignHCenter);
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addSpacing(10);
    layout->addWidget(notice);
    layout->addSpacing(10);
    layout->addLayout(buttons);
    // Word-wrapped labels ask for the height of their text at the width they get; a
    // fixed width alone leaves the dialog at the height of a wider, shorter text.
    dialog.setFixedSize(kDesignedWidth, layout->totalHeightForWidth(kDesignedWidth));
    dialog.exec();
}

}  // namespace kelpo::ui
