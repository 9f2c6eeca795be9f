#include "answer_watch.h"

#include <chrono>

namespace {
// The most of the host name quoted back in "No answer from ...".
constexpr std::size_t kMaxShownHost = 1024;
}  // namespace

AnswerWatch::AnswerWatch()
    : clockMs_([] {
          return std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::now().time_since_epoch())
              .count();
      })
{
}

void AnswerWatch::Started(std::string_view host, int port)
{
    waiting_ = true;
    host_ = host.substr(0, kMaxShownHost);
    port_ = port;
    startedMs_ = clockMs_();
}

std::string AnswerWatch::Ended(int timeLimitMs)
{
    if (!waiting_)
        return {};
    waiting_ = false;
    // The limit runs from the TCP connect, which comes after TOC_Establish.
    if (clockMs_() - startedMs_ < timeLimitMs)
        return {};
    return "No answer from " + host_ + " port " + std::to_string(port_) + ".";
}
