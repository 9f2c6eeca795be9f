#include "host_resolver.h"

#include <QHostInfo>
#include <QObject>
#include <QString>

namespace tocwire {

class LookupReceiver : public QObject {
    Q_OBJECT
public:
    explicit LookupReceiver(SystemResolver& resolver, void (SystemResolver::*answered)(const QHostInfo&))
        : resolver_(resolver), answered_(answered)
    {
    }

public slots:
    void LookedUp(const QHostInfo& info) { (resolver_.*answered_)(info); }

private:
    SystemResolver& resolver_;
    void (SystemResolver::*answered_)(const QHostInfo&);
};

SystemResolver::SystemResolver() : receiver_(std::make_unique<LookupReceiver>(*this, &SystemResolver::Answered)) {}

SystemResolver::~SystemResolver()
{
    Cancel();
}

void SystemResolver::Start(const std::string& host, Done done)
{
    Cancel();
    done_ = std::move(done);
    lookupId_ = QHostInfo::lookupHost(QString::fromStdString(host), receiver_.get(), SLOT(LookedUp(QHostInfo)));
}

void SystemResolver::Answered(const QHostInfo& info)
{
    if (lookupId_ == -1 || info.lookupId() != lookupId_)
        return;  // cancelled, or an earlier lookup
    lookupId_ = -1;
    Done done = std::move(done_);
    done_ = nullptr;
    done(info.error() == QHostInfo::NoError ? info.addresses() : QList<QHostAddress>{});
}

void SystemResolver::Cancel()
{
    if (lookupId_ != -1)
        QHostInfo::abortHostLookup(lookupId_);
    lookupId_ = -1;
    done_ = nullptr;
}

QList<QHostAddress> InterleaveFamilies(const QList<QHostAddress>& addresses)
{
    if (addresses.isEmpty())
        return {};
    const auto firstFamily = addresses.front().protocol();
    QList<QHostAddress> first;
    QList<QHostAddress> other;
    for (const QHostAddress& address : addresses)
        (address.protocol() == firstFamily ? first : other).append(address);
    QList<QHostAddress> out;
    for (qsizetype i = 0; i < first.size() || i < other.size(); ++i) {
        if (i < first.size())
            out.append(first[i]);
        if (i < other.size())
            out.append(other[i]);
    }
    return out;
}

}  // namespace tocwire

#include "host_resolver.moc"
