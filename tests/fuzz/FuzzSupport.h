#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// Helpers shared by the fuzz targets.

// A broken invariant: say which, and abort so that libFuzzer keeps the input (and a replay
// of the corpus fails).
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

inline std::string_view AsText(const std::uint8_t* data, std::size_t size)
{
    return size == 0 ? std::string_view()
                     : std::string_view(reinterpret_cast<const char*>(data), size);
}

// The text up to the next NUL byte (or the end), taken off the front of `rest`. Targets that
// need several strings read them as NUL-separated fields, the last one taking what is left.
inline std::string TakeField(std::string_view& rest)
{
    std::size_t nul = rest.find('\0');
    std::string field(rest.substr(0, nul));
    rest.remove_prefix(nul == std::string_view::npos ? rest.size() : nul + 1);
    return field;
}
