#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct ZipItemInfo
{
    // The member's name with its folder part, cleaned at the front (see ItemInfo).
    std::string name;
    std::uint64_t size = 0;
};

enum class ZipStatus
{
    Ok,
    BadIndex,
    ReadError,
    Unsupported, // a compression method other than stored or deflated
    BadPassword, // the encryption header does not check out
    DataError, // the data does not inflate, or has the wrong size
    CrcMismatch, // decrypted and inflated, but not the bytes that were stored
    BufferTooSmall,
};

struct ZipImage;

// Reads a ZIP archive image held in memory, through minizip with memory I/O callbacks.
//
// Members are read raw and decrypted (traditional PKWARE encryption) and inflated here:
// Debian's minizip is built without decryption.
class ZipReader
{
public:
    // A reader over a copy of the image, or none when the image is not a readable archive.
    static std::unique_ptr<ZipReader> OpenFromMemory(
        const void* data, std::size_t size, std::string password);
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    int ItemCount() const;

    // The member's name and uncompressed size. A drive letter with its colon, leading slashes
    // and backslashes, and everything up to and including the last ".." step between two
    // separators are removed from the front of the name.
    std::optional<ZipItemInfo> ItemInfo(int index) const;

    // Extracts the member into the buffer, decrypting it with the password when it is
    // encrypted. The buffer receives bytes only once they have passed the CRC check, so a
    // wrong password or damaged data leaves it untouched.
    ZipStatus ExtractItem(int index, void* buffer, std::size_t size);

    void Close();

private:
    struct UnzCloser
    {
        void operator()(void* handle) const;
    };

    ZipReader(std::unique_ptr<ZipImage> image, std::string password);
    bool GoToItem(int index) const;

    std::unique_ptr<ZipImage> m_image;
    std::string m_password;
    // Declared last, so it is closed while the image it reads from still exists.
    std::unique_ptr<void, UnzCloser> m_unz;
};

// The member name as ItemInfo reports it.
std::string CleanMemberName(const std::string& name);
