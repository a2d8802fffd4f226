#pragma once

#include <string>
#include <vector>

// Splits a command line into arguments the way Windows programs read theirs:
// blanks separate arguments outside double quotes, a double quote starts or ends
// a quoted part, 2n backslashes before a quote give n backslashes and 2n+1 give
// n backslashes and a literal quote; other backslashes are literal.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);
