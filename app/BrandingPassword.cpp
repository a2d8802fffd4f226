#include "app/BrandingPassword.h"

#include <cstddef>
#include <cstdint>

namespace {

// One letter per word, in the low byte; the upper bytes are filler so that the letters never
// lie side by side in the executable.
constexpr std::uint32_t kPasswordWords[7] = {
    0x52E6B456u,
    0xF2A74D65u,
    0x269E0D6Cu,
    0x65132764u,
    0xA6A3A472u,
    0x0C5C7F69u,
    0x128B2F6Eu,
};

} // namespace

std::string BrandingPassword()
{
    // Read through a volatile pointer so the optimiser cannot fold the letters back into a
    // string constant.
    const volatile std::uint32_t* words = kPasswordWords;
    std::string password;
    password.reserve(std::size(kPasswordWords));
    for (std::size_t i = 0; i < std::size(kPasswordWords); ++i)
        password.push_back(static_cast<char>(words[i] & 0xFFu));
    return password;
}
