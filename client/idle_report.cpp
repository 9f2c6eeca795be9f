#include "idle_report.h"

std::string IdleReport::Check()
{
    const std::int64_t idle = source_ ? source_() : -1;
    if (told_) {
        if (!enabled_ || (idle >= 0 && idle < thresholdSeconds_)) {
            told_ = false;
            return "toc_set_idle 0";
        }
        return {};
    }
    if (enabled_ && idle >= thresholdSeconds_) {
        told_ = true;
        return "toc_set_idle " + std::to_string(idle);
    }
    return {};
}
