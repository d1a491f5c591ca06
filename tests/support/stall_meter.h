// The longest time the window's event loop went without running a 5 ms timer: how long the window
// could not paint or answer.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>

namespace kestrom::test {

class StallMeter {
public:
    StallMeter() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
        clock_.start();
        timer_.start();
    }
    void tick() {
        const qint64 now = clock_.elapsed();
        worst_ = std::max(worst_, now - last_);
        last_ = now;
    }
    qint64 worstMs() {
        tick();
        return worst_;
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 worst_ = 0;
};

// The longest stall a window test allows: 50 ms in an optimised build; an unoptimised build gets
// the room its test names, and the sanitizer build, several times slower again, 3 s.
constexpr qint64 stallBoundMs([[maybe_unused]] qint64 unoptimisedMs) {
#if defined(__SANITIZE_ADDRESS__)
    return 3000;
#elif defined(NDEBUG)
    return 50;
#else
    return unoptimisedMs;
#endif
}

} // namespace kestrom::test
