#include "transcript_lines.h"

#include <algorithm>

#include "normalize_name.h"
#include "transcript.h"

std::uint32_t TranscriptLines::PeerId(std::string_view asSent)
{
    if (asSent.empty())
        return 0;
    // Lines of one conversation come in runs: the last name, as it came, is
    // tried first, and a run normalises it once.
    if (asSent == lastPeerAsSent_)
        return lastPeer_;
    const std::string key = NormalizeName(asSent);
    std::uint32_t id = 0;
    if (const auto found = peerIds_.find(key); found != peerIds_.end()) {
        id = found->second;
    } else if (!key.empty()) {
        id = static_cast<std::uint32_t>(peers_.size());
        peers_.push_back(key);
        peerIds_.emplace(key, id);
    }
    lastPeerAsSent_.assign(asSent);
    lastPeer_ = id;
    return id;
}

void TranscriptLines::Add(const TranscriptLine& line, const std::vector<LineLink>& links)
{
    if (line.kind == LineKind::Incoming)
        lastSender_ = peers_[line.peer];
    if (!links.empty())
        links_[lines_.size()] = links;
    // Room for many records at once, as for the text (OutputBuffer::Append).
    constexpr std::size_t kSmallRoom = std::size_t{1} << 11;
    constexpr std::size_t kChunk = std::size_t{1} << 18;
    if (lines_.size() == lines_.capacity() && lines_.size() >= kSmallRoom && lines_.capacity() < kChunk)
        lines_.reserve(kChunk);
    lines_.push_back(line);
    if (lines_.capacity() >= kChunk)
        pagesAhead_.Written(lines_.data(), lines_.size() * sizeof(TranscriptLine), lines_.capacity() * sizeof(TranscriptLine));
}

void TranscriptLines::Clear()
{
    lines_.clear();
    links_.clear();
}

const TranscriptLine* TranscriptLines::RecordAt(std::size_t offset) const
{
    const auto after = std::upper_bound(lines_.begin(), lines_.end(), offset,
                                        [](std::size_t at, const TranscriptLine& line) { return at < line.offset; });
    return after == lines_.begin() ? nullptr : &*(after - 1);
}

const std::vector<LineLink>* TranscriptLines::LinksAt(std::size_t offset) const
{
    if (links_.empty())
        return nullptr;
    const auto after = std::upper_bound(lines_.begin(), lines_.end(), offset,
                                        [](std::size_t at, const TranscriptLine& line) { return at < line.offset; });
    if (after == lines_.begin())
        return nullptr;
    const auto found = links_.find(static_cast<std::size_t>(after - lines_.begin()) - 1);
    return found != links_.end() ? &found->second : nullptr;
}

namespace {

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Where `word` starts in text at or after `from`, without regard to ASCII case.
std::size_t FindFolded(std::string_view text, std::string_view word, std::size_t from)
{
    // A word that starts with no letter ("<a ", "</a") is looked for by its
    // first byte: most lines hold none, and memchr passes them at once.
    const bool firstIsLetter = word.front() >= 'a' && word.front() <= 'z';
    for (std::size_t i = from; i + word.size() <= text.size(); ++i) {
        if (!firstIsLetter) {
            i = text.find(word.front(), i);
            if (i == std::string_view::npos || i + word.size() > text.size())
                return std::string_view::npos;
        }
        std::size_t k = 0;
        while (k < word.size() && Lower(text[i + k]) == word[k])
            ++k;
        if (k == word.size())
            return i;
    }
    return std::string_view::npos;
}

// The value of the href attribute inside a tag's text, quoted or not.
std::string HrefOf(std::string_view tag)
{
    std::size_t at = FindFolded(tag, "href", 0);
    if (at == std::string_view::npos)
        return {};
    at += 4;
    while (at < tag.size() && tag[at] == ' ')
        ++at;
    if (at >= tag.size() || tag[at] != '=')
        return {};
    ++at;
    while (at < tag.size() && tag[at] == ' ')
        ++at;
    if (at < tag.size() && (tag[at] == '"' || tag[at] == '\'')) {
        const std::size_t close = tag.find(tag[at], at + 1);
        return std::string(tag.substr(at + 1, close == std::string_view::npos ? std::string_view::npos : close - at - 1));
    }
    const std::size_t end = std::min(tag.find(' ', at), tag.size());
    return std::string(tag.substr(at, end - at));
}

}  // namespace

std::vector<LineLink> MarkupLinks(std::string_view markup)
{
    std::vector<LineLink> links;
    std::size_t at = 0;
    while ((at = FindFolded(markup, "<a ", at)) != std::string_view::npos) {
        const std::size_t close = markup.find('>', at);
        if (close == std::string_view::npos)
            break;
        std::string url = HrefOf(markup.substr(at + 3, close - at - 3));
        std::size_t end = FindFolded(markup, "</a", close + 1);
        if (end == std::string_view::npos)
            end = markup.size();
        std::string label = StripMarkup(markup.substr(close + 1, end - close - 1));
        if (!url.empty() && !label.empty())
            links.push_back({std::move(label), std::move(url)});
        at = end;
    }
    return links;
}
