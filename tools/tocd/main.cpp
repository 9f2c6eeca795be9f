// tocd: a local TOC server for trying the client without the real service.
// Any screen name may sign on; its first sign-on sets its password. Signed-on
// users can message each other and deny each other (toc_add_deny), and "Echo
// Bot" answers everyone (and sends a chat invitation to "invite me").
// Profiles are pages on the same port (http://127.0.0.1:PORT/info?user=NAME).
#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "toc_server.h"
#include "quit_on_signal.h"

namespace {
constexpr quint16 kDefaultPort = 9898;

void PrintUsage(std::FILE* to)
{
    std::fprintf(to, "usage: tocd [--port N] [--help] [--version]\n"
                     "A local TOC server on 127.0.0.1 (default port %u) with an Echo Bot.\n",
                 static_cast<unsigned>(kDefaultPort));
}

std::optional<quint16> ParsePort(const char* text)
{
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < 1 || value > 65535)
        return std::nullopt;
    return static_cast<quint16>(value);
}
}  // namespace

int main(int argc, char** argv)
{
    quint16 port = kDefaultPort;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            PrintUsage(stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("tocd %s\n", QUENLO_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--port") == 0 && i + 1 < argc) {
            const std::optional<quint16> parsed = ParsePort(argv[++i]);
            if (!parsed) {
                std::fprintf(stderr, "tocd: bad port \"%s\": give a number from 1 to 65535\n", argv[i]);
                return 2;
            }
            port = *parsed;
            continue;
        }
        std::fprintf(stderr, "tocd: unknown argument \"%s\"\n", argv[i]);
        PrintUsage(stderr);
        return 2;
    }

    QCoreApplication app(argc, argv);
    if (!QuitOnSignals()) {
        std::fprintf(stderr, "tocd: cannot install the signal handlers: %s\n", std::strerror(errno));
        return 1;
    }
    tocserver::TocServer server;
    server.SetRelay(true);
    server.SetEchoBot(true);
    server.SetAcceptAnyPassword(true);
    server.SetRememberFirstPassword(true);
    if (!server.Listen(port)) {
        std::fprintf(stderr, "tocd: cannot listen on 127.0.0.1:%u (is the port in use?)\n",
                     static_cast<unsigned>(port));
        return 1;
    }
    std::printf("tocd listening on 127.0.0.1:%u\n", static_cast<unsigned>(server.Port()));
    std::fflush(stdout);
    return app.exec();
}
