#pragma once
// Raises the scheduling priority of the calling thread for the time of a transfer, where the
// system permits it, and puts the earlier priority back when destroyed or restored.

namespace kestrom {

class PriorityBoost {
public:
    // Tries the highest priority; silently keeps the current one when not permitted.
    PriorityBoost();
    ~PriorityBoost();
    PriorityBoost(const PriorityBoost&) = delete;
    PriorityBoost& operator=(const PriorityBoost&) = delete;

    // Puts the earlier priority back now (only once; later calls do nothing).
    void restore();

    // Whether the raise took effect.
    bool raised() const { return raised_; }

private:
    int previousNice_ = 0;
    bool raised_ = false;
};

} // namespace kestrom
