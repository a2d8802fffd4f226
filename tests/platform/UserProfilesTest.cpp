#include "platform/UserProfiles.h"

#include "tests/support/SpareUser.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Sets HOME and XDG_CONFIG_HOME for one test and puts the old values back.
class Environment
{
public:
    Environment()
    {
        for (const char* name : { "HOME", "XDG_CONFIG_HOME" }) {
            const char* value = std::getenv(name);
            m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
    }
    ~Environment()
    {
        for (const auto& [name, value] : m_saved)
            Set(name, value);
    }
    static void Set(const std::string& name, const std::optional<std::string>& value)
    {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

struct FolderCase
{
    const char* name;
    std::optional<std::string> home; // relative to the scratch folder, as is the rest
    std::optional<std::string> xdg;
    // Prepares the scratch folder; `other` is another user's id, or none.
    std::function<void(const std::string& root, std::optional<uid_t> other)> setup;
    const char* expected; // the folder, relative to the scratch folder; "" for none
    bool needsOtherUser;
    bool xdgAsGiven = false; // XDG_CONFIG_HOME exactly as written, not in the scratch folder
};

void MakeFolder(const std::string& path, mode_t mode)
{
    fs::create_directories(path);
    ::chmod(path.c_str(), mode);
}

// The configuration folder is used only where the user owns the way to it, so another user
// can never plant settings there (nor read what is saved); anything else gives no folder.
TEST(ConfigFolder, IsUsedOnlyWhereTheUserOwnsTheWay)
{
    const std::optional<uid_t> other = spare_user::Id();
    auto chownTo = [](const std::string& path, std::optional<uid_t> uid) {
        ASSERT_EQ(::chown(path.c_str(), *uid, static_cast<gid_t>(*uid)), 0) << path;
    };
    const FolderCase cases[] = {
        { "own XDG folder", std::nullopt, "cfg",
            [](const std::string& r, auto) { MakeFolder(r + "/cfg", 0700); }, "cfg/sablewick/",
            false },
        { "XDG folder made on demand", std::nullopt, "cfg", nullptr, "cfg/sablewick/", false },
        { "home's .config", "home", std::nullopt,
            [](const std::string& r, auto) { MakeFolder(r + "/home", 0755); },
            "home/.config/sablewick/", false },
        { "home with a trailing slash", "home/", std::nullopt,
            [](const std::string& r, auto) { MakeFolder(r + "/home", 0755); },
            "home/.config/sablewick/", false },
        { "a .config kept elsewhere through a link", "home", std::nullopt,
            [](const std::string& r, auto) {
                MakeFolder(r + "/home", 0755);
                MakeFolder(r + "/dotfiles", 0700);
                fs::create_symlink(r + "/dotfiles", r + "/home/.config");
            },
            "home/.config/sablewick/", false },
        { "a relative XDG_CONFIG_HOME is ignored", "home", "cfg",
            [](const std::string& r, auto) { MakeFolder(r + "/home", 0755); },
            "home/.config/sablewick/", false, true },
        { "world-writable .config (a shared /tmp/.config)", "tmp", std::nullopt,
            [](const std::string& r, auto) {
                MakeFolder(r + "/tmp/.config", 0777);
                MakeFolder(r + "/tmp/.config/sablewick", 0777);
            },
            "", false },
        { "world-writable sablewick folder", std::nullopt, "cfg",
            [](const std::string& r, auto) { MakeFolder(r + "/cfg/sablewick", 0777); }, "", false },
        { "a file in the folder's place", std::nullopt, "cfg",
            [](const std::string& r, auto) {
                MakeFolder(r + "/cfg", 0700);
                std::FILE* f = std::fopen((r + "/cfg/sablewick").c_str(), "w");
                if (f)
                    std::fclose(f);
            },
            "", false },
        { "a folder that cannot be made", std::nullopt, "file/cfg",
            [](const std::string& r, auto) {
                std::FILE* f = std::fopen((r + "/file").c_str(), "w");
                if (f)
                    std::fclose(f);
            },
            "", false },
        { ".config of another user", "home", std::nullopt,
            [&](const std::string& r, std::optional<uid_t> uid) {
                MakeFolder(r + "/home/.config", 0755);
                chownTo(r + "/home/.config", uid);
            },
            "", true },
        { "sablewick folder of another user", std::nullopt, "cfg",
            [&](const std::string& r, std::optional<uid_t> uid) {
                MakeFolder(r + "/cfg/sablewick", 0700);
                chownTo(r + "/cfg/sablewick", uid);
            },
            "", true },
        { "sablewick a link to another user's folder", std::nullopt, "cfg",
            [&](const std::string& r, std::optional<uid_t> uid) {
                MakeFolder(r + "/cfg", 0700);
                MakeFolder(r + "/theirs", 0700);
                chownTo(r + "/theirs", uid);
                fs::create_symlink(r + "/theirs", r + "/cfg/sablewick");
            },
            "", true },
    };
    for (const FolderCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsOtherUser && !other)
            continue; // only root can make a folder of another user
        char dir[] = "/tmp/userprofilesXXXXXX";
        ASSERT_NE(::mkdtemp(dir), nullptr);
        const std::string root = dir;
        if (c.setup)
            c.setup(root, other);
        Environment environment;
        auto under = [&](const std::optional<std::string>& relative) {
            return relative ? std::optional<std::string>(root + "/" + *relative) : std::nullopt;
        };
        Environment::Set("HOME", under(c.home));
        Environment::Set("XDG_CONFIG_HOME", c.xdgAsGiven ? c.xdg : under(c.xdg));

        const std::string expected = *c.expected ? root + "/" + c.expected : "";
        EXPECT_EQ(ConfigFolder(), expected);
        EXPECT_EQ(ApplicationProfilePath(), *c.expected ? expected + "sablewick.INI" : "");
        EXPECT_EQ(SharedUserProfilePath(), *c.expected ? expected + "user-profile.ini" : "");
        EXPECT_EQ(RememberedAnswersPath(), *c.expected ? expected + "answers.ini" : "");
        if (*c.expected) {
            struct stat st = {};
            ASSERT_EQ(::stat(expected.c_str(), &st), 0);
            EXPECT_TRUE(S_ISDIR(st.st_mode));
            EXPECT_EQ(st.st_uid, ::geteuid());
        }
        fs::remove_all(root);
    }
}

// With neither HOME nor an entry in the user database there is no home, so no folder at
// all: not a shared fallback such as /tmp/.config that another user could make first.
TEST(ConfigFolder, NoHomeAndNoUserEntryGiveNoFolder)
{
    const std::optional<uid_t> other = spare_user::Id();
    if (!other)
        GTEST_SKIP() << "needs root to become a user without an entry";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::unsetenv("HOME");
        ::unsetenv("XDG_CONFIG_HOME");
        if (!spare_user::Become(*other))
            ::_exit(3);
        const bool none = ConfigFolder().empty() && ApplicationProfilePath().empty()
            && SharedUserProfilePath().empty() && RememberedAnswersPath().empty();
        ::_exit(none ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
