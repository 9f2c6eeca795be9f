// The real program with the example module, built as an outside author
// builds it: it loads, works, and although it left a Qt object (with a slot
// in its own code) on the main window, the client exits cleanly and saves
// its files.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <filesystem>
#include <string>

#include "temp_dir.h"

namespace {

TEST(ModuleInTheProgram, ExampleLoadsWorksAndTheClientExitsCleanly)
{
    TempDir profile;
    ASSERT_TRUE(profile.Ok());
    std::filesystem::create_directory(profile.Path("modules"));
    std::filesystem::copy_file(QUENLO_TEST_MODULE_DIR "/user_hello.so", profile.Path("modules/user_hello.so"));

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(QUENLO_BIN_DIR "/quenlo"),
                  {QStringLiteral("--dir"), QString::fromStdString(profile.Path(".")), QStringLiteral("--startup-check")});
    ASSERT_TRUE(program.waitForFinished(60000));
    const std::string shown = program.readAllStandardOutput().toStdString();
    const std::string errors = program.readAllStandardError().toStdString();

    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << errors;
    EXPECT_EQ(program.exitCode(), 0) << errors;
    EXPECT_NE(shown.find("STATUS MESSAGE: Loaded user module 'user_hello.so'.\r\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("STATUS MESSAGE: Hello, world!\r\n"), std::string::npos) << shown;
    EXPECT_EQ(std::filesystem::file_size(profile.Path("userinfo.cfg")), 3472u);
    EXPECT_TRUE(std::filesystem::exists(profile.Path("blist.cfg")));
}

}  // namespace
