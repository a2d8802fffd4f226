#pragma once

#include "platform/AsciiText.h"
#include "app/IniEntry.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>

class IniDocument;

// A named section of an INI text: its entries, keyed without regard to ASCII case.
class IniSection
{
public:
    using EntryMap = std::map<std::string, std::unique_ptr<IniEntry>, LessIgnoringCase>;

    IniSection(IniDocument* document, std::string name);
    IniSection(const IniSection&) = delete;
    IniSection& operator=(const IniSection&) = delete;

    IniDocument* Document() const { return m_document; }
    const std::string& Name() const { return m_name; }
    const EntryMap& Entries() const { return m_entries; }

    // Keys are trimmed of blanks and tabs at both ends before they are looked up.
    IniEntry* FindEntry(std::string_view key) const;
    // The entry of that key; a new one with an empty value when there is none.
    IniEntry& AddEntry(std::string_view key);
    // A copy of the value, or an empty text when the key is absent.
    std::string GetValue(std::string_view key) const;

private:
    IniDocument* m_document;
    std::string m_name;
    EntryMap m_entries;
};
