#include "ui/progress_run.h"

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
#include <thread>
#include <utility>

#include "ui/progress_window.h"
#include "widgets/centre_on.h"
#include "widgets/wait_cursor.h"

namespace kelpo::ui {

namespace {

// At most this often the progress window is redrawn.
constexpr std::chrono::milliseconds kRefreshPause{50};

// One run: shows the progress window, runs the work on a worker thread and ends in
// its results or in the one handler. Deletes itself at the end.
class ProgressRun : public QObject {
public:
    ProgressRun(QWidget* mainWindow, RunWork work)
        : QObject(mainWindow),
          mainWindow_(mainWindow),
          work_(std::move(work)),
          control_([this](const ProgressState& state) { onStep(state); }) {}

    ~ProgressRun() override {
        control_.requestCancel();
        if (worker_.joinable()) worker_.join();
        unloadProgress();
    }

    ProgressRun(const ProgressRun&) = delete;
    ProgressRun& operator=(const ProgressRun&) = delete;

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
    // Worker thread: only the work, the progress slot and posting to the GUI thread.
    void work() {
        ShowResults show;
        try {
            show = work_(control_);
        } catch (...) {
            // A cancel or any error: the GUI thread's handler recovers quietly.
        }
        QMetaObject::invokeMethod(
            this, [this, show = std::move(show)]() mutable { finish(std::move(show)); }, Qt::QueuedConnection);
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
            endWithoutResults();
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

    void finish(ShowResults show) {
        // The worker has posted its last message; joining only waits for its return.
        worker_.join();
        if (!ended_) {
            if (show) {
                showResults(show);
            } else {
                endWithoutResults();
            }
        }
        deleteLater();
    }

    void showResults(const ShowResults& show) {
        unloadProgress();
        try {
            show(mainWindow_);
        } catch (const std::exception&) {
            endWithoutResults();
            return;
        }
        restoreCursor();
        ended_ = true;
    }

    // The run's one handler: no message, no results.
    void endWithoutResults() {
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
    const RunWork work_;
    RunControl control_;
    std::unique_ptr<ProgressWindow> progress_;
    std::mutex progressMutex_;
    ProgressState latest_;
    std::atomic<bool> progressPosted_{false};
    std::int32_t shownSteps_ = 0;  // GUI thread only
    std::optional<WaitCursor> cursor_;  // the busy pointer while the run is on, released on every path
    bool ended_ = false;
    std::jthread worker_;  // declared last: joined before the state it reads goes away
};

}  // namespace

void startProgressRun(QWidget* mainWindow, RunWork work) {
    auto* run = new ProgressRun(mainWindow, std::move(work));
    run->start();
}

}  // namespace kelpo::ui
