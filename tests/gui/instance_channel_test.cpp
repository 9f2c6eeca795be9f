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

void MakeFolder(const std::string& path, mode_t mode, uid_t owner = geteuid())
{
    std::filesystem::create_directories(path);
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
    ASSERT_EQ(chown(path.c_str(), owner, static_cast<gid_t>(-1)), 0);
}

// A socket bound to the name, not yet listening.
int BoundSocket(const QString& name, bool connectInstead = false)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, QFile::encodeName(name).constData(), sizeof address.sun_path - 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | (connectInstead ? SOCK_NONBLOCK : 0), 0);
    const auto* where = reinterpret_cast<const sockaddr*>(&address);
    if ((connectInstead ? connect(fd, where, sizeof address) : bind(fd, where, sizeof address)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

TEST(InstanceSocket, LiesOnlyInAFolderOfTheUsersOwnAndOnlyThisUserIsBelieved)
{
    TempDir root;
    const std::string own = root.Path("tmp/quenlo-" + std::to_string(geteuid()));
    const std::string longProfile = root.Path(std::string(120, 'p'));
    struct Case {
        std::string profile;
        mode_t profileMode;
        mode_t runtimeMode;  // 0: no XDG_RUNTIME_DIR
        uid_t ownFolderOwner;
        std::string expectedFolder;  // "" when refused
    };
    const Case cases[] = {
        {root.Path("a"), 0700, 0700, geteuid(), root.Path("a")},
        {root.Path("b"), 0755, 0700, geteuid(), root.Path("run")},
        {longProfile, 0700, 0777, geteuid(), own},
        {longProfile, 0700, 0, geteuid(), own},
        {longProfile, 0700, 0, kOtherUser, ""},
    };
    const QByteArray savedTmp = qgetenv("TMPDIR"), savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.profile + " " + c.expectedFolder);
        std::filesystem::remove_all(root.Path("tmp"));
        MakeFolder(root.Path("tmp"), 01777);
        if (c.ownFolderOwner != geteuid())
            MakeFolder(own, 0777, c.ownFolderOwner);  // another user was there first
        MakeFolder(c.profile, c.profileMode);
        MakeFolder(root.Path("run"), c.runtimeMode);
        qputenv("TMPDIR", QByteArray::fromStdString(root.Path("tmp")));
        c.runtimeMode != 0 ? qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(root.Path("run")))
                           : qunsetenv("XDG_RUNTIME_DIR");
        QString problem;
        const QString name = InstanceSocketName(c.profile, &problem);
        savedTmp.isEmpty() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", savedTmp);
        savedRuntime.isEmpty() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", savedRuntime);
        if (c.expectedFolder.empty()) {
            EXPECT_TRUE(name.isEmpty() && !problem.isEmpty()) << name.toStdString();
            continue;
        }
        EXPECT_EQ(std::filesystem::path(name.toStdString()).parent_path(), c.expectedFolder);
        struct stat folder {};
        EXPECT_TRUE(lstat(c.expectedFolder.c_str(), &folder) == 0 && (folder.st_mode & 07777) == 0700);
    }

    // Another user's process listening on the name, saying "shown" to anything.
    const QString name = QString::fromStdString(root.Path("squatted.socket"));
    const int listener = BoundSocket(name);
    ASSERT_GE(listener, 0);
    const pid_t squatter = fork();
    if (squatter == 0) {
        if (syscall(SYS_setresuid, kOtherUser, kOtherUser, kOtherUser) == 0 && listen(listener, 4) == 0) {
            for (;;) {
                const int peer = accept(listener, nullptr, nullptr);
                if (peer >= 0 && write(peer, "shown\n", 6) == 6)
                    close(peer);
            }
        }
        _exit(1);
    }
    close(listener);
    EXPECT_FALSE(AskRunningInstanceToShow(name, 3000));
    kill(squatter, SIGKILL);
    waitpid(squatter, nullptr, 0);
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
    const QDeadlineTimer deadline(10000);
    while (silent.size() < kSilent && !deadline.hasExpired()) {
        if (const int fd = BoundSocket(name, true); fd >= 0)
            silent.push_back(fd);
        else  // the queue is full until the server takes from it
            QCoreApplication::processEvents();
    }
    EXPECT_EQ(silent.size(), static_cast<std::size_t>(kSilent));

    // A request behind them all is still answered.
    QLocalSocket asker;
    asker.connectToServer(name);
    asker.write("show\n");
    QByteArray reply;
    QObject::connect(&asker, &QLocalSocket::readyRead, [&] { reply += asker.readAll(); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return reply == "shown\n"; }, 10000));
    EXPECT_EQ(shown, 1);
    EXPECT_LE(server.WaitingPeers(), InstanceServer::kMaxWaitingPeers);
    EXPECT_TRUE(server.Listening() && QFile::exists(name));
    for (const int fd : silent)
        close(fd);
    setrlimit(RLIMIT_NOFILE, &saved);
}

}  // namespace
