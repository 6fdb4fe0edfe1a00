#include "ui/advanced_dialog.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHideEvent>
#include <QEventLoop>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/numbers.h"
#include "widgets/button_row.h"
#include "widgets/message_box.h"
#include "widgets/select_all_line_edit.h"

namespace kelpo::ui {

namespace {

const QString kError10 = QStringLiteral("Error 10: Number of iterations must be an integer greater than 0.");
const QString kWarning11 = QStringLiteral(
    "Warning: Simulating with fewer than 100 iterations may yield unreliable results. Continue? (Error 11)");
const QString kError12 = QStringLiteral("Error 12: Random seed must be an integer greater than 0");
const QString kWarning13 = QStringLiteral(
    "Warning: Fewer than 25000 iterations for the hypothesis test may yield unreliable results. Continue? (Error 13)");

constexpr double kFewMatricesPerDistribution = 100;
constexpr double kFewIterations = 25000;
// The largest total whose stored tenth, times ten, still fits 32 bits: the report and
// this dialog print that product.
constexpr double kMaxIterationTotal = 2147483640;

// A value refused instead of overflowing when it is stored as a 32-bit whole number.
bool fitsWholeNumber(double value) {
    const double rounded = std::nearbyint(value);
    return rounded >= -2147483648.0 && rounded <= 2147483647.0;
}

double numberIn(const QLineEdit* box) { return leadingNumber(box->text().toStdString()); }

// The widest number the boxes take: the largest total of iterations, ten digits.
const QString kWidestNumber = QStringLiteral("2147483640");

QLineEdit* numberBox(QWidget* parent, const char* name, const char* designText) {
    auto* box = new SelectAllLineEdit(QString::fromLatin1(designText), parent);
    box->setObjectName(QString::fromLatin1(name));
    // Room for the widest number plus a digit's breadth each side for the frame and margins.
    const QFontMetrics metrics = box->fontMetrics();
    box->setFixedWidth(metrics.horizontalAdvance(kWidestNumber) + 2 * metrics.horizontalAdvance(QLatin1Char('0')));
    return box;
}

QGroupBox* group(QWidget* parent, const QString& title, const QString& firstLabel, QLineEdit* first,
                 const QString& secondLabel, QLineEdit* second) {
    auto* box = new QGroupBox(title, parent);
    auto* form = new QFormLayout(box);
    form->addRow(new QLabel(firstLabel, box), first);
    form->addRow(new QLabel(secondLabel, box), second);
    return box;
}

// The two groups lay out apart; one label width for both puts all boxes in one column.
void alignLabels(const QWidget& dialog) {
    const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
    int widest = 0;
    for (const QLabel* label : labels) widest = std::max(widest, label->sizeHint().width());
    for (QLabel* label : labels) label->setMinimumWidth(widest);
}

}  // namespace

AdvancedDialog::AdvancedDialog(QWidget* owner, AnalysisSettings& settings)
    : QDialog(owner),
      settings_(settings),
      txt1_(numberBox(this, "txt1", "100")),
      txt2_(numberBox(this, "txt2", "0")),
      txt3_(numberBox(this, "txt3", "100000")),
      txt4_(numberBox(this, "txt4", "0")),
      cmdOK_(new QPushButton(QStringLiteral("OK"), this)),
      cmdCancel_(new QPushButton(QStringLiteral("Cancel"), this)) {
    setObjectName(QStringLiteral("frmAdvanced"));
    setWindowTitle(QStringLiteral("Kelpo -- Options"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Once it has left its owner it must still go with it: it writes the owner's settings.
    if (owner) connect(owner, &QObject::destroyed, this, [this] { delete this; });
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    cmdOK_->setDefault(true);

    QHBoxLayout* buttons = buttonRow({cmdOK_, cmdCancel_});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group(this, QStringLiteral("Hypothesis Test"), QStringLiteral("Number of Iterations:"), txt3_,
                            QStringLiteral("Random Seed:"), txt4_));
    layout->addWidget(group(this, QStringLiteral("Simulated Matrices"), QStringLiteral("Number per Distribution:"),
                            txt1_, QStringLiteral("Random Seed:"), txt2_));
    layout->addLayout(buttons);
    alignLabels(*this);
    // The designed width, unless the labels need more in the system font.
    setFixedSize(std::max(kDesignedWidth, sizeHint().width()), sizeHint().height());

    // The order on screen: the hypothesis test's boxes come first.
    setTabOrder(txt3_, txt4_);
    setTabOrder(txt4_, txt1_);
    setTabOrder(txt1_, txt2_);
    setTabOrder(txt2_, cmdOK_);
    setTabOrder(cmdOK_, cmdCancel_);
    connect(cmdOK_, &QPushButton::clicked, this, &AdvancedDialog::cmdOK_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);
    Form_Load();
}

void AdvancedDialog::Form_Load() {
    // A stored 0 means "the default": the box keeps its design text.
    if (settings_.matricesPerDistribution != 0) txt1_->setText(QString::number(settings_.matricesPerDistribution));
    if (settings_.simulationSeed != 0) txt2_->setText(QString::number(settings_.simulationSeed));
    if (settings_.iterations != 0) txt3_->setText(QString::number(std::int64_t{settings_.iterations} * 10));
    if (settings_.testSeed != 0) txt4_->setText(QString::number(settings_.testSeed));
}

AdvancedDialog::Numbers AdvancedDialog::readNumbers() const {
    return {numberIn(txt1_), numberIn(txt2_), numberIn(txt3_), numberIn(txt4_)};
}

// The checks in their fixed order; the first refusal or No ends them.
bool AdvancedDialog::accepted(const Numbers& numbers) {
    if (numbers.perDistribution <= 0 || !fitsWholeNumber(numbers.perDistribution)) {
        showError(this, kError10);
        return false;
    }
    if (numbers.perDistribution < kFewMatricesPerDistribution && askYesNo(this, kWarning11) == Answer::No) return false;
    if (numbers.simulationSeed < 0 || !fitsWholeNumber(numbers.simulationSeed)) {
        showError(this, kError12);
        return false;
    }
    if (numbers.iterations <= 0 || numbers.iterations > kMaxIterationTotal) {
        showError(this, kError10);
        return false;
    }
    if (numbers.iterations < kFewIterations && askYesNo(this, kWarning13) == Answer::No) return false;
    if (numbers.testSeed < 0 || !fitsWholeNumber(numbers.testSeed)) {
        showError(this, kError12);
        return false;
    }
    return true;
}

void AdvancedDialog::store(const Numbers& numbers) {
    settings_.matricesPerDistribution = toWholeNumber(numbers.perDistribution);
    settings_.simulationSeed = toWholeNumber(numbers.simulationSeed);
    // The user types the total of the ten replicates; one replicate's share is kept.
    settings_.iterations = toWholeNumber(toWholeNumber(numbers.iterations) / 10.0);
    settings_.testSeed = toWholeNumber(numbers.testSeed);
}

void AdvancedDialog::cmdOK_Click() {
    hide();
    const Numbers numbers = readNumbers();
    if (!accepted(numbers)) {
        // Shown again as the user left it, but neither blocking nor owned by the main
        // window, which the user may now bring to the front to look something up.
        setParent(nullptr, windowFlags());
        setAttribute(Qt::WA_QuitOnClose, false);  // closing the main window still ends the program
        setWindowModality(Qt::NonModal);
        show();
        return;
    }
    store(numbers);
    accept();
}

void AdvancedDialog::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    // A minimised window is hidden by the window system; that does not end the dialog.
    if (!event->spontaneous()) emit hidden();
}

void showAdvancedOptions(QWidget* mainWindow, AnalysisSettings& settings) {
    // Owned by mainWindow and deleted when closed; after a refused OK it outlives this call.
    auto* dialog = new AdvancedDialog(mainWindow, settings);
    QEventLoop loop;
    QObject::connect(dialog, &AdvancedDialog::hidden, &loop, &QEventLoop::quit);
    QObject::connect(dialog, &QObject::destroyed, &loop, &QEventLoop::quit);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    loop.exec(QEventLoop::DialogExec);
}

}  // namespace kelpo::ui
