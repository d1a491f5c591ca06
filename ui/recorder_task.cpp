#include "ui/recorder_task.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QThread>

#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kestrom::ui {

// Prompts of the worker: each call is run by the window's prompts on the context's thread while
// the worker waits. Once silenced, open and later calls return at once with their fallback and
// nothing is shown; a call already queued on the window's thread is dropped when its turn comes.
class RecorderTask::ForwardedPrompts final : public Prompts {
public:
    ForwardedPrompts(Prompts& target, QObject& context) : target_(target), context_(context) {}

    Answer showMessage(Message text, Message caption, Buttons buttons) override {
        Prompts& target = target_;
        return ask<Answer>([&target, text, caption,
                            buttons] { return target.showMessage(text, caption, buttons); },
                           Answer::Cancel);
    }
    void showError(const std::string& text) override {
        Prompts& target = target_;
        ask<bool>(
            [&target, text] {
                target.showError(text);
                return true;
            },
            false);
    }
    std::optional<std::string> askFileName(FileDialog dialog) override {
        Prompts& target = target_;
        return ask<std::optional<std::string>>(
            [&target, dialog] { return target.askFileName(dialog); }, std::nullopt);
    }
    Language language() const override {
        Prompts& target = target_;
        return ask<Language>([&target] { return target.language(); }, kPolish);
    }

    void silence(bool on) {
        {
            const std::lock_guard lock(shared_->mutex);
            shared_->silenced = on;
        }
        shared_->answered.notify_all();
    }

private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable answered;
        bool silenced = false;
    };

    template <typename R> R ask(std::function<R()> call, R fallback) const {
        if (QThread::currentThread() == context_.thread()) {
            return call();
        }
        struct Reply {
            std::optional<R> value;
            bool dropped = false; // the worker stopped waiting for it
        };
        auto reply = std::make_shared<Reply>();
        std::shared_ptr<Shared> shared = shared_;
        {
            const std::lock_guard lock(shared->mutex);
            if (shared->silenced) {
                return fallback;
            }
        }
        QMetaObject::invokeMethod(
            &context_,
            [reply, shared, call = std::move(call)] {
                {
                    const std::lock_guard lock(shared->mutex);
                    if (reply->dropped || shared->silenced) {
                        return;
                    }
                }
                // Not under the lock: a message box runs its own event loop.
                R value = call();
                {
                    const std::lock_guard lock(shared->mutex);
                    reply->value = std::move(value);
                }
                shared->answered.notify_all();
            },
            Qt::QueuedConnection);
        std::unique_lock lock(shared->mutex);
        shared->answered.wait(lock, [&] { return reply->value.has_value() || shared->silenced; });
        if (!reply->value) {
            reply->dropped = true;
            return fallback;
        }
        return std::move(*reply->value);
    }

    Prompts& target_;
    QObject& context_;
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
};

RecorderTask::RecorderTask(Prompts& prompts, QObject* parent)
    : QObject(parent), prompts_(std::make_unique<ForwardedPrompts>(prompts, *this)) {}

RecorderTask::~RecorderTask() {
    // Whoever followed the task may be half gone already.
    blockSignals(true);
    abandon();
}

bool RecorderTask::start(Work work, std::function<void()> done) {
    if (running_) {
        return false;
    }
    cancelled_ = false;
    prompts_->silence(false);
    running_ = true;
    done_ = std::move(done);
    const unsigned generation = ++generation_;
    emit runningChanged(true);
    worker_ = std::thread([this, work = std::move(work), generation] {
        try {
            work(*prompts_);
        } catch (const std::exception& error) {
            // Shown as the toolkit shows an error the program did not check for itself.
            prompts_->showError(error.what());
        }
        QMetaObject::invokeMethod(
            this, [this, generation] { finish(generation); }, Qt::QueuedConnection);
    });
    return true;
}

bool RecorderTask::run(Work work) {
    bool finished = false;
    if (!start(std::move(work), [&finished] { finished = true; })) {
        return false;
    }
    QEventLoop loop;
    connect(this, &RecorderTask::runningChanged, &loop, [&loop](bool on) {
        if (!on) {
            loop.quit();
        }
    });
    loop.exec();
    return finished;
}

void RecorderTask::post(std::function<void()> f) {
    const unsigned generation = generation_;
    QMetaObject::invokeMethod(
        this,
        [this, generation, f = std::move(f)] {
            if (generation == generation_) {
                f();
            }
        },
        Qt::QueuedConnection);
}

void RecorderTask::finish(unsigned generation) {
    if (generation != generation_ || !running_) {
        return; // abandoned meanwhile
    }
    worker_.join();
    running_ = false;
    const std::function<void()> done = std::exchange(done_, nullptr);
    if (done) {
        done();
    }
    emit runningChanged(false);
}

void RecorderTask::abandon() {
    if (!running_) {
        return;
    }
    cancelled_ = true;
    prompts_->silence(true);
    worker_.join();
    running_ = false;
    done_ = nullptr;
    ++generation_;
    emit runningChanged(false);
}

DownloadView postedView(const DownloadView& view, RecorderTask& task) {
    RecorderTask* t = &task;
    DownloadView posted;
    if (view.showBusy) {
        posted.showBusy = [t, f = view.showBusy](bool shown) { t->post([f, shown] { f(shown); }); };
    }
    if (view.transferStarting) {
        posted.transferStarting = [t, f = view.transferStarting] { t->post(f); };
    }
    if (view.showProgress) {
        posted.showProgress = [t, f = view.showProgress](const std::string& text) {
            t->post([f, text] { f(text); });
        };
    }
    if (view.progressBytes) {
        posted.progressBytes = [t, f = view.progressBytes](std::uint32_t received,
                                                           std::uint32_t expected) {
            t->post([f, received, expected] { f(received, expected); });
        };
    }
    if (view.hideProgress) {
        posted.hideProgress = [t, f = view.hideProgress] { t->post(f); };
    }
    if (view.headerReady) {
        posted.headerReady = [t, f = view.headerReady](std::span<const std::uint8_t> image) {
            t->post([f, bytes = std::vector<std::uint8_t>(image.begin(), image.end())] {
                f(std::span<const std::uint8_t>(bytes));
            });
        };
    }
    posted.cancelRequested = [t] { return t->cancelRequested(); };
    return posted;
}

} // namespace kestrom::ui
