// One client per profile folder: the lock itself, the program handing a
// second start over to the running one, and refusing a folder whose holder
// does not answer.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QFile>
#include <QThread>

#include <csignal>

#include "profile_lock.h"
#include "temp_dir.h"

namespace {

TEST(ProfileLockTest, SecondHolderIsTurnedAwayUntilTheFirstLetsGo)
{
    TempDir dir;
    const std::string path = dir.Path(kProfileLockFile);
    {
        ProfileLock first;
        ASSERT_EQ(first.Acquire(path), ProfileLock::Result::Locked);
        ProfileLock second;
        EXPECT_EQ(second.Acquire(path), ProfileLock::Result::Busy);
    }
    ProfileLock again;
    EXPECT_EQ(again.Acquire(path), ProfileLock::Result::Locked);
    ProfileLock inMissingFolder;
    EXPECT_EQ(inMissingFolder.Acquire(dir.Path("missing/lock")), ProfileLock::Result::Failed);
    EXPECT_NE(inMissingFolder.error().find("No such file or directory"), std::string::npos);
}

struct ProgramRun {
    int exitCode;
    QString errors;
};

void StartProgram(QProcess& program, const std::string& profile, bool exitAfterStartup)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    QStringList arguments{QStringLiteral("--dir"), QString::fromStdString(profile)};
    if (exitAfterStartup)
        arguments << QStringLiteral("--startup-check");
    program.start(QStringLiteral(QUENLO_BIN_DIR "/quenlo"), arguments);
}

ProgramRun RunProgram(const std::string& profile)
{
    QProcess program;
    StartProgram(program, profile, true);
    if (!program.waitForFinished(30000)) {
        program.kill();
        program.waitForFinished();
        return {-1, {}};
    }
    return {program.exitCode(), QString::fromLocal8Bit(program.readAllStandardError())};
}

TEST(ProfileLockTest, ProgramRefusesAFolderInUse)
{
    TempDir dir;
    const std::string profile = dir.Path("profile");
    {
        ProfileLock held;
        ASSERT_EQ(RunProgram(profile).exitCode, 0);  // makes the folder, then exits
        ASSERT_EQ(held.Acquire(profile + "/" + kProfileLockFile), ProfileLock::Result::Locked);
        const ProgramRun refused = RunProgram(profile);
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_TRUE(refused.errors.contains(
            QString::fromStdString("Another quenlo is already using the profile folder " + profile + ".")))
            << refused.errors.toStdString();
    }
    EXPECT_EQ(RunProgram(profile).exitCode, 0);
}

TEST(ProfileLockTest, SecondStartHandsOverToTheRunningProgram)
{
    TempDir dir;
    const std::string profile = dir.Path("profile");
    QProcess running;
    StartProgram(running, profile, false);
    ASSERT_TRUE(running.waitForStarted());
    // It listens once it holds the folder.
    const QString socket = QString::fromStdString(profile + "/.quenlo.socket");
    for (int i = 0; i < 300 && !QFile::exists(socket); ++i)
        QThread::msleep(20);
    ASSERT_TRUE(QFile::exists(socket)) << running.readAllStandardError().toStdString();

    for (int attempt = 0; attempt < 2; ++attempt) {
        const ProgramRun second = RunProgram(profile);
        EXPECT_EQ(second.exitCode, 0) << second.errors.toStdString();
        EXPECT_TRUE(second.errors.contains(
            QString::fromStdString("Another quenlo is already using the profile folder " + profile + ".")))
            << second.errors.toStdString();
        EXPECT_EQ(running.state(), QProcess::Running);
    }
    ::kill(static_cast<pid_t>(running.processId()), SIGTERM);
    ASSERT_TRUE(running.waitForFinished(30000));
    EXPECT_EQ(running.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(socket)) << "the socket outlived its program";
}

}  // namespace
