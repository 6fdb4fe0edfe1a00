#include "results/results_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>
#include <utility>

#include "results/save_results.h"
#include "widgets/file_dialogs.h"
#include "widgets/help.h"
#include "widgets/message_box.h"

namespace kelpo::ui {

namespace {

const QString kCaption = QStringLiteral("Kelpo Results");

// The power table puts one tab after its first header (18 characters) and two after a
// row's "(p,d)"; then one tab after the second header (26) and three after True/False.
// Stops every 10 to 13 characters line both columns up under their headers; 12 reads best.
constexpr int kTabStopCharacters = 12;

QString trimmedBlanks(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ') ++first;
    while (last > first && text[last - 1] == u' ') --last;
    return text.mid(first, last - first);
}

}  // namespace

ResultsWindow::ResultsWindow(QWidget* mainWindow)
    : QWidget(nullptr),
      mainWindow_(mainWindow),
      txt1_(new QPlainTextEdit(this)),
      cmdSave_(new QPushButton(QStringLiteral("Save"), this)),
      cmdClose_(new QPushButton(QStringLiteral("Close"), this)),
      cmdHelp_(new QPushButton(QStringLiteral("Help"), this)) {
    setObjectName(QStringLiteral("frmResults"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kCaption);
    txt1_->setObjectName(QStringLiteral("txt1"));
    cmdSave_->setObjectName(QStringLiteral("cmdSave"));
    cmdClose_->setObjectName(QStringLiteral("cmdClose"));
    cmdHelp_->setObjectName(QStringLiteral("cmdHelp"));

    // A fixed-width font, so the power table's columns stay under their headers.
    const QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    txt1_->setFont(font);
    txt1_->setTabStopDistance(QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')) * kTabStopCharacters);
    txt1_->setReadOnly(true);
    // Read-only, yet the keys move through the report and select it for copying.
    txt1_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Long warning lines wrap at the window's edge instead of running off it; only the
    // box wraps, the report itself (and so the saved file) keeps its lines.
    txt1_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    txt1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txt1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdSave_);
    buttons->addWidget(cmdClose_);
    buttons->addWidget(cmdHelp_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txt1_, 1);
    layout->addLayout(buttons);
    resize(kDesignedWidth, 600);

    connect(cmdSave_, &QPushButton::clicked, this, &ResultsWindow::cmdSave_Click);
    connect(cmdClose_, &QPushButton::clicked, this, &QWidget::close);
    connect(cmdHelp_, &QPushButton::clicked, this, &ResultsWindow::cmdHelp_Click);
}

void ResultsWindow::setReport(const std::string& report) {
    report_ = report;
    // The box shows lines; the CR LF form is kept in report_ for saving byte for byte.
    QString shown = QString::fromStdString(report);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    txt1_->setPlainText(shown);
}

QString ResultsWindow::SaveResultsDialog() {
    return trimmedBlanks(Comdlg(this, QStringLiteral("Results"), QStringLiteral("Save"), QString(),
                                QCoreApplication::applicationDirPath()));
}

void ResultsWindow::SaveResults(const QString& path) {
    if (path.isEmpty()) return;
    try {
        writeResultsFile(resultsFilePath(path.toStdString()), singleByteText(report_));
    } catch (const std::exception&) {
        // The report stays in the window and can be saved again.
        showError(this, QStringLiteral("Error 09: invalid file name"));
        return;
    }
    setWindowTitle(kCaption);
}

void ResultsWindow::cmdSave_Click() { SaveResults(SaveResultsDialog()); }

void ResultsWindow::cmdHelp_Click() {
    ShowHelpTopic(QStringLiteral("Kelpo Help.chm"), QStringLiteral("Results.htm"));
}

void ResultsWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (mainWindow_) mainWindow_->show();
}

}  // namespace kelpo::ui
