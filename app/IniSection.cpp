#include "app/IniSection.h"

#include <utility>

IniSection::IniSection(IniDocument* document, std::string name)
    : m_document(document)
    , m_name(std::move(name))
{ }

IniEntry* IniSection::FindEntry(std::string_view key) const
{
    auto it = m_entries.find(TrimBlanksAndTabs(key));
    return it == m_entries.end() ? nullptr : it->second.get();
}

IniEntry& IniSection::AddEntry(std::string_view key)
{
    std::string trimmed = TrimBlanksAndTabs(key);
    auto it = m_entries.find(trimmed);
    if (it == m_entries.end())
        it = m_entries.emplace(trimmed, std::make_unique<IniEntry>(this, trimmed)).first;
    return *it->second;
}

std::string IniSection::GetValue(std::string_view key) const
{
    const IniEntry* entry = FindEntry(key);
    return entry ? entry->Value() : std::string();
}
