// The proxy the connection goes through. Kept in the profile's quenlo.ini
// ([proxy] group), never in userinfo.cfg, whose record older builds read.
// By default the proxy comes from all_proxy / ALL_PROXY, as curl and TiK
// take it.
#pragma once

#include <functional>
#include <string>
#include <string_view>

struct Profile;

enum class ProxyMode { Environment, None, Socks5, Http };

struct ProxyConfig {
    ProxyMode mode = ProxyMode::Environment;
    std::string host;
    int port = 0;
    std::string user;
    std::string password;
};

inline constexpr int kDefaultSocksPort = 1080;
inline constexpr int kDefaultHttpProxyPort = 8080;

ProxyConfig LoadProxyConfig(const Profile& profile);
// False when the file could not be written.
bool SaveProxyConfig(const Profile& profile, const ProxyConfig& config);

// The proxy one connection uses: mode None, Socks5 or Http.
struct ProxyChoice {
    ProxyConfig proxy;  // mode None: direct
    std::string problem;  // a line for the user when the configured proxy cannot be used
};
using EnvironmentLookup = std::function<const char*(const char* name)>;
// With mode Environment: all_proxy (or ALL_PROXY), except for loopback
// servers and those that no_proxy (NO_PROXY) names.
ProxyChoice ChooseProxy(const ProxyConfig& config, std::string_view tocHost, const EnvironmentLookup& environment);
// socks5://, socks5h://, socks:// and http:// URLs, with user:password@
// (percent-encoded) and :port; a bare host:port is an HTTP proxy.
ProxyChoice ParseProxyUrl(std::string_view url);
// A dotted IPv4 or an IPv6 address, which needs no lookup.
bool IsLiteralAddress(std::string_view host);
