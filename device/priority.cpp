#include "device/priority.h"

#include <cerrno>
#include <sys/resource.h>

namespace kestrom {
namespace {
constexpr int kHighestNice = -20;
}

PriorityBoost::PriorityBoost() {
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, 0);
    if (current == -1 && errno != 0) {
        return;
    }
    previousNice_ = current;
    // Not permitted for ordinary users without the capability: then the transfer runs as it is.
    raised_ = current != kHighestNice && setpriority(PRIO_PROCESS, 0, kHighestNice) == 0;
}

PriorityBoost::~PriorityBoost() { restore(); }

void PriorityBoost::restore() {
    if (raised_) {
        setpriority(PRIO_PROCESS, 0, previousNice_);
        raised_ = false;
    }
}

} // namespace kestrom
