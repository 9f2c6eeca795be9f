// The single-instance socket: where it may lie, who is believed on it, and a
// flood of silent connections that must not stop it.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLocalSocket>
#include <QTest>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "instance_channel.h"
#include "temp_dir.h"

namespace {

constexpr uid_t kOtherUser = 65534;

// Sets an environment variable for the scope (unset when value is null).
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name), had_(qEnvironmentVariableIsSet(name))
    {
        old_ = qgetenv(name);
        value != nullptr ? qputenv(name, value) : qunsetenv(name);
    }
    ~ScopedEnv() { had_ ? qputenv(name_, old_) : qunsetenv(name_); }

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

void MakeFolder(const std::string& path, mode_t mode, uid_t owner = geteuid())
{
    std::filesystem::create_directories(path);
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
    ASSERT_EQ(chown(path.c_str(), owner, static_cast<gid_t>(-1)), 0);
}

sockaddr_un Address(const QString& name)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(name);
    std::memcpy(address.sun_path, path.constData(), std::min<std::size_t>(path.size(), sizeof address.sun_path - 1));
    return address;
}

TEST(InstanceSocket, LiesOnlyInAFolderOfTheUsersOwn)
{
    TempDir root;
    const std::string uid = std::to_string(geteuid());
    const std::string longProfile = root.Path(std::string(120, 'p'));
    struct Case {
        const char* what;
        std::string profile;
        mode_t profileMode;
        const char* runtimeFolder;  // under root, or null for no XDG_RUNTIME_DIR
        mode_t runtimeMode;
        std::function<void(const std::string& ownFolder)> arrange;  // the temporary folder's quenlo-<uid>
        std::string expectedFolder;                                  // "" when refused
    };
    const auto nothing = [](const std::string&) {};
    const Case cases[] = {
        {"private profile", root.Path("a"), 0700, "run", 0700, nothing, root.Path("a")},
        {"profile others may enter", root.Path("b"), 0755, "run", 0700, nothing, root.Path("run")},
        {"long profile, shared runtime folder", longProfile, 0700, "shared", 0777, nothing,
         root.Path("tmp/quenlo-" + uid)},
        {"no runtime folder", longProfile, 0700, nullptr, 0, nothing, root.Path("tmp/quenlo-" + uid)},
        {"own folder made by another user", longProfile, 0700, nullptr, 0,
         [](const std::string& own) { MakeFolder(own, 0700, kOtherUser); }, ""},
        {"own folder open to all", longProfile, 0700, nullptr, 0,
         [](const std::string& own) { MakeFolder(own, 0777); }, ""},
        {"own folder a link", longProfile, 0700, nullptr, 0,
         [&](const std::string& own) { std::filesystem::create_directory_symlink(root.Path("a"), own); }, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(root.Path("tmp"));
        MakeFolder(root.Path("tmp"), 01777);
        MakeFolder(c.profile, c.profileMode);
        if (c.runtimeFolder != nullptr)
            MakeFolder(root.Path(c.runtimeFolder), c.runtimeMode);
        const std::string own = root.Path("tmp/quenlo-" + uid);
        c.arrange(own);
        const ScopedEnv tmp("TMPDIR", root.Path("tmp").c_str());
        const std::string runtime = c.runtimeFolder != nullptr ? root.Path(c.runtimeFolder) : "";
        const ScopedEnv xdg("XDG_RUNTIME_DIR", c.runtimeFolder != nullptr ? runtime.c_str() : nullptr);

        QString problem;
        const QString name = InstanceSocketName(c.profile, &problem);
        if (c.expectedFolder.empty()) {
            EXPECT_TRUE(name.isEmpty()) << name.toStdString();
            EXPECT_FALSE(problem.isEmpty());
            continue;
        }
        EXPECT_EQ(std::filesystem::path(name.toStdString()).parent_path(), c.expectedFolder);
        struct stat folder {};
        ASSERT_EQ(lstat(c.expectedFolder.c_str(), &folder), 0);
        EXPECT_EQ(folder.st_mode & 07777, 0700u);
        EXPECT_EQ(name, InstanceSocketName(c.profile)) << "both starts must find the same name";
    }
}

TEST(InstanceSocket, AnotherUsersProcessOnTheSocketIsNotBelieved)
{
    TempDir dir;
    const QString name = QString::fromStdString(dir.Path("squatted.socket"));
    const sockaddr_un address = Address(name);
    const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    // The socket's answers come from whoever listens on it: another user,
    // who says "shown" to anything.
    const pid_t squatter = fork();
    ASSERT_GE(squatter, 0);
    if (squatter == 0) {
        if (syscall(SYS_setresuid, kOtherUser, kOtherUser, kOtherUser) != 0 || listen(listener, 4) != 0)
            _exit(1);
        for (;;) {
            const int peer = accept(listener, nullptr, nullptr);
            if (peer >= 0 && write(peer, "shown\n", 6) == 6)
                close(peer);
        }
    }
    close(listener);
    EXPECT_FALSE(AskRunningInstanceToShow(name, 3000));
    kill(squatter, SIGKILL);
    int status = 0;
    waitpid(squatter, &status, 0);
}

// Connects without a word; waits (running the event loop, so the server
// can take what waits in its queue) while the queue is full. -1 on failure.
int ConnectSilently(const QString& name)
{
    const sockaddr_un address = Address(name);
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0)
            return -1;
        if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
            return fd;
        const int error = errno;
        close(fd);
        if (error != EAGAIN)
            return -1;
        QCoreApplication::processEvents();
    }
    return -1;
}

TEST(InstanceSocket, SilentConnectionsNeitherUseUpDescriptorsNorStopTheServer)
{
    TempDir dir;
    const QString name = QString::fromStdString(dir.Path(".quenlo.socket"));
    int shown = 0;
    InstanceServer server(name, [&] { ++shown; });
    ASSERT_TRUE(server.Listening()) << server.ErrorText().toStdString();

    // Room for the silent connections' own ends and a few more: a server
    // that kept one descriptor for each of them runs out.
    constexpr int kSilent = 120;
    const auto used = static_cast<rlim_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
    rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit lowered = saved;
    lowered.rlim_cur = std::min(saved.rlim_cur, used + kSilent + 40);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);

    std::vector<int> silent;
    for (int i = 0; i < kSilent; ++i) {
        const int fd = ConnectSilently(name);
        if (fd < 0)
            break;
        silent.push_back(fd);
    }
    EXPECT_EQ(silent.size(), static_cast<std::size_t>(kSilent));
    // Every one of them has been taken from the queue once a request behind them is answered.
    QLocalSocket asker;
    asker.connectToServer(name);
    asker.write("show\n");
    QByteArray reply;
    QObject::connect(&asker, &QLocalSocket::readyRead, [&] { reply += asker.readAll(); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return reply == "shown\n"; }, 10000));
    EXPECT_EQ(shown, 1);
    EXPECT_LE(server.WaitingPeers(), InstanceServer::kMaxWaitingPeers);
    EXPECT_TRUE(server.Listening());
    EXPECT_TRUE(QFile::exists(name));

    for (const int fd : silent)
        close(fd);
    setrlimit(RLIMIT_NOFILE, &saved);
}

}  // namespace
