// One client per profile folder: the lock itself, and the program refusing
// to start on a folder another process holds.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

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

ProgramRun RunProgram(const std::string& profile)
{
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QUENLO_EXIT_AFTER_STARTUP"), QStringLiteral("1"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(QUENLO_BIN_DIR "/quenlo"), {QStringLiteral("--dir"), QString::fromStdString(profile)});
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

}  // namespace
