#include "widgets/help_viewer.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace kelpo::ui {

HelpViewer::HelpViewer(const QString& title) : browser_(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);
    browser_->setObjectName(QStringLiteral("txtTopic"));
    browser_->setOpenExternalLinks(true);

    auto* back = new QPushButton(QStringLiteral("&Back"), this);
    back->setObjectName(QStringLiteral("cmdBack"));
    back->setEnabled(false);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    auto* contents = new QPushButton(QStringLiteral("&Getting Started"), this);
    contents->setObjectName(QStringLiteral("cmdContents"));
    connect(contents, &QPushButton::clicked, this, [this] {
        const QFileInfo shown(browser_->source().toLocalFile());
        const QString start = shown.dir().filePath(QStringLiteral("Getting Started.htm"));
        if (QFileInfo::exists(start)) showTopic(start);
    });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back);
    buttons->addWidget(contents);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_);
    resize(720, 620);
}

void HelpViewer::showTopic(const QString& path) {
    browser_->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()), QTextDocument::HtmlResource);
}

QString HelpViewer::currentTopic() const { return QFileInfo(browser_->source().toLocalFile()).fileName(); }

}  // namespace kelpo::ui
