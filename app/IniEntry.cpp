#include "app/IniEntry.h"

#include <utility>

IniEntry::IniEntry(IniSection* section, std::string key)
    : m_section(section)
    , m_key(std::move(key))
{ }

void IniEntry::SetValue(std::string value)
{
    m_value = std::move(value);
}
