#include "archive/PkwareCipher.h"

#include <array>

namespace {

constexpr std::array<std::uint32_t, 256> MakeCrcTable()
{
    std::array<std::uint32_t, 256> table {};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

} // namespace

std::uint32_t Crc32Step(std::uint32_t crc, std::uint8_t byte)
{
    return kCrcTable[(crc ^ byte) & 0xFFu] ^ (crc >> 8);
}

PkwareCipher::PkwareCipher(std::string_view password)
    : m_keys { 0x12345678u, 0x23456789u, 0x34567890u }
{
    for (char c : password)
        UpdateKeys(static_cast<std::uint8_t>(c));
}

std::uint8_t PkwareCipher::KeystreamByte() const
{
    std::uint32_t temp = (m_keys[2] & 0xFFFFu) | 2u;
    return static_cast<std::uint8_t>(((temp * (temp ^ 1u)) >> 8) & 0xFFu);
}

void PkwareCipher::UpdateKeys(std::uint8_t plain)
{
    m_keys[0] = Crc32Step(m_keys[0], plain);
    m_keys[1] = (m_keys[1] + (m_keys[0] & 0xFFu)) * 134775813u + 1u;
    m_keys[2] = Crc32Step(m_keys[2], static_cast<std::uint8_t>(m_keys[1] >> 24));
}

void PkwareCipher::Encrypt(std::uint8_t* data, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) {
        std::uint8_t plain = data[i];
        data[i] = plain ^ KeystreamByte();
        UpdateKeys(plain);
    }
}

void PkwareCipher::Decrypt(std::uint8_t* data, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) {
        data[i] = data[i] ^ KeystreamByte();
        UpdateKeys(data[i]);
    }
}
