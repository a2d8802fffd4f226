// The INI document (branding info.ini) on any text.

#include "app/IniDocument.h"
#include "tests/fuzz/FuzzSupport.h"

#include <sstream>
#include <string>

namespace {

void Parse(IniDocument& document, const std::string& text)
{
    std::istringstream stream(text);
    document.Parse(stream, false);
}

// The document written back as INI text: a header per section, a line per entry.
std::string Written(const IniDocument& document)
{
    std::string text;
    for (const auto& [name, section] : document.Sections()) {
        text += "[" + section->Name() + "]\n";
        for (const auto& [key, entry] : section->Entries())
            text += entry->Key() + "=" + entry->Value() + "\n";
    }
    return text;
}

std::string UpperAscii(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(AsText(data, size));
    IniDocument document;
    Parse(document, text);

    for (const auto& [name, section] : document.Sections()) {
        FUZZ_CHECK(section->Document() == &document);
        FUZZ_CHECK(name == section->Name());
        // Names and keys are found again in any letter case.
        FUZZ_CHECK(document.FindSection(UpperAscii(name)) == section.get());
        for (const auto& [key, entry] : section->Entries()) {
            FUZZ_CHECK(entry->Section() == section.get());
            FUZZ_CHECK(!key.empty());
            FUZZ_CHECK(section->FindEntry(UpperAscii(key)) == entry.get());
            FUZZ_CHECK(entry->Value().find('\n') == std::string::npos);
        }
    }

    // What was read, written out and read again, is the same document; so is the text
    // with CR LF line ends.
    const std::string written = Written(document);
    IniDocument again;
    Parse(again, written);
    FUZZ_CHECK(Written(again) == written);

    std::string crlf;
    for (char c : text) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    IniDocument fromCrlf;
    Parse(fromCrlf, crlf);
    FUZZ_CHECK(Written(fromCrlf) == written);

    // Appending the same text again changes nothing: a repeated key takes the later value.
    std::istringstream stream(text);
    document.Parse(stream, true);
    FUZZ_CHECK(Written(document) == written);
    return 0;
}
