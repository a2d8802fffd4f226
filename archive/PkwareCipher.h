#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The ZIP traditional (PKWARE) stream cipher: three 32-bit keys driven by the password and
// then by every plain byte. Each member is preceded by a 12-byte encryption header whose last
// byte lets a reader tell a wrong password from a right one (1 time in 256 it cannot).
class PkwareCipher
{
public:
    static constexpr std::size_t kHeaderSize = 12;

    explicit PkwareCipher(std::string_view password);

    void Encrypt(std::uint8_t* data, std::size_t size);
    void Decrypt(std::uint8_t* data, std::size_t size);

private:
    std::uint8_t KeystreamByte() const;
    void UpdateKeys(std::uint8_t plain);

    std::uint32_t m_keys[3];
};

// CRC-32 of one more byte, as the cipher's key schedule uses it (no pre- or post-inversion).
std::uint32_t Crc32Step(std::uint32_t crc, std::uint8_t byte);
