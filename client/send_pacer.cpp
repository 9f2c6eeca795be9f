#include "send_pacer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string_view>

#include <QTimer>

#include "toc_limits.h"

namespace {

std::int64_t SteadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Commands whose names may be joined into one: each name is one more of the
// same request, and the order among them does not matter.
bool IsNameListCommand(std::string_view word)
{
    return word == "toc_add_deny" || word == "toc_add_permit" || word == "toc_add_buddy" ||
           word == "toc_remove_buddy";
}

bool IsPrivacyCommand(std::string_view command)
{
    const std::string_view word = command.substr(0, command.find(' '));
    return word == "toc_add_deny" || word == "toc_add_permit";
}

std::size_t EscapedLength(std::string_view text)
{
    return text.size() + static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
               return c == '$' || c == '(' || c == ')' || c == '[' || c == ']';
           }));
}

// Appends the names of `next` to `last` when both add (or remove) names with
// the same command and the joined line still fits.
bool Merge(std::string& last, std::string_view next)
{
    const std::size_t blank = next.find(' ');
    if (blank == std::string_view::npos || blank + 1 >= next.size())
        return false;  // no names: "toc_add_deny" alone means something else
    const std::string_view word = next.substr(0, blank);
    if (!IsNameListCommand(word) || !last.starts_with(word) || last.size() <= word.size() ||
        last[word.size()] != ' ')
        return false;
    const std::string_view names = next.substr(blank);
    if (EscapedLength(last) + EscapedLength(names) > kMaxTocText)
        return false;
    last.append(names);
    return true;
}

}  // namespace

SendPacer::SendPacer(Sender send) : send_(std::move(send)), clock_(SteadyMs), timer_(std::make_unique<QTimer>())
{
    timer_->setSingleShot(true);
    QObject::connect(timer_.get(), &QTimer::timeout, [this] { SendDue(); });
}

SendPacer::~SendPacer() = default;

void SendPacer::Refill()
{
    const std::int64_t now = clock_();
    if (!clockRead_ || now < refilledAt_) {
        clockRead_ = true;
        refilledAt_ = now;
        return;
    }
    tokens_ = std::min(kBurst, tokens_ + static_cast<double>(now - refilledAt_) / static_cast<double>(kIntervalMs));
    refilledAt_ = now;
}

int SendPacer::SendOne(const std::string& command, const std::function<void()>& onSent)
{
    tokens_ -= 1;
    const int result = send_(command);
    if (result != -1 && onSent)
        onSent();
    return result;
}

int SendPacer::Send(std::string command, std::function<void()> onSent)
{
    Refill();
    const bool privacy = IsPrivacyCommand(command);
    std::deque<Held>& line = privacy ? privacy_ : waiting_;
    const bool nothingAhead = privacy_.empty() && (privacy || waiting_.empty());
    if (nothingAhead && tokens_ >= 1)
        return SendOne(command, onSent);
    // Only name lists merge; a command told of its sending waits alone.
    if (!onSent && !line.empty() && !line.back().onSent && Merge(line.back().command, command))
        return 0;
    if (!privacy && waiting_.size() >= kMaxWaiting)
        return -1;
    line.push_back({std::move(command), std::move(onSent)});
    ScheduleNext();
    return 0;
}

void SendPacer::SendDue()
{
    Refill();
    while ((!privacy_.empty() || !waiting_.empty()) && tokens_ >= 1) {
        std::deque<Held>& line = !privacy_.empty() ? privacy_ : waiting_;
        const Held next = std::move(line.front());
        line.pop_front();
        SendOne(next.command, next.onSent);  // a refusal now (the connection went) drops it
    }
    ScheduleNext();
}

void SendPacer::Reset()
{
    privacy_.clear();
    waiting_.clear();
    timer_->stop();
    tokens_ = kBurst;
    clockRead_ = false;
}

void SendPacer::ScheduleNext()
{
    if ((privacy_.empty() && waiting_.empty()) || timer_->isActive())
        return;
    const double missing = std::max(0.0, 1 - tokens_);
    timer_->start(static_cast<int>(std::ceil(missing * static_cast<double>(kIntervalMs))));
}
