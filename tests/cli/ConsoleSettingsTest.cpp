// Which settings file the console program reads when it is installed (its folder not
// writable) and the user has no configuration folder of their own, and what it does with
// a settings file that is not a regular file.
#include "tests/support/ProgramCopy.h"
#include "tests/support/ScriptFiles.h"
#include "tests/support/SpareUser.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char* const kDefaults = "[TellurvaneInfo]\nStart=0\nImagesPerSecond=0.50\nFileFormat=0\n";

struct ProgramRun
{
    int status = -1;
    std::string out;
    std::string err;
};

class ConsoleSettings : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = fs::temp_directory_path() / ("clisettings-" + std::to_string(::getpid()));
        fs::create_directories(s_dir);
        // Another user runs the program in some cases: the clip and the copy must be theirs
        // to read.
        fs::permissions(s_dir,
            fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec
                | fs::perms::others_read | fs::perms::others_exec);
        ASSERT_TRUE(test_program::MakeClip(s_dir / "clip.mp4", "testsrc2=s=64x48:r=10:d=2"));
    }
    static void TearDownTestSuite()
    {
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(s_dir, ignored))
            if (entry.is_directory(ignored) && !entry.is_symlink(ignored))
                fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(s_dir, ignored);
    }

    // A folder of the test's own, under the suite's folder.
    static fs::path Folder(const std::string& name, fs::perms perms = fs::perms::owner_all)
    {
        const fs::path folder = s_dir / name;
        fs::create_directories(folder);
        fs::permissions(folder, perms);
        return folder;
    }

    // Runs `program` on the clip in `work` with `home` as HOME (none: unset), no
    // XDG_CONFIG_HOME, and, when `uid` is given, as that user.
    static ProgramRun Run(const fs::path& program, const fs::path& work,
        const std::optional<std::string>& home, std::optional<uid_t> uid)
    {
        const fs::path logs = work.parent_path();
        const std::string out = (logs / "out.log").string();
        const std::string err = (logs / "err.log").string();
        const std::string clip = (s_dir / "clip.mp4").string();
        const pid_t child = ::fork();
        if (child == 0) {
            const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (outFd < 0 || errFd < 0 || ::dup2(outFd, 1) < 0 || ::dup2(errFd, 2) < 0)
                ::_exit(125);
            if (home)
                ::setenv("HOME", home->c_str(), 1);
            else
                ::unsetenv("HOME");
            ::unsetenv("XDG_CONFIG_HOME");
            ::setenv("TMPDIR", work.c_str(), 1);
            if (uid && !spare_user::Become(*uid))
                ::_exit(124);
            if (::chdir(work.c_str()) != 0)
                ::_exit(126);
            ::execl(
                program.c_str(), program.c_str(), "-q", clip.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ProgramRun r;
        int status = 0;
        if (child < 0 || ::waitpid(child, &status, 0) != child)
            return r;
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = test_files::ReadFile(out);
        r.err = test_files::ReadFile(err);
        return r;
    }

    static fs::path s_dir;
};

fs::path ConsoleSettings::s_dir;

// A FIFO as the settings file made the program wait for a writer for ever.
TEST_F(ConsoleSettings, AFifoAsTheSettingsFileIsNoSettingsFile)
{
    const fs::path bin = Folder("fifo") / "bin";
    test_program::MakeProgramCopy(bin, kDefaults);
    fs::remove(bin / "TellurvaneInfo.ini");
    ASSERT_EQ(::mkfifo((bin / "TellurvaneInfo.ini").c_str(), 0644), 0);
    const fs::path work = Folder("fifo/work");

    const ProgramRun r = Run(bin / "sablewick-cli", work, ::getenv("HOME"), std::nullopt);
    EXPECT_EQ(r.status, 2) << r.out << r.err;
    EXPECT_EQ(r.err,
        "sablewick-cli: no settings file at " + (bin / "TellurvaneInfo.ini").string() + "\n");
    EXPECT_TRUE(fs::is_empty(work));
    EXPECT_EQ(fs::status(bin / "TellurvaneInfo.ini").type(), fs::file_type::fifo);
}

// Installed (its folder read-only), a program that only reads settings needs no folder of
// the user's: with a read-only home, no home at all, or a configuration folder someone else
// may have planted settings in (PNG instead of GIF here), it converts with its default.
TEST_F(ConsoleSettings, WithoutAConfigFolderOfItsOwnTheProgramReadsItsDefault)
{
    // Root may write anywhere: the program runs as another user then.
    const std::optional<uid_t> other = spare_user::Id();
    const uid_t user = other ? *other : ::geteuid();
    const fs::perms readOnly = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read
        | fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec;
    struct Case
    {
        const char* name;
        bool hasHome;
        bool plantedConfig; // HOME/.config holds settings anyone could have put there
        bool needsOtherUser;
    };
    const Case cases[] = {
        { "read-only home", true, false, false },
        { "no HOME and no entry in the user database", false, false, true },
        { "a .config that everyone may write to", true, true, false },
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsOtherUser && !other)
            continue; // needs root to become a user without an entry
        const fs::path folder
            = Folder("home" + std::to_string(++n), readOnly | fs::perms::owner_write);
        const fs::path bin = folder / "bin";
        test_program::MakeProgramCopy(bin, kDefaults);
        fs::permissions(bin, readOnly);
        const fs::path home = folder / "home";
        fs::create_directories(home);
        if (c.plantedConfig) {
            fs::create_directories(home / ".config" / "sablewick");
            std::ofstream(home / ".config" / "sablewick" / "TellurvaneInfo.ini")
                << "[TellurvaneInfo]\nStart=0\nImagesPerSecond=0.50\nFileFormat=3\n";
            fs::permissions(home / ".config", fs::perms::all);
            fs::permissions(home / ".config" / "sablewick", fs::perms::all);
        }
        fs::permissions(home, readOnly);
        const fs::path work = Folder("home" + std::to_string(n) + "/work", fs::perms::owner_all);
        ASSERT_EQ(::chown(work.c_str(), user, static_cast<gid_t>(user)), 0);

        const ProgramRun r = Run(bin / "sablewick-cli", work,
            c.hasHome ? std::optional<std::string>(home.string()) : std::nullopt, other);
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_TRUE(fs::exists(work / "clip.gif"));
        EXPECT_FALSE(fs::exists(work / "clip1.png"));
        EXPECT_FALSE(
            fs::exists(home / ".config" / "sablewick" / "TellurvaneInfo.ini") && !c.plantedConfig);
        EXPECT_EQ(test_files::ReadFile(bin / "TellurvaneInfo.ini"), kDefaults);
    }
}

} // namespace
