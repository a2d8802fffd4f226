#pragma once

#include <string>

class IniSection;

// One "key=value" line of an INI text. Owned by its section.
class IniEntry
{
public:
    IniEntry(IniSection* section, std::string key);
    IniEntry(const IniEntry&) = delete;
    IniEntry& operator=(const IniEntry&) = delete;

    IniSection* Section() const { return m_section; }
    const std::string& Key() const { return m_key; }
    const std::string& Value() const { return m_value; }

    void SetValue(std::string value);

private:
    IniSection* m_section;
    std::string m_key;
    std::string m_value;
};
