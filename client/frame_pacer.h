// Paces an expensive view update (layout and paint) to at most once a frame
// while the changes behind it keep coming, without ever holding back the
// last change: a turn of the event loop that brings no change updates at
// once.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <functional>

class FramePacer {
public:
    static constexpr int kFrameMs = 16;

    explicit FramePacer(std::function<void()> update);
    FramePacer(const FramePacer&) = delete;
    FramePacer& operator=(const FramePacer&) = delete;

    // Something changed: the update runs after this turn of the event loop,
    // or later while changes keep coming within a frame of the last update.
    void Changed();
    bool Pending() const { return timer_.isActive(); }
    // The owner brought itself up to date on its own; a frame starts now.
    void Updated();
    // Less than a frame has passed since the last update.
    bool WithinFrame() const;

private:
    void Check();

    std::function<void()> update_;
    QTimer timer_;
    QElapsedTimer lastUpdate_;
    bool changedSinceCheck_ = false;
};
