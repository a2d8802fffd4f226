#pragma once

// Another user for the tests that need one: a user id with no entry in the user database,
// so no home either. Only root can become it; other runs skip those cases.

#include <grp.h>
#include <optional>
#include <pwd.h>
#include <sys/types.h>
#include <unistd.h>

namespace spare_user {

inline std::optional<uid_t> Id()
{
    if (::geteuid() != 0)
        return std::nullopt;
    for (uid_t uid = 61000; uid < 62000; ++uid)
        if (!::getpwuid(uid) && !::getgrgid(static_cast<gid_t>(uid)))
            return uid;
    return std::nullopt;
}

// In a child after fork: become `uid` (with the group of the same number and no other
// groups). False when that fails.
inline bool Become(uid_t uid)
{
    const auto gid = static_cast<gid_t>(uid);
    return ::setgroups(0, nullptr) == 0 && ::setgid(gid) == 0 && ::setuid(uid) == 0;
}

} // namespace spare_user
