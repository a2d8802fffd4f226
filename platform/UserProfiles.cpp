#include "platform/UserProfiles.h"

#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

std::string ConfigFolder()
{
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd* pw = ::getpwuid(::getuid());
            home = pw ? pw->pw_dir : "/tmp";
        }
        base = std::string(home) + "/.config";
        ::mkdir(base.c_str(), 0700);
    }
    if (base.back() != '/')
        base += '/';
    std::string folder = base + "sablewick/";
    ::mkdir(base.c_str(), 0700);
    ::mkdir(folder.c_str(), 0700);
    return folder;
}

std::string ApplicationProfilePath()
{
    return ConfigFolder() + "sablewick.INI";
}
std::string SharedUserProfilePath()
{
    return ConfigFolder() + "user-profile.ini";
}
std::string RememberedAnswersPath()
{
    return ConfigFolder() + "answers.ini";
}
