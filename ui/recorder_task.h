#pragma once
// One recorder action at a time on a worker thread, so the window goes on painting and answering
// while the recorder is read or written. The action gets prompts that show every message and
// question on the window's thread and make the worker wait for the answer; what it wants shown
// meanwhile (busy field, progress) is posted to the window's thread in order; a cancel flag stops
// a download at its next transfer read. The action owns the link while it runs: nobody else
// touches it until the action has ended.

#include "core/prompts.h"
#include "device/actions.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace kestrom::ui {

class RecorderTask : public QObject {
    Q_OBJECT
public:
    // Messages of the actions are shown through `prompts` on this object's thread; they must
    // outlive the task.
    explicit RecorderTask(Prompts& prompts, QObject* parent = nullptr);
    // Abandons a running action (see abandon()).
    ~RecorderTask() override;

    using Work = std::function<void(Prompts& prompts)>;

    // Starts work on a worker thread; `done` runs afterwards on this object's thread, unless the
    // action was abandoned. False (nothing started) while another action runs.
    bool start(Work work, std::function<void()> done = {});
    // Starts work and waits for its end while this thread's events go on, for a modal dialog
    // whose caller needs the answer. False when another action runs or this one was abandoned.
    bool run(Work work);
    bool running() const { return running_; }

    // Asks the running download to stop before its next transfer read. Safe from any thread.
    void cancel() { cancelled_ = true; }
    bool cancelRequested() const { return cancelled_; }

    // Runs f on this object's thread soon, after what the action posted before; dropped when the
    // action is abandoned first.
    void post(std::function<void()> f);

    // For a window that closes: cancels the action, answers its open and later questions with
    // Cancel without showing them, waits for the worker and drops `done`. The link is free after.
    void abandon();

signals:
    // An action started (true) or ended (false); controls that would start another follow it.
    void runningChanged(bool running);

private:
    class ForwardedPrompts;

    void finish(unsigned generation);

    std::unique_ptr<ForwardedPrompts> prompts_;
    std::thread worker_;
    std::function<void()> done_;
    std::atomic<bool> cancelled_{false};
    bool running_ = false;
    // Counts the actions; what an abandoned action posted or its end is dropped when it comes.
    std::atomic<unsigned> generation_{0};
};

// The window's callbacks of a download, each posted to the task's thread (in order, copies of
// what they are given), with cancelRequested asking the task. For downloadFlight on the worker.
DownloadView postedView(const DownloadView& view, RecorderTask& task);

} // namespace kestrom::ui
