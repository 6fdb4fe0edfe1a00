#include "ui/results_window.h"

#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <exception>
#include <utility>

#include "charts/chart_files.h"
#include "core/error.h"
#include "engine/mixing_text.h"
#include "results/save_results.h"
#include "widgets/button_row.h"
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
      tabs_(new QTabWidget(this)),
      mixingWarning_(new QLabel(this)),
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
    tabs_->setObjectName(QStringLiteral("tabResults"));

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

    QHBoxLayout* buttons = buttonRow({cmdSave_, cmdClose_, cmdHelp_});
    auto* layout = new QVBoxLayout(this);
    tabs_->addTab(txt1_, QStringLiteral("Report"));
    // Above the report, so a p-value from chains that never met is not read unwarned.
    mixingWarning_->setObjectName(QStringLiteral("lblMixingWarning"));
    mixingWarning_->setWordWrap(true);
    mixingWarning_->setStyleSheet(QStringLiteral("color: #b00020; font-weight: bold;"));
    mixingWarning_->hide();
    layout->addWidget(mixingWarning_);
    layout->addWidget(tabs_, 1);
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

void ResultsWindow::setCharts(const AnalysisResults& results, const QString& statistic) {
    results_ = results;
    statistic_ = statistic;
    const std::optional<std::string> warning =
        testMixed(results.test) ? std::nullopt
                                : std::optional<std::string>(mixingWarning(results.test.mixing, 0.0, {"more iterations", ""}));
    mixingWarning_->setText(warning ? QString::fromStdString(*warning) : QString());
    mixingWarning_->setVisible(warning.has_value());
    while (tabs_->count() > 1) delete tabs_->widget(1);
    for (const charts::ChartKind kind : charts::chartsOf(results)) tabs_->addTab(chartTab(kind), charts::tabTitle(kind));
}

// The chart, and under it its own Save and Copy buttons: they act on what is shown.
QWidget* ResultsWindow::chartTab(charts::ChartKind kind) {
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("tab-") + charts::fileStem(kind));
    auto* view = new QChartView(charts::buildChart(kind, *results_, statistic_).release(), tab);
    view->setRenderHint(QPainter::Antialiasing);
    auto* save = new QPushButton(QStringLiteral("Save Chart..."), tab);
    auto* copy = new QPushButton(QStringLiteral("Copy Chart"), tab);
    save->setObjectName(QStringLiteral("cmdSaveChart"));
    copy->setObjectName(QStringLiteral("cmdCopyChart"));
    connect(save, &QPushButton::clicked, this, [this, kind] { SaveChart(kind, SaveChartDialog(kind)); });
    connect(copy, &QPushButton::clicked, this, [this, kind] { CopyChart(kind); });
    QHBoxLayout* buttons = buttonRow({save, copy});
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(view, 1);
    layout->addLayout(buttons);
    return tab;
}

QString ResultsWindow::SaveChartDialog(charts::ChartKind kind) {
    return trimmedBlanks(Comdlg(this, charts::fileStem(kind) + QStringLiteral(".png"), QStringLiteral("Save"),
                                QStringLiteral("Chart"), QCoreApplication::applicationDirPath()));
}

void ResultsWindow::SaveChart(charts::ChartKind kind, const QString& path) {
    if (path.isEmpty() || !results_) return;
    QString target = path;
    if (!target.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive) &&
        !target.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) {
        target += QStringLiteral(".png");
    }
    try {
        // Drawn afresh at the size kelpo-cli uses, whatever the window's size.
        charts::saveChart(*charts::buildChart(kind, *results_, statistic_), target);
    } catch (const Error& error) {
        showError(this, QString::fromStdString(error.what()) +
                            QStringLiteral("\nNothing was changed there; choose another folder or name."));
    }
}

void ResultsWindow::CopyChart(charts::ChartKind kind) {
    if (!results_) return;
    QGuiApplication::clipboard()->setImage(charts::chartImage(*charts::buildChart(kind, *results_, statistic_)));
}

void ResultsWindow::cmdSave_Click() { SaveResults(SaveResultsDialog()); }

// Help on what the shown tab holds: the report's sections, or how to read a chart.
void ResultsWindow::cmdHelp_Click() {
    const bool onChart = tabs_->currentIndex() > 0;
    ShowHelpTopic(QStringLiteral("Kelpo Help.chm"),
                  onChart ? QStringLiteral("Reading the Charts.htm") : QStringLiteral("Results.htm"));
}

void ResultsWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (mainWindow_) mainWindow_->show();
}

}  // namespace kelpo::ui
