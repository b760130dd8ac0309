#include "platform/Paths.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <unistd.h>

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

// Makes a file or folder refuse writes, also for the superuser; false when this system cannot.
bool MakeReadOnly(const fs::path& Path) {
    auto Name = test::ShellQuote(Path.string());
    if (geteuid() != 0) return test::RunCommand("chmod a-w " + Name) == 0;
    return test::RunCommand("chattr +i " + Name + " 2>/dev/null") == 0;
}

void MakeWritable(const fs::path& Path) {
    auto Name = test::ShellQuote(Path.string());
    test::RunCommand("chattr -i " + Name + " 2>/dev/null; chmod u+w " + Name);
}

TEST(Paths, WritableMeansTheFileOrItsFolderAcceptsWrites) {
    test::TTempDir Dir;
    EXPECT_TRUE(CanWriteFile(Dir.Path() / "new.ini"));
    EXPECT_FALSE(CanWriteFile(Dir.Path() / "missing" / "new.ini"));
    test::WriteFileBytes(Dir.File("existing.ini"), {'x'});
    EXPECT_TRUE(CanWriteFile(Dir.Path() / "existing.ini"));

    fs::create_directory(Dir.Path() / "locked");
    test::WriteFileBytes(Dir.File("locked/existing.ini"), {'x'});
    if (!MakeReadOnly(Dir.Path() / "locked")) GTEST_SKIP() << "cannot make a folder read-only here";
    // A writable file stays writable in a read-only folder; no new file can be made there.
    EXPECT_TRUE(CanWriteFile(Dir.Path() / "locked" / "existing.ini"));
    EXPECT_FALSE(CanWriteFile(Dir.Path() / "locked" / "new.ini"));
    MakeWritable(Dir.Path() / "locked");
    ASSERT_TRUE(MakeReadOnly(Dir.Path() / "existing.ini"));
    EXPECT_FALSE(CanWriteFile(Dir.Path() / "existing.ini"));
    MakeWritable(Dir.Path() / "existing.ini");
}

TEST(Paths, SettingsStayBesideAProgramWhoseFolderIsWritable) {
    // The test program's own folder is the build folder, which is writable.
    EXPECT_EQ(SettingsFilePath("Varidir.ini"), ExecutableDirectory() / "Varidir.ini");
    EXPECT_EQ(ExecutableDirectory(), fs::read_symlink("/proc/self/exe").parent_path());
}

} // namespace
} // namespace deraz
