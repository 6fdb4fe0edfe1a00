#include "ui/analysis_run.h"

#include <QMetaObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "engine/run.h"
#include "results/results_window.h"
#include "ui/progress_window.h"
#include "widgets/centre_on.h"
#include "widgets/wait_cursor.h"

namespace kelpo::ui {

namespace {

// At most this often the progress window is redrawn.
constexpr std::chrono::milliseconds kRefreshPause{50};

// One run: shows the progress window, runs the engine on a worker thread and ends in
// the report or in the one handler. Deletes itself at the end. It is the main window's
// child, so a main window destroyed mid-run cancels the run and waits for the worker.
class AnalysisRun : public QObject {
public:
    AnalysisRun(QWidget* mainWindow, PresenceMatrix matrix, AnalysisSettings settings, ReportChoices choices)
        : QObject(mainWindow),
          mainWindow_(mainWindow),
          matrix_(std::move(matrix)),
          settings_(std::move(settings)),
          choices_(std::move(choices)),
          control_([this](const ProgressState& state) { onStep(state); }) {}

    ~AnalysisRun() override {
        control_.requestCancel();
        if (worker_.joinable()) worker_.join();
        unloadProgress();
    }

    AnalysisRun(const AnalysisRun&) = delete;
    AnalysisRun& operator=(const AnalysisRun&) = delete;

    void start() {
        // The busy pointer rather than the hourglass: the progress window's Cancel must
        // still look clickable while the engine works.
        cursor_.emplace(Qt::BusyCursor);
        progress_ = std::make_unique<ProgressWindow>();
        connect(progress_.get(), &ProgressWindow::cancelRequested, this, [this] { control_.requestCancel(); });
        if (mainWindow_) {
            centreOn(*progress_, *mainWindow_);  // it has no owner, so nothing else places it
            mainWindow_->hide();
        }
        progress_->show();
        worker_ = std::jthread([this] { work(); });
    }

private:
    // Worker thread: only the engine, the progress slot and posting to the GUI thread.
    void work() {
        std::optional<AnalysisResults> results;
        try {
            results = runAnalysis(matrix_, settings_, RunOptions{}, control_);
        } catch (...) {
            // A cancel or any error: the GUI thread's handler recovers quietly.
        }
        QMetaObject::invokeMethod(
            this, [this, results = std::move(results)]() mutable { finish(std::move(results)); },
            Qt::QueuedConnection);
    }

    // Worker threads. Keeps the newest state and posts only when no delivery is pending,
    // so a fast engine never floods the event queue.
    void onStep(const ProgressState& state) {
        {
            const std::lock_guard lock(progressMutex_);
            // Workers report their steps out of order; the display never goes back.
            if (state.stepsDone < latest_.stepsDone) return;
            latest_ = state;
        }
        if (!progressPosted_.exchange(true)) {
            QMetaObject::invokeMethod(this, [this] { deliverProgress(); }, Qt::QueuedConnection);
        }
    }

    std::int32_t latestSteps() {
        const std::lock_guard lock(progressMutex_);
        return latest_.stepsDone;
    }

    // GUI thread. The pending mark stays set for a short pause after each display, so
    // thousands of quick steps cost a few redraws a second, not one each; the pause
    // then catches up with the newest state, which is therefore never shown late.
    void deliverProgress() {
        ProgressState state;
        {
            const std::lock_guard lock(progressMutex_);
            state = latest_;
        }
        if (ended_ || !progress_) return;
        try {
            progress_->showProgress(state);
        } catch (const std::exception&) {
            // The percentage overflowed: the run ends like any other error.
            control_.requestCancel();
            endWithoutReport();
            return;
        }
        shownSteps_ = state.stepsDone;
        QTimer::singleShot(kRefreshPause, this, [this] { endRefreshPause(); });
    }

    void endRefreshPause() {
        if (latestSteps() != shownSteps_) {
            deliverProgress();
            return;
        }
        progressPosted_.store(false);
        // A step stored just before the mark was cleared saw it set and did not post.
        if (latestSteps() != shownSteps_ && !progressPosted_.exchange(true)) deliverProgress();
    }

    void finish(std::optional<AnalysisResults> results) {
        // The worker has posted its last message; joining only waits for its return.
        worker_.join();
        if (!ended_) {
            if (results) {
                showReport(*results);
            } else {
                endWithoutReport();
            }
        }
        deleteLater();
    }

    void showReport(const AnalysisResults& results) {
        unloadProgress();
        std::string report;
        try {
            report = buildReport(results, settings_, choices_);
        } catch (const std::exception&) {
            endWithoutReport();
            return;
        }
        // Top-level without owner; it deletes itself when closed and then shows the main window.
        auto* window = new ResultsWindow(mainWindow_);
        window->setReport(report);
        window->setCharts(results, QString::fromStdString(choices_.statisticText));
        window->show();
        restoreCursor();
        ended_ = true;
    }

    // The run's one handler: no message, no report.
    void endWithoutReport() {
        unloadProgress();
        restoreCursor();
        if (mainWindow_) mainWindow_->show();
        ended_ = true;
    }

    void unloadProgress() {
        if (!progress_) return;
        progress_->unload();
        progress_.reset();
    }

    void restoreCursor() { cursor_.reset(); }

    QPointer<QWidget> mainWindow_;
    const PresenceMatrix matrix_;
    const AnalysisSettings settings_;
    const ReportChoices choices_;
    RunControl control_;
    std::unique_ptr<ProgressWindow> progress_;
    std::mutex progressMutex_;
    ProgressState latest_;
    std::atomic<bool> progressPosted_{false};
    std::int32_t shownSteps_ = 0;  // GUI thread only
    std::optional<WaitCursor> cursor_;  // the hourglass while the run is on, released on every path
    bool ended_ = false;
    std::jthread worker_;  // declared last: joined before the state it reads goes away
};

}  // namespace

void startAnalysisRun(QWidget* mainWindow, PresenceMatrix matrix, AnalysisSettings settings, ReportChoices choices) {
    settings.applyRunDefaults();
    auto* run = new AnalysisRun(mainWindow, std::move(matrix), std::move(settings), std::move(choices));
    run->start();
}

}  // namespace kelpo::ui
