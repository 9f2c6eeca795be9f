// Host-name lookups that never hold up the window's thread: the answer comes
// back later, on the event loop. The socket takes one of these; tests give it
// one that answers when (or if) they say.
#pragma once

#include <QHostAddress>
#include <QList>

#include <functional>
#include <memory>
#include <string>

class QHostInfo;

namespace tocwire {

class HostResolver {
public:
    using Done = std::function<void(const QList<QHostAddress>& addresses)>;  // empty: not found
    virtual ~HostResolver() = default;
    // Starts a lookup; done runs on this thread's event loop, unless the
    // lookup is cancelled first. At most one lookup is under way.
    virtual void Start(const std::string& host, Done done) = 0;
    virtual void Cancel() = 0;
};

class LookupReceiver;

// The system's resolver (getaddrinfo, IPv6 and IPv4), run by Qt on a thread
// of its own pool.
class SystemResolver final : public HostResolver {
public:
    SystemResolver();
    ~SystemResolver() override;
    void Start(const std::string& host, Done done) override;
    void Cancel() override;

private:
    void Answered(const QHostInfo& info);

    // Qt hands the answer to this object's slot, and drops it once the object
    // is gone: no code of this library stays with Qt after the resolver, so
    // the host may unload the library while a lookup still runs.
    std::unique_ptr<LookupReceiver> receiver_;
    int lookupId_ = -1;
    Done done_;
};

// The order to try addresses in: the families alternate, starting with the
// first one the resolver gave, so a family that cannot be reached costs one
// failed attempt rather than one per address.
QList<QHostAddress> InterleaveFamilies(const QList<QHostAddress>& addresses);

}  // namespace tocwire
