#include "proxy_settings.h"

#include "app_settings.h"

#include <arpa/inet.h>

#include <QSettings>
#include <QString>
#include <QUrl>

#include "profile.h"

namespace {

constexpr std::pair<ProxyMode, std::string_view> kModeNames[] = {
    {ProxyMode::Environment, "environment"},
    {ProxyMode::None, "none"},
    {ProxyMode::Socks5, "socks5"},
    {ProxyMode::Http, "http"},
};

std::string StringValue(const QSettings& settings, const char* key)
{
    return settings.value(QString::fromLatin1(key)).toString().toStdString();
}

bool IsLoopback(std::string_view host)
{
    if (host == "localhost" || host.ends_with(".localhost") || host == "::1" || host == "[::1]")
        return true;
    in_addr v4{};
    return inet_pton(AF_INET, std::string(host).c_str(), &v4) == 1 && (ntohl(v4.s_addr) >> 24) == 127;
}

// no_proxy: names separated by commas (or blanks); each matches the host and
// its subdomains; "*" matches every host.
bool NoProxyNames(std::string_view list, std::string_view host)
{
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find_first_of(", ", start);
        if (end == std::string_view::npos)
            end = list.size();
        std::string_view entry = list.substr(start, end - start);
        if (entry.starts_with('.'))
            entry.remove_prefix(1);
        if (entry == "*")
            return true;
        if (!entry.empty() &&
            (host == entry || (host.size() > entry.size() && host.ends_with(entry) &&
                               host[host.size() - entry.size() - 1] == '.')))
            return true;
        start = end + 1;
    }
    return false;
}

const char* FirstSet(const EnvironmentLookup& environment, const char* lower, const char* upper)
{
    const char* value = environment(lower);
    if (value == nullptr || value[0] == '\0')
        value = environment(upper);
    return value != nullptr && value[0] != '\0' ? value : nullptr;
}

ProxyConfig Direct()
{
    ProxyConfig config;
    config.mode = ProxyMode::None;
    return config;
}

}  // namespace

ProxyConfig LoadProxyConfig(const Profile& profile)
{
    QSettings settings(QString::fromStdString(profile.File(kAppSettingsFile)), QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("proxy"));
    ProxyConfig config;
    const std::string mode = StringValue(settings, "mode");
    for (const auto& [value, name] : kModeNames) {
        if (mode == name)
            config.mode = value;
    }
    config.host = StringValue(settings, "host");
    config.port = settings.value(QStringLiteral("port"), 0).toInt();
    config.user = StringValue(settings, "user");
    config.password = StringValue(settings, "password");
    return config;
}

bool SaveProxyConfig(const Profile& profile, const ProxyConfig& config)
{
    // QSettings replaces the file atomically; other groups stay as they are.
    QSettings settings(QString::fromStdString(profile.File(kAppSettingsFile)), QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("proxy"));
    for (const auto& [value, name] : kModeNames) {
        if (config.mode == value)
            settings.setValue(QStringLiteral("mode"), QString::fromLatin1(name.data(), name.size()));
    }
    settings.setValue(QStringLiteral("host"), QString::fromStdString(config.host));
    settings.setValue(QStringLiteral("port"), config.port);
    settings.setValue(QStringLiteral("user"), QString::fromStdString(config.user));
    settings.setValue(QStringLiteral("password"), QString::fromStdString(config.password));
    settings.endGroup();
    settings.sync();
    return settings.status() == QSettings::NoError;
}

ProxyChoice ParseProxyUrl(std::string_view text)
{
    QString url = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).trimmed();
    if (!url.contains(QStringLiteral("://")))
        url.prepend(QStringLiteral("http://"));
    const QUrl parsed(url, QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    ProxyChoice choice;
    if (scheme == QStringLiteral("socks5") || scheme == QStringLiteral("socks5h") ||
        scheme == QStringLiteral("socks")) {
        choice.proxy.mode = ProxyMode::Socks5;
    } else if (scheme == QStringLiteral("http")) {
        choice.proxy.mode = ProxyMode::Http;
    }
    if (!parsed.isValid() || parsed.host().isEmpty() || choice.proxy.mode == ProxyMode::Environment) {
        choice.proxy = Direct();
        choice.problem = "The proxy \"" + std::string(text) +
                         "\" in all_proxy is not a socks5:// or http:// proxy; connecting directly.";
        return choice;
    }
    choice.proxy.host = parsed.host().toStdString();
    choice.proxy.port = parsed.port(choice.proxy.mode == ProxyMode::Socks5 ? kDefaultSocksPort : kDefaultHttpProxyPort);
    choice.proxy.user = parsed.userName(QUrl::FullyDecoded).toStdString();
    choice.proxy.password = parsed.password(QUrl::FullyDecoded).toStdString();
    return choice;
}

ProxyChoice ChooseProxy(const ProxyConfig& config, std::string_view tocHost, const EnvironmentLookup& environment)
{
    ProxyChoice choice;
    if (config.mode == ProxyMode::None)
        return {Direct(), {}};
    if (config.mode != ProxyMode::Environment) {
        choice.proxy = config;
        if (config.host.empty() || config.port <= 0 || config.port > 65535) {
            choice.proxy = Direct();
            choice.problem = "The proxy needs a host and a port from 1 to 65535; connecting directly.";
        }
        return choice;
    }
    const char* url = FirstSet(environment, "all_proxy", "ALL_PROXY");
    if (url == nullptr || IsLoopback(tocHost))
        return {Direct(), {}};
    if (const char* skip = FirstSet(environment, "no_proxy", "NO_PROXY"); skip != nullptr && NoProxyNames(skip, tocHost))
        return {Direct(), {}};
    return ParseProxyUrl(url);
}

bool IsLiteralAddress(std::string_view host)
{
    const std::string text(host);
    in_addr v4{};
    in6_addr v6{};
    return inet_pton(AF_INET, text.c_str(), &v4) == 1 || inet_pton(AF_INET6, text.c_str(), &v6) == 1;
}
