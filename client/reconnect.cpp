#include "reconnect.h"

#include <utility>

#include <QTimer>

namespace {

// One single-shot wait at a time per timer: a new start replaces the old action.
void StartWait(QTimer& timer, int delayMs, std::function<void()> action)
{
    timer.stop();
    timer.disconnect();
    QObject::connect(&timer, &QTimer::timeout, std::move(action));
    timer.start(delayMs);
}

}  // namespace

Reconnect::Reconnect() : afterDropWait_(std::make_unique<QTimer>()), afterCommandWait_(std::make_unique<QTimer>())
{
    afterDropWait_->setSingleShot(true);
    afterCommandWait_->setSingleShot(true);
}

Reconnect::~Reconnect() = default;

void Reconnect::AfterDrop(std::function<void()> connect)
{
    if (automatic_)
        StartWait(*afterDropWait_, afterDropDelayMs_, std::move(connect));
}

void Reconnect::PauseForCommand()
{
    if (!commandPending_)
        savedAutomatic_ = automatic_;
    automatic_ = false;
    afterDropWait_->stop();
}

void Reconnect::AfterCommand(std::function<void()> connect)
{
    if (commandPending_)
        return;
    commandPending_ = true;
    StartWait(*afterCommandWait_, afterCommandDelayMs_, [this, connect = std::move(connect)] {
        automatic_ = savedAutomatic_;
        commandPending_ = false;
        connect();
    });
}

void Reconnect::CancelForNewConnection()
{
    afterDropWait_->stop();
    if (commandPending_) {
        afterCommandWait_->stop();
        automatic_ = savedAutomatic_;
        commandPending_ = false;
    }
}

void Reconnect::Stop()
{
    afterDropWait_->stop();
    afterCommandWait_->stop();
    commandPending_ = false;
}
