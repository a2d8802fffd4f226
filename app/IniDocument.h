#pragma once

#include "platform/AsciiText.h"
#include "app/IniSection.h"

#include <istream>
#include <map>
#include <memory>
#include <string>
#include <string_view>

// A parsed INI text: sections keyed without regard to ASCII case, each owning its entries.
//
// Lines end with LF (a CR before it goes too). "[name]" starts a section; "key=value" adds to
// the current one, the value being everything after the first "=", leading blanks included.
// Keys before the first header, lines starting with "=" and lines without "=" are ignored.
// A repeated header continues its section and a repeated key takes the later value.
class IniDocument
{
public:
    using SectionMap = std::map<std::string, std::unique_ptr<IniSection>, LessIgnoringCase>;

    IniDocument() = default;
    IniDocument(const IniDocument&) = delete;
    IniDocument& operator=(const IniDocument&) = delete;

    // Reads lines until the stream ends. Without append, the document is cleared first.
    void Parse(std::istream& stream, bool append);
    void Clear();

    const SectionMap& Sections() const { return m_sections; }

    // Names are trimmed of blanks and tabs at both ends before they are looked up.
    IniSection* FindSection(std::string_view name) const;
    // The section of that name; a new empty one when there is none.
    IniSection& AddSection(std::string_view name);

private:
    SectionMap m_sections;
};
