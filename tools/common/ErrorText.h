#pragma once

#include <string>
#include <system_error>

// The tools' one way of saying what failed: a one-line text naming the file in quotes, then
// the system's reason.

// The error text of errno value `code`, safe to call from any thread.
inline std::string SystemErrorText(int code)
{
    return std::error_code(code, std::generic_category()).message();
}

// "cannot write 'PATH': REASON"
inline std::string CannotWrite(const std::string& path, int code)
{
    return "cannot write '" + path + "': " + SystemErrorText(code);
}
