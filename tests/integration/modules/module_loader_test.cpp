// Loading user modules at start-up through the real client: which files are
// taken, in which order, what is said about each, and the table's limit.
#include <filesystem>

#include <sys/stat.h>

#include "module_harness.h"

using Loader = ModuleHarness;

TEST_F(Loader, TakesUserFilesInNameOrderAndRefusedOnesUseNoRecord)
{
    InstallRecorder("User_B.so");  // any case of the prefix
    InstallRecorder("usertest.so");
    InstallRecorder("test_user_.so");
    InstallRecorder("user_a.so", "user_noconnect");  // lacks OnConnect
    InstallRecorder("user_c.so", "user_refuser");    // Initialize returns 0
    InstallRecorder("user_d.so");
    WriteBytes(dir.Path("modules/user_e.so"), "not a library");
    InstallRecorder("user_f.so", "user_suffixed");
    InstallRecorder("user_fu.so", "user_undefined");
    std::filesystem::create_directory(dir.Path("modules/user_g.so"));  // a folder is no file
    ASSERT_NO_FATAL_FAILURE(Start());

    // A refused module's line is followed by the reason, for the module's writer.
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           Status("Loaded user module 'User_B.so'."),
                           Status("'user_a.so' is not a valid user module."),
                           Status("Reason: it exports neither OnConnect nor OnConnectZORVANE."),
                           Status("'user_c.so' is not a valid user module."),
                           Status("Reason: its Initialize returned 0."),
                           Status("Loaded user module 'user_d.so'."),
                           Status("'user_e.so' is not a valid user module."),
                           Status("Reason: user_e.so: file too short"),
                           Status("Loaded user module 'user_f.so'."),
                           Status("'user_fu.so' is not a valid user module."),
                           Status("Reason: user_fu.so: undefined symbol: MissingHelper(int)"),
                           Status("'user_g.so' is not a regular file; skipped."),
                       }));
    EXPECT_EQ(ctx.modules.host.LoadedCount(), 3);

    // Every loaded module is called, in load order; the refused ones never again.
    Type("/foo bar baz");
    EXPECT_EQ(LogOf("OnUserCommand"), (std::vector<std::string>{"User_B.so|OnUserCommand|foo|bar baz",
                                                                "user_d.so|OnUserCommand|foo|bar baz",
                                                                "user_f.so|OnUserCommand|foo|bar baz"}));
    // The plain name is bound before the suffixed one; the extended entry
    // only under its suffixed name.
    SendInputLine(ctx, "bob", "hi");
    EXPECT_EQ(LogOf("OnSendIM").size(), 3u);
    EXPECT_TRUE(LogOf("OnSendIMZORVANE").empty());
    EXPECT_TRUE(LogOf("GetExtendedUser").empty());
    EXPECT_EQ(LogOf("GetExtendedUserZORVANE"), (std::vector<std::string>{"user_f.so|GetExtendedUserZORVANE"}));
}

TEST_F(Loader, StandardModulesComeFirstAndFilesPastTheLimitAreNamed)
{
    // 300 modules of the user's own, and the installed standard ones.
    for (int i = 0; i < 300; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "user_%03d.so", i);
        Install(kTestModules + "/user_minimal.so", name);
    }
    ctx.modules.installedFolder = kStandardModules;
    ASSERT_NO_FATAL_FAILURE(Start());

    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 258u);
    EXPECT_EQ(lines[0], Status("Loaded user module 'user_parley.so'."));
    EXPECT_EQ(lines[1], Status("Loaded user module 'user_shun.so'."));
    EXPECT_EQ(lines[255], Status("Loaded user module 'user_253.so'."));
    EXPECT_EQ(lines[256], Status("MAX_USER_MODULES reached."));
    EXPECT_EQ(lines[257], Status("Not loaded (MAX_USER_MODULES reached): user_254.so, user_255.so, user_256.so, "
                                 "user_257.so, user_258.so, user_259.so, user_260.so, user_261.so, user_262.so, "
                                 "user_263.so, user_264.so, user_265.so, user_266.so, user_267.so, user_268.so, "
                                 "user_269.so, user_270.so, user_271.so, user_272.so, user_273.so, user_274.so, "
                                 "user_275.so, user_276.so, user_277.so, user_278.so, user_279.so, user_280.so, "
                                 "user_281.so, user_282.so, user_283.so, user_284.so, user_285.so, user_286.so, "
                                 "user_287.so, user_288.so, user_289.so, user_290.so, user_291.so, user_292.so, "
                                 "user_293.so, user_294.so, user_295.so, user_296.so, user_297.so, user_298.so, "
                                 "user_299.so."));
    EXPECT_EQ(ctx.modules.host.LoadedCount(), MAX_USER_MODULES);
    Type("/blocklist");
    EXPECT_EQ(Lines().back(), Status("Blocked users: none"));
}

TEST_F(Loader, OneFileLoadsOnceAndNothingButAFileIsOpened)
{
    std::filesystem::create_directory(dir.Path("modules"));
    std::filesystem::create_symlink(kTestModules + "/user_recorder.so", dir.Path("modules/user_a.so"));
    std::filesystem::create_symlink(kTestModules + "/user_recorder.so", dir.Path("modules/user_b.so"));
    ASSERT_EQ(mkfifo(dir.Path("modules/user_fifo.so").c_str(), 0644), 0);
    std::filesystem::create_symlink("user_fifo.so", dir.Path("modules/user_linked_fifo.so"));
    ASSERT_NO_FATAL_FAILURE(Start());  // a FIFO opened as a library would wait here for ever

    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           Status("Loaded user module 'user_a.so'."),
                           Status("'user_b.so' is the same library as 'user_a.so'; skipped."),
                           Status("'user_fifo.so' is not a regular file; skipped."),
                           Status("'user_linked_fifo.so' is not a regular file; skipped."),
                       }));
    EXPECT_EQ(LogOf("Initialize").size(), 1u);
}

TEST_F(Loader, ProfileFolderHidesTheInstalledOneAndInitializeMayPrint)
{
    TempDir installed;
    Install(kTestModules + "/user_recorder.so", "user_a.so", installed.Path("modules"));
    Install(kTestModules + "/user_recorder.so", "user_z.so", installed.Path("modules"));
    Install(kTestModules + "/user_suffixed.so", "user_a.so");
    InstallRecorder("user_m.so");
    ctx.modules.installedFolder = installed.Path("modules");
    // Nothing is shown yet when the first module starts; user_m prints
    // before its own "Loaded" line. The names the installed folder holds
    // load first, whichever folder's file is taken.
    Configure({"user_a.so|Initialize|1|GetOutputText", "user_m.so|Initialize|1|PrintStatus|hello from m"});
    ASSERT_NO_FATAL_FAILURE(Start());

    EXPECT_EQ(Lines(), (std::vector<std::string>{Status("Loaded user module 'user_a.so'."),
                                                 Status("Loaded user module 'user_z.so'."), Status("hello from m"),
                                                 Status("Loaded user module 'user_m.so'.")}));
    EXPECT_EQ(LogOf("=GetOutputText"), (std::vector<std::string>{"user_a.so|=GetOutputText|<null>"}));
    EXPECT_EQ(LogOf("GetExtendedUserZORVANE").size(), 1u) << "the profile's user_a.so is the one loaded";
}

TEST_F(Loader, ModulesLoadAlsoWithoutTheProtocolLibrary)
{
    InstallRecorder("user_a.so");
    StartClient(ctx, window, "/nonexistent/libtocwire.so");
    ASSERT_EQ(Lines().size(), 2u);
    EXPECT_TRUE(Lines()[0].ends_with("FATAL ERROR: Couldn't load libtocwire.so!"));
    EXPECT_TRUE(Lines()[1].ends_with("Loaded user module 'user_a.so'."));
}

TEST(InstalledModuleFolder, IsBesideTheBuildTreesLibraryFolder)
{
    // This test program lives in build/tests, beside build/lib.
    const std::string found = InstalledModuleFolder(std::filesystem::read_symlink("/proc/self/exe"));
    EXPECT_EQ(std::filesystem::canonical(found), std::filesystem::canonical(kStandardModules));
    EXPECT_EQ(InstalledModuleFolder(""), "");
}
