#include "engine/CommandLineSplitter.h"

std::vector<std::string> SplitCommandLine(const std::string& line)
{
    std::vector<std::string> args;
    std::string current;
    bool inArgument = false;
    bool inQuotes = false;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (!inQuotes && (c == ' ' || c == '\t' || c == '\n' || c == '\r')) {
            if (inArgument) {
                args.push_back(current);
                current.clear();
                inArgument = false;
            }
            ++i;
            continue;
        }
        inArgument = true;
        if (c == '\\') {
            std::size_t n = 0;
            while (i < line.size() && line[i] == '\\') {
                ++n;
                ++i;
            }
            if (i < line.size() && line[i] == '"') {
                current.append(n / 2, '\\');
                if (n % 2 == 1) {
                    current += '"';
                    ++i;
                }
            } else {
                current.append(n, '\\');
            }
            continue;
        }
        if (c == '"') {
            inQuotes = !inQuotes;
            ++i;
            continue;
        }
        current += c;
        ++i;
    }
    if (inArgument)
        args.push_back(current);
    return args;
}
