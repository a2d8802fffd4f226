#pragma once

#include "platform/FileIo.h"

#include <string>
#include <utility>
#include <vector>

// Private-profile (INI) files, read and written one key at a time.
// Section and key names match without regard to ASCII case, the first matching
// section and key win, a value is replaced in place and every other line of the
// file is kept byte for byte. Writes go through a temporary file and a rename.

// Profiles are small; a larger file is taken as missing for reading and left alone.
inline constexpr std::size_t kMaxProfileFileSize = 1 << 20;

// The value of `key` in `section`, or `defaultValue` when the file, the section or
// the key is missing (a file that is not a regular one counts as missing). At most
// `bufferSize - 1` characters are returned.
std::string ReadProfileString(const std::string& path, const std::string& section,
    const std::string& key, const std::string& defaultValue, std::size_t bufferSize = 100);

// Writes `key=value` into `section`, creating the file, the section and the key
// as needed. False when the file cannot be written or read whole (not a regular file,
// larger than kMaxProfileFileSize, unreadable), when `path` is empty (no place for it), or
// when a name or the value holds a line break (or NUL) and would break the file's lines;
// the file is then untouched.
bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
    const std::string& value);

// Pure core of the two operations, on the file's text.
std::string FindProfileValue(
    const std::string& text, const std::string& section, const std::string& key, bool* found);
std::string ReplaceProfileValue(const std::string& text, const std::string& section,
    const std::string& key, const std::string& value);
// The key lines of the first section named `section`, in the file's order, names and values
// without their surrounding blanks; `found` (when given) tells whether the section exists.
std::vector<std::pair<std::string, std::string>> ProfileSectionEntries(
    const std::string& text, const std::string& section, bool* found = nullptr);
