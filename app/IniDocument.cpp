#include "app/IniDocument.h"

#include <optional>

namespace {

// "[name]": the first character is '[' and the last one, other than blank, tab, CR or LF, is
// ']'. The name ends at that ']', so blanks after the bracket never become part of it.
std::optional<std::string_view> SectionHeaderName(std::string_view line)
{
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    std::size_t last = line.find_last_not_of(" \t\r\n");
    if (last == 0 || line[last] != ']')
        return std::nullopt;
    return line.substr(1, last - 1);
}

} // namespace

void IniDocument::Parse(std::istream& stream, bool append)
{
    if (!append)
        Clear();
    IniSection* current = nullptr;
    std::string line;
    while (std::getline(stream, line)) {
        std::string_view text(line);
        std::size_t begin = 0;
        while (begin < text.size() && IsBlankOrTab(text[begin]))
            ++begin;
        text.remove_prefix(begin);
        while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
            text.remove_suffix(1);
        if (text.empty())
            continue;

        if (auto name = SectionHeaderName(text)) {
            current = &AddSection(*name);
            continue;
        }
        std::size_t equals = text.find('=');
        if (equals == std::string_view::npos || equals == 0 || !current)
            continue;
        current->AddEntry(text.substr(0, equals)).SetValue(std::string(text.substr(equals + 1)));
    }
}

void IniDocument::Clear()
{
    m_sections.clear();
}

IniSection* IniDocument::FindSection(std::string_view name) const
{
    auto it = m_sections.find(TrimBlanksAndTabs(name));
    return it == m_sections.end() ? nullptr : it->second.get();
}

IniSection& IniDocument::AddSection(std::string_view name)
{
    std::string trimmed = TrimBlanksAndTabs(name);
    auto it = m_sections.find(trimmed);
    if (it == m_sections.end())
        it = m_sections.emplace(trimmed, std::make_unique<IniSection>(this, trimmed)).first;
    return *it->second;
}
