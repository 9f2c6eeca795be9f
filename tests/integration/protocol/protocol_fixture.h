// The real libtocwire.so, loaded afresh for every test with dlopen (it keeps
// one connection and all its state in statics), bound by its six export
// names, driving a fake TOC server on 127.0.0.1 in this thread's Qt loop.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QEvent>

#include <algorithm>
#include <dlfcn.h>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "callback_recorder.h"
#include "flap_frames.h"
#include "fake_toc_server.h"
#include "tocwire.h"

inline constexpr const char* kLibraryPath = QUENLO_LIB_DIR "/libtocwire.so";
inline constexpr const char* kScreenName = "Alice Test";
inline constexpr const char* kNormalisedName = "alicetest";
inline constexpr const char* kPassword = "password";
inline constexpr const char* kLoginHost = "login.example.net";
inline constexpr int kLoginPort = 5190;
inline constexpr const char* kVersion = "Quenlo 1.0";
inline const std::string kGreeting{"FLAPON\r\n\r\n", 10};
inline const std::string kServerSignonPayload{"\0\0\0\1", 4};  // what a TOC server's sign-on frame carries

struct TocWireApi {
    MaintainLoopFn maintainLoop = nullptr;
    TOC_EstablishFn establish = nullptr;
    TOC_DisconnectFn disconnect = nullptr;
    TOC_SendFn send = nullptr;
    TOC_InitFn init = nullptr;
    TOC_ShutdownFn shutdown = nullptr;
};

inline bool LibraryIsLoaded()
{
    void* handle = dlopen(kLibraryPath, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr)
        return false;
    dlclose(handle);
    return true;
}

// Open descriptors of this process (the directory's own descriptor counts
// every time, so counts compare).
inline int OpenDescriptorCount()
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

class ProtocolLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(LibraryIsLoaded()) << "an earlier test left libtocwire.so loaded";
        Load();
        ASSERT_NE(handle_, nullptr);
        ASSERT_TRUE(server.Listen());
    }

    void TearDown() override
    {
        calls.ClearActions();
        Unload();
        // Each test relies on getting a fresh library from dlopen.
        EXPECT_FALSE(LibraryIsLoaded()) << "dlclose did not unload libtocwire.so";
    }

    void Load()
    {
        handle_ = dlopen(kLibraryPath, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
        api.maintainLoop = Bind<MaintainLoopFn>("MaintainLoop");
        api.establish = Bind<TOC_EstablishFn>("TOC_Establish");
        api.disconnect = Bind<TOC_DisconnectFn>("TOC_Disconnect");
        api.send = Bind<TOC_SendFn>("TOC_Send");
        api.init = Bind<TOC_InitFn>("TOC_Init");
        api.shutdown = Bind<TOC_ShutdownFn>("TOC_Shutdown");
        ASSERT_TRUE(api.maintainLoop && api.establish && api.disconnect && api.send && api.init && api.shutdown);
    }

    void Unload()
    {
        if (handle_ == nullptr)
            return;
        if (api.shutdown != nullptr)
            api.shutdown();
        dlclose(handle_);
        handle_ = nullptr;
        api = {};
    }

    int Init(const char* name = kScreenName, const char* password = kPassword, int loginPort = kLoginPort,
             const char* version = kVersion)
    {
        return api.init(nullptr, &calls, name, password, loginPort, kLoginHost, version);
    }
    int Establish() { return api.establish("127.0.0.1", server.Port()); }
    int Establish(int port) { return api.establish("127.0.0.1", port); }

    // TOC_Send with length -1, from a buffer with room for the escaping.
    int Send(const std::string& text)
    {
        std::vector<char> buffer(text.size() * 2 + 1, '\0');
        text.copy(buffer.data(), text.size());
        return api.send(buffer.data(), -1);
    }

    static bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 5000)
    {
        return faketoc::FakeTocServer::WaitFor(pred, timeoutMs);
    }
    // Lets the event loop run, for checks that something does not happen
    // where no marker can stand behind it.
    static void Settle(int ms = 150)
    {
        faketoc::FakeTocServer::WaitFor([] { return false; }, ms);
    }
    // Returns once what the library wrote so far has reached the server: a
    // marker command written after it has arrived. Only while online.
    ::testing::AssertionResult LibrarySendsArrived(int client = 0)
    {
        const std::string marker = std::string(faketoc::kMarkerCommand) + std::to_string(++markers_);
        if (Send(marker) != 0)
            return ::testing::AssertionFailure() << "the library refused the marker";
        if (!WaitFor([&] {
                const auto& markers = Peer(client).markers;
                return std::find(markers.begin(), markers.end(), marker) != markers.end();
            }))
            return ::testing::AssertionFailure() << "the marker did not reach the server";
        return ::testing::AssertionSuccess();
    }
    // Returns once the library has reported all the server sent so far: an
    // instant message sent after it is reported last, and is taken off the
    // log again. Fails at once when the connection ends first.
    ::testing::AssertionResult ServerSendsReported(int client = 0)
    {
        const std::string arguments = "Marker:F:" + std::to_string(++markers_);
        const std::string entry = CallbackRecorder::Message("IM_IN", arguments);
        if (!server.SendData(client, "IM_IN:" + arguments))
            return ::testing::AssertionFailure() << "the server could not send the marker";
        WaitFor([&] { return calls.Has(entry) || calls.LastStatus() == STATUS_OFFLINE; });
        if (calls.log.empty() || calls.log.back() != entry)
            return ::testing::AssertionFailure() << "the marker was not the last report: "
                                                 << ::testing::PrintToString(calls.log);
        calls.log.pop_back();
        return ::testing::AssertionSuccess();
    }
    // A keep-alive the server sends is answered by one: once the answer is in,
    // what the library wrote before it is too. Works while signing on.
    ::testing::AssertionResult KeepAliveAnswered(int client = 0)
    {
        const std::size_t before = FramesOfType(client, faketoc::kFrameKeepAlive);
        if (!server.SendKeepAlive(client))
            return ::testing::AssertionFailure() << "the server could not send a keep-alive";
        if (!WaitFor([&] { return FramesOfType(client, faketoc::kFrameKeepAlive) > before; }))
            return ::testing::AssertionFailure() << "no keep-alive came back";
        return ::testing::AssertionSuccess();
    }
    bool WaitForStatus(int status, int timeoutMs = 5000)
    {
        return WaitFor([&] { return calls.LastStatus() == status; }, timeoutMs);
    }
    bool WaitForEntry(const std::string& entry, int timeoutMs = 5000)
    {
        return WaitFor([&] { return calls.Has(entry); }, timeoutMs);
    }

    // Init, connect, and wait for SIGN_ON from the fake server.
    bool SignOn()
    {
        if (Init() != 1 || Establish() != 1)
            return false;
        return WaitForStatus(STATUS_ONLINE);
    }
    // Connect with the sign-on held back, and wait until toc_signon is in.
    bool SignOnHeld(int client = 0)
    {
        server.SetAutoSignOn(false);
        if (Establish() != 1)
            return false;
        return WaitFor([&] { return calls.LastStatus() == STATUS_SIGNING_ON && HasCommand(client, "toc_signon"); });
    }

    const faketoc::FakeTocServer::ClientRecord& Peer(int client = 0) const { return server.Client(client); }

    bool HasCommand(int client, std::string_view prefix) const
    {
        for (const std::string& command : Peer(client).commands) {
            if (command.starts_with(prefix))
                return true;
        }
        return false;
    }
    bool WaitForCommand(const std::string& command, int client = 0)
    {
        return WaitFor([&] {
            const auto& commands = Peer(client).commands;
            return std::find(commands.begin(), commands.end(), command) != commands.end();
        });
    }
    // The commands the server received after toc_signon, as on the wire.
    std::vector<std::string> CommandsAfterSignon(int client = 0) const
    {
        std::vector<std::string> out;
        bool seen = false;
        for (const std::string& command : Peer(client).commands) {
            if (seen)
                out.push_back(command);
            seen = seen || command.starts_with("toc_signon ");
        }
        return out;
    }
    std::size_t FramesOfType(int client, std::uint8_t type) const
    {
        std::size_t count = 0;
        for (const auto& frame : Peer(client).frames)
            count += frame.type == type ? 1 : 0;
        return count;
    }
    // Waits until the server saw the connection go, and its socket is gone.
    bool WaitForServerSideClosed(int client = 0)
    {
        const bool closed = WaitFor([&] { return !Peer(client).connected; });
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return closed;
    }

    static QByteArray Bytes(const std::string& bytes)
    {
        return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
    // A DATA frame for the client, with its next server sequence number.
    QByteArray DataFrame(const std::string& text, int client = 0)
    {
        return server.Frame(client, faketoc::kFrameData, Bytes(text + '\0'));
    }

    static std::string Status(int status) { return CallbackRecorder::Status(status); }
    static std::string Message(const std::string& command, const std::string& arguments)
    {
        return CallbackRecorder::Message(command, arguments);
    }

    faketoc::FakeTocServer server;
    CallbackRecorder calls;
    TocWireApi api;

    template <typename Fn>
    Fn Bind(const char* name)
    {
        return reinterpret_cast<Fn>(dlsym(handle_, name));
    }

private:
    void* handle_ = nullptr;
    int markers_ = 0;
};
