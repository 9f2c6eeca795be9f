#include "frame_pacer.h"

#include <utility>

FramePacer::FramePacer(std::function<void()> update) : update_(std::move(update))
{
    timer_.setSingleShot(true);
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Check(); });
}

void FramePacer::Changed()
{
    changedSinceCheck_ = true;
    if (!timer_.isActive())
        timer_.start();
}

void FramePacer::Updated()
{
    lastUpdate_.start();
}

bool FramePacer::WithinFrame() const
{
    return lastUpdate_.isValid() && lastUpdate_.elapsed() < kFrameMs;
}

void FramePacer::Check()
{
    // Changes came in the turn just run and the last update is recent: look
    // again after the next turn. The timer never waits, so the turn after
    // the last change updates at once.
    if (changedSinceCheck_ && WithinFrame()) {
        changedSinceCheck_ = false;
        timer_.start();
        return;
    }
    changedSinceCheck_ = false;
    lastUpdate_.start();
    update_();
}
