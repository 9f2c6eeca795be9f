// The password kept in the desktop keyring, against a real
// gnome-keyring-daemon on a private session bus: it leaves userinfo.cfg (the
// record otherwise byte for byte as it was) only once the keyring holds it,
// comes back from the keyring at the next start, and goes back to the file
// when the choice is turned off. A locked keyring, and a desktop with none,
// each give a line and leave the password in the file.
//
// The process's session bus is fixed at its first use, so each kind of
// desktop runs in a process of its own (the CTest entries filter by suite).
#include <memory>

#include "app_settings.h"
#include "client_harness.h"
#include "normalize_name.h"
#include "password_keeping.h"
#include "private_keyring.h"
#include "settings_edits.h"
#include "settings_files.h"
#include "settings_store.h"

namespace {

enum class Desktop { Unlocked, Locked, NoKeyring };

// The one desktop of this process; a test that needs another is skipped.
std::unique_ptr<PrivateKeyring> desktop;
Desktop desktopKind{};

QString StartDesktop(Desktop kind)
{
    if (desktop == nullptr) {
        desktop = std::make_unique<PrivateKeyring>(kind != Desktop::NoKeyring);
        desktopKind = kind;
        if (desktop->Error().isEmpty() && kind == Desktop::Locked && !desktop->Lock())
            return QStringLiteral("the keyring could not be locked");
        return desktop->Error();
    }
    return desktopKind == kind ? QString() : QStringLiteral("skip");
}

class DesktopEnvironment : public ::testing::Environment {
    void TearDown() override { desktop.reset(); }  // ends both daemons
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new DesktopEnvironment);

constexpr std::string_view kPassword = "Pa55 w\xC3\xB6rd";

class KeyringHarness : public ClientHarness {
protected:
    void StartOn(Desktop kind)
    {
        const QString problem = StartDesktop(kind);
        if (problem == QStringLiteral("skip"))
            GTEST_SKIP() << "another kind of desktop runs in this process";
        ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();
    }

    // The dialog's OK with the keyring choice, for a screen name of the test's own.
    void ChooseKeyring(bool keep)
    {
        UserConfigValues values = ReadUserConfig(ctx.settings.userInfo);
        values.screenName = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        values.password = kPassword;
        values.passwordInKeyring = keep;
        ApplyUserConfig(ctx.Out(), ctx.session, ctx.settings, values);
    }

    std::string File() const { return ReadBytes(dir.Path(kUserInfoFile)); }
    static std::string PasswordField(const std::string& record) { return record.substr(64, 64); }
    static std::string OtherFields(const std::string& record) { return record.substr(0, 64) + record.substr(128); }

    bool WaitForKeyring(const ClientContext& c) const
    {
        return faketoc::FakeTocServer::WaitFor([&] { return c.settings.keyring.Pending() == 0; }, 10000);
    }
};

std::string Field(std::string_view text)
{
    std::string field(text);
    field.resize(64, '\0');
    return field;
}

class KeyringTest : public KeyringHarness {};

TEST_F(KeyringTest, PasswordLeavesTheFileOnlyForTheKeyringAndComesBack)
{
    StartOn(Desktop::Unlocked);
    ChooseKeyring(false);
    const std::string inFile = File();
    ASSERT_EQ(PasswordField(inFile), Field(kPassword));

    ChooseKeyring(true);
    ASSERT_TRUE(WaitForLine(
        "STATUS MESSAGE: The password is kept in the desktop keyring; userinfo.cfg no longer holds it.", 10000))
        << ctx.transcript.output.Text();
    std::string keyringOnly = File();
    ASSERT_EQ(keyringOnly.size(), kUserInfoSize);
    EXPECT_EQ(PasswordField(keyringOnly), std::string(64, '\0'));
    EXPECT_EQ(OtherFields(keyringOnly), OtherFields(inFile));
    EXPECT_TRUE(LoadAppSettings(ctx.settings.profile).passwordInKeyring);

    // The next start finds it in the keyring.
    ClientContext next;
    next.settings.profile.folder = dir.Folder();
    LoadSettingsFiles(next.Out(), next.settings);
    StartKeyringPassword(next.Out(), next.settings);
    ASSERT_TRUE(WaitForKeyring(next));
    EXPECT_EQ(FieldText(next.settings.userInfo.password), kPassword) << next.transcript.output.Text();
    SaveSettingsFilesAtExit(next.Out(), next.settings);
    EXPECT_EQ(File(), keyringOnly);

    // Off: back in the file, and out of the keyring.
    ChooseKeyring(false);
    EXPECT_EQ(File(), inFile);
    ASSERT_TRUE(WaitForKeyring(ctx));
    PasswordKeyring keyring;
    KeyringAnswer answer;
    keyring.Read(NormalizeName(FieldText(ctx.settings.userInfo.screenName)), [&](const KeyringAnswer& a) { answer = a; });
    ASSERT_TRUE(faketoc::FakeTocServer::WaitFor([&] { return keyring.Pending() == 0; }, 10000));
    EXPECT_EQ(answer.outcome, KeyringAnswer::Outcome::NotFound) << answer.error;
}

// A password typed into an older build (which keeps it in the file) moves to the keyring at the next start.
TEST_F(KeyringTest, PasswordFoundInTheFileMovesToTheKeyringAtStart)
{
    StartOn(Desktop::Unlocked);
    ChooseKeyring(false);
    AppSettings app;
    app.passwordInKeyring = true;
    ASSERT_EQ(SaveAppSettings(ctx.settings.profile, app), "");
    const std::string inFile = File();

    ClientContext next;
    next.settings.profile.folder = dir.Folder();
    LoadSettingsFiles(next.Out(), next.settings);
    StartKeyringPassword(next.Out(), next.settings);
    ASSERT_TRUE(WaitForKeyring(next));
    EXPECT_EQ(PasswordField(File()), std::string(64, '\0')) << next.transcript.output.Text();
    EXPECT_EQ(OtherFields(File()), OtherFields(inFile));
    EXPECT_EQ(FieldText(next.settings.userInfo.password), kPassword);
}

struct RefusalCase {
    const char* name;
    Desktop desktop;
    const char* readLine;  // what a start with the password only in the keyring says
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class RefusingKeyring : public KeyringHarness, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusingKeyring, PasswordStaysInTheFileWithALine)
{
    StartOn(GetParam().desktop);
    ChooseKeyring(true);
    ASSERT_TRUE(WaitForKeyring(ctx));
    bool said = false;
    for (const std::string& line : Lines())
        said |= line.starts_with("STATUS MESSAGE: The desktop keyring did not take the password (") &&
                line.ends_with("): it stays in userinfo.cfg.");
    EXPECT_TRUE(said) << ctx.transcript.output.Text();
    EXPECT_EQ(PasswordField(File()), Field(kPassword));
    ShutdownClient(ctx);
    EXPECT_EQ(PasswordField(File()), Field(kPassword));

    // A file without the password, the keyring chosen: a line, and the client runs on.
    ClientContext next;
    next.settings.profile.folder = dir.Folder();
    LoadSettingsFiles(next.Out(), next.settings);
    SetFieldText(next.settings.userInfo.password, "");
    StartKeyringPassword(next.Out(), next.settings);
    ASSERT_TRUE(WaitForKeyring(next));
    EXPECT_NE(next.transcript.output.Text().find(GetParam().readLine), std::string::npos)
        << next.transcript.output.Text();
    EXPECT_EQ(FieldText(next.settings.userInfo.password), "");
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, RefusingKeyring,
    ::testing::Values(RefusalCase{"Locked", Desktop::Locked, "The desktop keyring has no password for "},
                      RefusalCase{"NoKeyring", Desktop::NoKeyring,
                                  "Could not read the password from the desktop keyring ("}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
