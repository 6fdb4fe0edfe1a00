#include "ui/progress_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelpo::ui {

namespace {

const QString kEndingText = QStringLiteral("Ending Simulation...");

}  // namespace

ProgressBarBox::ProgressBarBox(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("pbxProgressBar"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setFixedHeight(22);
}

void ProgressBarBox::setSteps(std::int32_t stepsDone, std::int32_t stepTotal) {
    stepsDone_ = stepsDone;
    stepTotal_ = stepTotal;
    update();
}

void ProgressBarBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRectF inside = contentsRect();
    painter.fillRect(inside, backgroundColour());
    // The box spans S units; a count past S is not drawn, like a bar that cannot grow further.
    if (stepTotal_ <= 0 || stepsDone_ <= 0 || stepsDone_ > stepTotal_) return;
    const double filled = inside.width() * static_cast<double>(stepsDone_) / static_cast<double>(stepTotal_);
    painter.fillRect(QRectF(inside.left(), inside.top(), filled, inside.height()), barColour());
}

ProgressWindow::ProgressWindow()
    : pbx2_(new QLabel(this)),
      cmdCancel_(new QPushButton(QStringLiteral("Cancel"), this)),
      pbxProgressBar_(new ProgressBarBox(this)),
      pbx1_(new QLabel(this)) {
    setObjectName(QStringLiteral("frmProgress"));
    // Unloaded while the main window is hidden and before the results window shows:
    // that moment must not count as the last window closing.
    setAttribute(Qt::WA_QuitOnClose, false);
    pbx2_->setObjectName(QStringLiteral("pbx2"));
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    pbx1_->setObjectName(QStringLiteral("pbx1"));

    // Before the first step there is nothing to count yet.
    setWindowTitle(QStringLiteral("Kelpo Progress... P-Value"));
    pbx2_->setText(QStringLiteral("Calculating-P-Value..."));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(pbx1_, 1);
    bottom->addWidget(cmdCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pbx2_);
    layout->addWidget(pbxProgressBar_);
    layout->addLayout(bottom);

    setFixedWidth(kDesignedWidth);
    setFixedHeight(sizeHint().height());
    connect(cmdCancel_, &QPushButton::clicked, this, &ProgressWindow::cmdCancel_Click);
}

void ProgressWindow::showProgress(const ProgressState& state) {
    // Once Cancel was clicked its text stays: the run is ending, the estimate no longer matters.
    if (!cancelClicked_) {
        pbx1_->setText(
            QString::fromStdString(remainingTimeText(state.elapsedSeconds, state.stepsDone, state.stepTotal)));
    }
    setWindowTitle(QString::fromStdString(progressCaption(state.stepsDone, state.stepTotal)));
    pbx2_->setText(QString::fromStdString(simulationLine(state.stepsDone, state.stepTotal)));
    pbxProgressBar_->setSteps(state.stepsDone, state.stepTotal);
}

void ProgressWindow::unload() {
    unloading_ = true;
    close();
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    // Only the run itself may close this window; its title bar close box does nothing.
    if (!unloading_) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void ProgressWindow::cmdCancel_Click() {
    cmdCancel_->setEnabled(false);
    cancelClicked_ = true;
    pbx1_->setText(kEndingText);
    emit cancelRequested();
}

}  // namespace kelpo::ui
