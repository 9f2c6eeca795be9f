#include "reconnect.h"

#include <algorithm>
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

Reconnect::Reconnect()
    : nextTryWait_(std::make_unique<QTimer>()),
      judgeWait_(std::make_unique<QTimer>()),
      afterCommandWait_(std::make_unique<QTimer>())
{
    nextTryWait_->setSingleShot(true);
    judgeWait_->setSingleShot(true);
    afterCommandWait_->setSingleShot(true);
}

Reconnect::~Reconnect() = default;

void Reconnect::SetRetryDelaysMs(std::vector<int> delays)
{
    if (!delays.empty())
        retryDelaysMs_ = std::move(delays);
}

int Reconnect::DelayBeforeTryMs(int tryNumber) const
{
    const auto index = static_cast<std::size_t>(std::max(tryNumber, 1) - 1);
    return std::max(0, retryDelaysMs_[std::min(index, retryDelaysMs_.size() - 1)]);
}

int Reconnect::WaitForNextTry(std::function<void()> tryNow)
{
    reconnecting_ = true;
    tryUnderWay_ = false;
    judgeWait_->stop();
    const int delayMs = DelayBeforeTryMs(tries_ + 1);
    StartWait(*nextTryWait_, delayMs, std::move(tryNow));
    return delayMs;
}

void Reconnect::JudgeLater(std::function<void()> judge)
{
    StartWait(*judgeWait_, 0, std::move(judge));
}

void Reconnect::EndTries()
{
    nextTryWait_->stop();
    judgeWait_->stop();
    reconnecting_ = false;
    tryUnderWay_ = false;
    tries_ = 0;
}

void Reconnect::PauseForCommand()
{
    if (!commandPending_)
        savedAutomatic_ = automatic_;
    automatic_ = false;
    EndTries();
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
    EndTries();
    if (commandPending_) {
        afterCommandWait_->stop();
        automatic_ = savedAutomatic_;
        commandPending_ = false;
    }
}

void Reconnect::Stop()
{
    EndTries();
    afterCommandWait_->stop();
    commandPending_ = false;
}
