#include "platform/UserProfiles.h"

#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The user's home: $HOME, else the user database's entry; empty when there is neither.
// A shared fallback such as /tmp would let another user plant the settings.
std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home == '/')
        return home;
    const passwd* pw = ::getpwuid(::getuid());
    if (pw && pw->pw_dir && *pw->pw_dir == '/')
        return pw->pw_dir;
    return {};
}

// Made when missing; then it must be a folder of this user that no one else may write to.
// A link is followed: a ~/.config kept elsewhere is the user's choice, and the target is
// what is checked.
bool MakeOwnFolder(const std::string& folder)
{
    ::mkdir(folder.c_str(), 0700);
    struct stat st;
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()
        && (st.st_mode & S_IWOTH) == 0;
}

std::string InConfigFolder(const char* name)
{
    const std::string folder = ConfigFolder();
    return folder.empty() ? std::string() : folder + name;
}

} // namespace

std::string ConfigFolder()
{
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
        base = xdg;
    } else {
        const std::string home = HomeFolder();
        if (home.empty())
            return {};
        base = home + (home.back() == '/' ? ".config" : "/.config");
    }
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    const std::string folder = (base == "/" ? base : base + "/") + "sablewick";
    if (!MakeOwnFolder(base) || !MakeOwnFolder(folder))
        return {};
    return folder + "/";
}

std::string ApplicationProfilePath()
{
    return InConfigFolder("sablewick.INI");
}
std::string SharedUserProfilePath()
{
    return InConfigFolder("user-profile.ini");
}
std::string RememberedAnswersPath()
{
    return InConfigFolder("answers.ini");
}
