#pragma once

#include <string>

// A test name made of the case's description: letters and digits, the rest as '_'.
inline std::string CaseName(const char* what)
{
    std::string name;
    for (const char* p = what; *p; ++p) {
        bool alnum
            = (*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z') || (*p >= '0' && *p <= '9');
        name += alnum ? *p : '_';
    }
    return name;
}
