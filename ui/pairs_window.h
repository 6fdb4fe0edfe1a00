// The species-pairs window: the pairwise test's table (sortable) and heat map, the false
// discovery rate that classes the pairs, and saving the table as CSV and the map as PNG or SVG.
#pragma once

#include <QPointer>
#include <QWidget>
#include <string>
#include <vector>

#include "engine/pairwise_test.h"

class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableWidget;

namespace kelpo::ui {

// A top-level window without owner that deletes itself when closed.
class PairsWindow : public QWidget {
    Q_OBJECT

public:
    // mainWindow is shown again when this window closes (nothing happens if it is gone).
    PairsWindow(QWidget* mainWindow, PairwiseResults results, std::vector<std::string> names,
                PairwiseSettings settings);

    const PairwiseResults& results() const { return results_; }
    // Writes the table as CSV; a message box on failure, and the window keeps its table.
    void saveTable(const QString& path);
    // Writes the heat map as SVG (path ending .svg) or PNG; a message box on failure.
    void saveChart(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void fillTable();
    void refreshClasses();
    void showSummary();

    QPointer<QWidget> mainWindow_;
    PairwiseResults results_;
    const std::vector<std::string> names_;
    const PairwiseSettings settings_;
    QTabWidget* tabs_;
    QTableWidget* table_;
    QDoubleSpinBox* fdr_;
    QLabel* summary_;
    QWidget* heatMap_;
    QPushButton* saveTable_;
    QPushButton* saveChart_;
    QPushButton* close_;
    QPushButton* help_;
};

}  // namespace kelpo::ui
