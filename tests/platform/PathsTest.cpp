#include "platform/Paths.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

#include "tests/support/TestSupport.h"

namespace deraz {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable (or removes it) for one scope.
class TEnvironment {
public:
    TEnvironment(const char* Name, const char* Value) : FName(Name) {
        if (const char* Old = std::getenv(Name)) FOld = Old;
        Value ? setenv(Name, Value, 1) : unsetenv(Name);
    }
    ~TEnvironment() { FOld ? setenv(FName, FOld->c_str(), 1) : unsetenv(FName); }

private:
    const char* FName;
    std::optional<std::string> FOld;
};

TEST(Paths, TheUserSettingsFolderFollowsTheXdgRules) {
    TEnvironment Home("HOME", "/home/someone");
    struct {
        const char* ConfigHome;
        const char* Expected;
    } const Cases[] = {
        {"/tmp/config", "/tmp/config/deraz"},
        {nullptr, "/home/someone/.config/deraz"},
        {"", "/home/someone/.config/deraz"},
        {"relative/config", "/home/someone/.config/deraz"}, // ignored, as the rules say
    };
    for (const auto& Case : Cases) {
        TEnvironment ConfigHome("XDG_CONFIG_HOME", Case.ConfigHome);
        EXPECT_EQ(UserConfigDirectory(), fs::path(Case.Expected))
            << (Case.ConfigHome ? Case.ConfigHome : "unset");
    }
}

TEST(Paths, WritableMeansTheFileOrItsFolderAcceptsWrites) {
    test::TTempDir Dir;
    EXPECT_TRUE(CanWriteFile(Dir.Path() / "new.ini"));
    EXPECT_FALSE(CanWriteFile(Dir.Path() / "missing" / "new.ini"));
    test::WriteFileBytes(Dir.File("existing.ini"), {'x'});
    EXPECT_TRUE(CanWriteFile(Dir.Path() / "existing.ini"));

    fs::create_directory(Dir.Path() / "locked");
    test::WriteFileBytes(Dir.File("locked/existing.ini"), {'x'});
    {
        test::TReadOnly Locked(Dir.Path() / "locked");
        if (!Locked.Made()) GTEST_SKIP() << "cannot make a folder read-only here";
        // A writable file stays writable in a read-only folder; no new file can be made there.
        EXPECT_TRUE(CanWriteFile(Dir.Path() / "locked" / "existing.ini"));
        EXPECT_FALSE(CanWriteFile(Dir.Path() / "locked" / "new.ini"));
    }
    test::TReadOnly Locked(Dir.Path() / "existing.ini");
    ASSERT_TRUE(Locked.Made());
    EXPECT_FALSE(CanWriteFile(Dir.Path() / "existing.ini"));
}

TEST(Paths, SettingsStayBesideAProgramWhoseFolderIsWritable) {
    // The test program's own folder is the build folder, which is writable.
    EXPECT_EQ(SettingsFilePath("Varidir.ini"), ExecutableDirectory() / "Varidir.ini");
    EXPECT_EQ(ExecutableDirectory(), fs::read_symlink("/proc/self/exe").parent_path());
}

} // namespace
} // namespace deraz
