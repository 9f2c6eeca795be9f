#include "send_pacer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <set>
#include <string_view>

#include <QTimer>

#include "normalize_name.h"
#include "toc_limits.h"

namespace {

constexpr std::string_view kSendIm = "toc_send_im ";
constexpr std::string_view kDeny = "toc_add_deny";

std::int64_t SteadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string_view Word(std::string_view command)
{
    return command.substr(0, command.find(' '));
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
    const std::string_view word = Word(command);
    return word == kDeny || word == "toc_add_permit";
}

bool IsAutomaticReply(std::string_view command)
{
    return command.starts_with(kSendIm) && command.ends_with("\" auto");
}

// The person an IM goes to, normalised; empty for every other command.
std::string PersonOf(std::string_view command)
{
    if (!command.starts_with(kSendIm))
        return {};
    const std::string_view rest = command.substr(kSendIm.size());
    return NormalizeName(rest.substr(0, rest.find(' ')));
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
    if (TocWireLength(last) + TocWireLength(names) > kMaxTocText)
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

std::size_t SendPacer::Waiting() const
{
    return openUnit_.size() + privacy_.size() + waiting_.size();
}

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

int SendPacer::SendOne(const Held& held)
{
    tokens_ -= 1;
    const int result = send_(held.command);
    if (result != -1 && held.onSent)
        held.onSent();
    return result;
}

int SendPacer::Send(std::string command, std::function<void()> onSent)
{
    Refill();
    if (IsPrivacyCommand(command)) {
        Held step{std::move(command), std::move(onSent), {}, 0};
        if (unitDepth_ > 0) {
            if (step.onSent || openUnit_.empty() || openUnit_.back().onSent ||
                !Merge(openUnit_.back().command, step.command))
                openUnit_.push_back(std::move(step));
            return 0;
        }
        std::vector<Held> unit;
        unit.push_back(std::move(step));
        QueuePrivacy(std::move(unit));
        return 0;
    }
    if (paused_)
        return -1;
    Held held{std::move(command), std::move(onSent), {}, 0};
    held.person = PersonOf(held.command);
    if (openUnit_.empty() && privacy_.empty() && waiting_.empty() && tokens_ >= 1)
        return SendOne(held);
    // The same reply to the same person waits once.
    if (!held.person.empty() && std::any_of(waiting_.begin(), waiting_.end(), [&](const Held& other) {
            return other.person == held.person && other.command == held.command;
        }))
        return 0;
    // Only name lists merge; a command told of its sending waits alone.
    if (!held.onSent && !waiting_.empty() && !waiting_.back().onSent && Merge(waiting_.back().command, held.command))
        return 0;
    if (waiting_.size() >= kMaxWaiting)
        return -1;
    // Turns: a person's next reply comes one round after their last one
    // waiting, and nobody's before the round being served.
    held.round = servedRound_;
    for (const Held& other : waiting_) {
        if (!held.person.empty() && other.person == held.person)
            held.round = std::max(held.round, other.round + 1);
    }
    waiting_.push_back(std::move(held));
    ScheduleNext();
    return 0;
}

void SendPacer::EndUnit()
{
    if (--unitDepth_ > 0 || openUnit_.empty())
        return;
    std::vector<Held> steps = std::move(openUnit_);
    openUnit_.clear();
    QueuePrivacy(std::move(steps));
}

void SendPacer::QueuePrivacy(std::vector<Held> steps)
{
    for (Held& step : steps) {
        if (Word(step.command) == kDeny)
            DropSendsTo(step.command);
        if (privacy_.empty() || step.onSent || privacy_.back().onSent || !Merge(privacy_.back().command, step.command))
            privacy_.push_back(std::move(step));
    }
    SendDue();
}

void SendPacer::DropSendsTo(const std::string& denyStep)
{
    std::set<std::string, std::less<>> names;
    std::string_view rest = std::string_view(denyStep).substr(kDeny.size());
    while (!rest.empty()) {
        const std::size_t start = rest.find_first_not_of(' ');
        if (start == std::string_view::npos)
            break;
        rest.remove_prefix(start);
        const std::size_t end = std::min(rest.find(' '), rest.size());
        names.insert(NormalizeName(rest.substr(0, end)));
        rest.remove_prefix(end);
    }
    if (names.empty())
        return;
    std::erase_if(waiting_, [&](const Held& held) { return !held.person.empty() && names.contains(held.person); });
}

void SendPacer::DropAutomaticReplies()
{
    std::erase_if(waiting_, [](const Held& held) { return IsAutomaticReply(held.command); });
    CheckEmptied();
}

bool SendPacer::PrivacyDue() const
{
    // A change waits until the pace allows all its steps (or a full burst,
    // for one larger than a burst), then goes whole.
    return tokens_ >= std::min(static_cast<double>(privacy_.size()), kBurst);
}

std::size_t SendPacer::NextWaiting() const
{
    std::size_t best = 0;
    for (std::size_t i = 1; i < waiting_.size(); ++i) {
        if (waiting_[i].round < waiting_[best].round)
            best = i;
    }
    return best;
}

void SendPacer::SendDue()
{
    Refill();
    if (paused_)
        return;
    const std::uint64_t resets = resets_;
    while (openUnit_.empty()) {
        if (!privacy_.empty()) {
            if (!PrivacyDue())
                break;
            const std::vector<Held> steps = std::move(privacy_);
            privacy_.clear();
            for (const Held& step : steps) {
                SendOne(step);  // a refusal now means the connection went
                if (resets != resets_)
                    return;
            }
            continue;
        }
        if (waiting_.empty() || tokens_ < 1)
            break;
        const std::size_t index = NextWaiting();
        const Held next = std::move(waiting_[index]);
        waiting_.erase(waiting_.begin() + static_cast<std::ptrdiff_t>(index));
        servedRound_ = next.round;
        SendOne(next);  // a refusal now (the connection went) drops it
        if (resets != resets_)
            return;
    }
    ScheduleNext();
    CheckEmptied();
}

void SendPacer::Pause()
{
    paused_ = true;
    waiting_.clear();
    timer_->stop();
    CheckEmptied();
}

void SendPacer::Resume()
{
    paused_ = false;
    tokens_ = kBurst;
    clockRead_ = false;
    SendDue();
}

void SendPacer::Reset()
{
    paused_ = false;
    openUnit_.clear();
    privacy_.clear();
    waiting_.clear();
    timer_->stop();
    tokens_ = kBurst;
    clockRead_ = false;
    servedRound_ = 0;
    ++resets_;
    CheckEmptied();
}

void SendPacer::CheckEmptied()
{
    if (Waiting() == 0 && onEmptied_)
        onEmptied_();
}

void SendPacer::ScheduleNext()
{
    if ((privacy_.empty() && waiting_.empty()) || timer_->isActive())
        return;
    const double needed = privacy_.empty() ? 1 : std::min(static_cast<double>(privacy_.size()), kBurst);
    const double missing = std::max(0.0, needed - tokens_);
    timer_->start(static_cast<int>(std::ceil(missing * static_cast<double>(kIntervalMs))));
}
