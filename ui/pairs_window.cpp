#include "ui/pairs_window.h"

#include <QCloseEvent>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <exception>
#include <optional>
#include <utility>

#include "charts/chart_files.h"
#include "charts/pair_heat_map.h"
#include "results/pairs_csv.h"
#include "results/save_results.h"
#include "widgets/button_row.h"
#include "widgets/file_dialogs.h"
#include "widgets/help.h"
#include "widgets/message_box.h"

namespace kelpo::ui {

namespace {

enum Column { SpeciesA, SpeciesB, Observed, Expected, Ses, PLower, PUpper, PAdjusted, Class, kColumns };

// Sorts by its number, not its text; a missing value sorts after every number.
class NumberItem : public QTableWidgetItem {
public:
    NumberItem(const std::string& text, std::optional<double> key)
        : QTableWidgetItem(QString::fromStdString(text)), key_(key) {
        setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    bool operator<(const QTableWidgetItem& other) const override {
        const auto* number = dynamic_cast<const NumberItem*>(&other);
        if (!number) return QTableWidgetItem::operator<(other);
        if (!key_ || !number->key_) return key_.has_value() && !number->key_.has_value();
        return *key_ < *number->key_;
    }

private:
    std::optional<double> key_;
};

// The chosen path, with the ending added when its file name has none.
QString withEnding(QString path, const QString& ending) {
    path = path.trimmed();
    if (!path.isEmpty() && !path.section(QLatin1Char('/'), -1).contains(QLatin1Char('.'))) path += ending;
    return path;
}

// The heat map tab: draws the window's results at the window's rate, scaled to the tab.
class HeatMapView : public QWidget {
public:
    HeatMapView(QWidget* parent, const PairwiseResults& results, const std::vector<std::string>& names,
                const QDoubleSpinBox& fdr)
        : QWidget(parent), results_(results), names_(names), fdr_(fdr) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.setRenderHint(QPainter::Antialiasing);
        charts::drawPairHeatMap(painter, QRectF(rect()).adjusted(8, 8, -8, -8), results_, names_, fdr_.value());
    }

private:
    const PairwiseResults& results_;
    const std::vector<std::string>& names_;
    const QDoubleSpinBox& fdr_;
};

}  // namespace

PairsWindow::PairsWindow(QWidget* mainWindow, PairwiseResults results, std::vector<std::string> names,
                         PairwiseSettings settings)
    : QWidget(nullptr),
      mainWindow_(mainWindow),
      results_(std::move(results)),
      names_(std::move(names)),
      settings_(settings),
      tabs_(new QTabWidget(this)),
      table_(new QTableWidget(this)),
      fdr_(new QDoubleSpinBox(this)),
      summary_(new QLabel(this)),
      heatMap_(new HeatMapView(this, results_, names_, *fdr_)),
      saveTable_(new QPushButton(QStringLiteral("Save Table..."), this)),
      saveChart_(new QPushButton(QStringLiteral("Save Chart..."), this)),
      close_(new QPushButton(QStringLiteral("Close"), this)),
      help_(new QPushButton(QStringLiteral("Help"), this)) {
    setObjectName(QStringLiteral("frmPairs"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Kelpo Species Pairs"));
    table_->setObjectName(QStringLiteral("tblPairs"));
    fdr_->setObjectName(QStringLiteral("spnFdr"));
    saveTable_->setObjectName(QStringLiteral("cmdSaveTable"));
    saveChart_->setObjectName(QStringLiteral("cmdSaveChart"));
    heatMap_->setObjectName(QStringLiteral("heatMap"));
    close_->setObjectName(QStringLiteral("cmdClose"));

    table_->setColumnCount(kColumns);
    table_->setHorizontalHeaderLabels({QStringLiteral("Species"), QStringLiteral("Species"),
                                       QStringLiteral("Shared (observed)"), QStringLiteral("Shared (expected)"),
                                       QStringLiteral("SES"), QStringLiteral("p lower"), QStringLiteral("p upper"),
                                       QStringLiteral("Adjusted p"), QStringLiteral("Class")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->setVisible(false);
    table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);  // hundreds of rows: keep them compact
    tabs_->addTab(table_, QStringLiteral("Table"));
    tabs_->addTab(heatMap_, QStringLiteral("Heat map"));

    fdr_->setDecimals(3);
    fdr_->setRange(0.001, 0.999);
    fdr_->setSingleStep(0.01);
    fdr_->setValue(settings_.fdr);
    connect(fdr_, &QDoubleSpinBox::valueChanged, this, [this] { refreshClasses(); });

    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QStringLiteral("False discovery rate:"), this));
    controls->addWidget(fdr_);
    controls->addWidget(summary_, 1);
    QHBoxLayout* buttons = buttonRow({saveTable_, saveChart_, close_, help_});
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(tabs_, 1);
    layout->addLayout(buttons);
    resize(900, 600);

    connect(saveTable_, &QPushButton::clicked, this, [this] {
        saveTable(withEnding(saveFileDialog(this, QStringLiteral("Species pairs.csv"),
                                            {QStringLiteral("CSV Files (*.csv)"), QStringLiteral("All Files (*.*)")}),
                             QStringLiteral(".csv")));
    });
    connect(saveChart_, &QPushButton::clicked, this, [this] {
        saveChart(withEnding(saveFileDialog(this, QStringLiteral("Species pairs.png"),
                                            {QStringLiteral("PNG Images (*.png)"), QStringLiteral("SVG Images (*.svg)"),
                                             QStringLiteral("All Files (*.*)")}),
                             QStringLiteral(".png")));
    });
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    connect(help_, &QPushButton::clicked, this,
            [] { ShowHelpTopic(QStringLiteral("Kelpo Help.chm"), QStringLiteral("Species Pairs.htm")); });
    fillTable();
    showSummary();
}

void PairsWindow::fillTable() {
    table_->setSortingEnabled(false);  // rows keep the pairs' order while they are filled
    table_->setRowCount(static_cast<int>(results_.pairs.size()));
    int row = 0;
    for (const PairResult& pair : results_.pairs) {
        auto name = [&](std::int32_t species) {
            return new QTableWidgetItem(QString::fromStdString(names_[static_cast<std::size_t>(species - 1)]));
        };
        table_->setItem(row, SpeciesA, name(pair.speciesA));
        table_->setItem(row, SpeciesB, name(pair.speciesB));
        table_->setItem(row, Observed, new NumberItem(std::to_string(pair.sharedObserved), pair.sharedObserved));
        table_->setItem(row, Expected, new NumberItem(expectedText(pair.sharedMean), pair.sharedMean));
        table_->setItem(row, Ses, new NumberItem(sesText(pair.ses), pair.ses));
        table_->setItem(row, PLower, new NumberItem(pText(pair.pLower), pair.pLower));
        table_->setItem(row, PUpper, new NumberItem(pText(pair.pUpper), pair.pUpper));
        table_->setItem(row, PAdjusted, new NumberItem(pText(pair.pAdjusted), pair.pAdjusted));
        auto* pairClass = new QTableWidgetItem(QString::fromUtf8(pairClassText(pair.pairClass).data()));
        pairClass->setData(Qt::UserRole, row);  // the pair behind the row, wherever sorting moves it
        table_->setItem(row, Class, pairClass);
        ++row;
    }
    table_->resizeColumnsToContents();
    table_->setSortingEnabled(true);
}

void PairsWindow::refreshClasses() {
    classifyPairs(results_, fdr_->value());
    table_->setSortingEnabled(false);
    for (int row = 0; row < table_->rowCount(); ++row) {
        QTableWidgetItem* item = table_->item(row, Class);
        const PairResult& pair = results_.pairs[static_cast<std::size_t>(item->data(Qt::UserRole).toInt())];
        item->setText(QString::fromUtf8(pairClassText(pair.pairClass).data()));
    }
    table_->setSortingEnabled(true);
    showSummary();
    heatMap_->update();
}

void PairsWindow::showSummary() {
    int segregated = 0, aggregated = 0, untestable = 0;
    for (const PairResult& pair : results_.pairs) {
        segregated += pair.pairClass == PairClass::Segregated;
        aggregated += pair.pairClass == PairClass::Aggregated;
        untestable += pair.pairClass == PairClass::Untestable;
    }
    summary_->setText(QStringLiteral("%1 pairs: %2 segregated, %3 aggregated, %4 untestable. "
                                     "%5 samples, burn-in %6, thinning %7, seed %8.")
                          .arg(results_.pairs.size())
                          .arg(segregated)
                          .arg(aggregated)
                          .arg(untestable)
                          .arg(settings_.samples)
                          .arg(results_.lengths.burnIn)
                          .arg(results_.lengths.thin)
                          .arg(settings_.seed));
}

void PairsWindow::saveTable(const QString& path) {
    if (path.isEmpty()) return;
    try {
        writeResultsFile(path.toStdString(), pairsCsv(results_, names_));
    } catch (const std::exception&) {
        showError(this, QStringLiteral("Error 09: invalid file name"));
    }
}

void PairsWindow::saveChart(const QString& path) {
    if (path.isEmpty()) return;
    const QSize size = charts::heatMapSize(names_.size());
    try {
        charts::savePainting(
            [&](QPainter& painter) {
                charts::drawPairHeatMap(painter, QRectF(QPointF(8, 8), QSizeF(size) - QSizeF(16, 16)), results_, names_,
                                        fdr_->value());
            },
            path, size);
    } catch (const std::exception&) {
        showError(this, QStringLiteral("Error 09: invalid file name"));
    }
}

void PairsWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (mainWindow_) mainWindow_->show();
}

}  // namespace kelpo::ui
