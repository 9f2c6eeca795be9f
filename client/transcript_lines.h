// What each transcript line is: its kind, the other person (normalised)
// where there is one, and its time, beside where its text begins. The
// transcript's text stays the one copy of the words; a record is a few
// bytes, so a million lines cost a few megabytes more.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pages_ahead.h"

enum class LineKind : std::uint8_t {
    Status,         // the client's "STATUS MESSAGE:" lines
    Plain,          // the client's lines without the label (lists, help)
    Incoming,       // a message from someone
    Outgoing,       // a message the user sent
    AutoIncoming,   // someone's automatic reply
    AutoOutgoing,   // this client's automatic reply (the away message)
    Module,         // a line a user module printed
};

// A link a message carried as markup: the words shown and where they lead.
struct LineLink {
    std::string label;
    std::string url;
};

struct TranscriptLine {
    std::size_t offset = 0;  // where the line begins in the transcript's text
    std::int64_t time = 0;
    std::uint32_t peer = 0;  // 0: nobody
    LineKind kind = LineKind::Status;
};

// A line as it is printed: what the views and the log read.
struct PrintedLine {
    const TranscriptLine& record;
    std::string_view peer;   // normalised, empty for nobody
    std::string_view text;   // the composed line, CR LF included
    const std::vector<LineLink>& links;
};

class TranscriptLines {
public:
    // The id of a name as it came (normalised, so every spelling of one
    // person has one id), given it on first sight; 0 for a name that
    // normalises to "".
    std::uint32_t PeerId(std::string_view asSent);
    const std::string& PeerName(std::uint32_t id) const { return peers_[id]; }

    void Add(const TranscriptLine& line, const std::vector<LineLink>& links);
    // The transcript's text was emptied: its records go (the names and the
    // last sender stay).
    void Clear();
    std::size_t Count() const { return lines_.size(); }
    const TranscriptLine& operator[](std::size_t i) const { return lines_[i]; }
    // The record whose text holds this offset, or nullptr.
    const TranscriptLine* RecordAt(std::size_t offset) const;
    // The links of the record whose text holds this offset, or nullptr.
    const std::vector<LineLink>* LinksAt(std::size_t offset) const;

    // The last person whose own (not automatic) message arrived.
    const std::string& LastSender() const { return lastSender_; }

    // Told of every line after it is in the transcript.
    std::function<void(const PrintedLine&)> onLine;

private:
    std::vector<TranscriptLine> lines_;
    PagesAhead pagesAhead_;  // for lines_
    std::vector<std::string> peers_{std::string()};
    std::unordered_map<std::string, std::uint32_t> peerIds_;
    std::uint32_t lastPeer_ = 0;   // the id PeerId gave last
    std::string lastPeerAsSent_;   // and the name it was given
    // Few lines carry links: kept apart, by record index.
    std::unordered_map<std::size_t, std::vector<LineLink>> links_;
    std::string lastSender_;
};

// The <a href> links of a message's markup, in order; a link without an
// address or without words is left out.
std::vector<LineLink> MarkupLinks(std::string_view markup);
