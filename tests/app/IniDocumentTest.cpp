#include "app/IniDocument.h"

#include "tests/support/CaseName.h"

#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <sstream>
#include <vector>

namespace {

struct Lookup
{
    const char* section;
    const char* key;
    std::optional<std::string> value; // none: the key must be absent
};

struct IniCase
{
    const char* what;
    std::string text;
    std::vector<Lookup> lookups;
};

std::unique_ptr<IniDocument> Parsed(const std::string& text)
{
    auto document = std::make_unique<IniDocument>();
    std::istringstream stream(text);
    document->Parse(stream, false);
    return document;
}

void PrintTo(const IniCase& c, std::ostream* os)
{
    *os << c.what;
}

class IniTextTest : public testing::TestWithParam<IniCase>
{
};

TEST_P(IniTextTest, ReadsValues)
{
    const IniCase& c = GetParam();
    IniDocument document;
    std::istringstream stream(c.text);
    document.Parse(stream, false);
    for (const Lookup& lookup : c.lookups) {
        SCOPED_TRACE(std::string(lookup.section) + "/" + lookup.key);
        const IniSection* section = document.FindSection(lookup.section);
        const IniEntry* entry = section ? section->FindEntry(lookup.key) : nullptr;
        if (lookup.value) {
            ASSERT_NE(entry, nullptr);
            EXPECT_EQ(entry->Value(), *lookup.value);
        } else {
            EXPECT_EQ(entry, nullptr);
        }
    }
}

const IniCase kCases[] = {
    { "plain", "[Company]\nName=Sablewick\n", { { "Company", "Name", "Sablewick" } } },
    { "case of section and key", "[company]\nsoftwarename=x\n",
        { { "COMPANY", "SoftwareName", "x" } } },
    { "blanks around key and equals keep the value's leading blanks",
        "[S]\n \t key \t=  value \t\n", { { "S", "key", "  value \t" } } },
    { "value with further equals signs", "[S]\nurl=a=b==c\n", { { "S", "url", "a=b==c" } } },
    { "line starting with equals", "[S]\n=value\n  =value\n", { { "S", "", std::nullopt } } },
    { "keys before any header", "a=1\n[S]\nb=2\n",
        { { "S", "a", std::nullopt }, { "S", "b", "2" } } },
    { "repeated key: the later value wins", "[S]\nk=first\nK=second\n",
        { { "S", "k", "second" } } },
    { "repeated header continues the section", "[S]\na=1\n[T]\nb=2\n[s]\nc=3\n",
        { { "S", "a", "1" }, { "S", "c", "3" }, { "S", "b", std::nullopt }, { "T", "b", "2" } } },
    { "CR LF line ends", "[S]\r\na=1\r\nb=2\r\n", { { "S", "a", "1" }, { "S", "b", "2" } } },
    { "last line without LF", "[S]\na=1", { { "S", "a", "1" } } },
    { "empty value", "[S]\na=\n", { { "S", "a", "" } } },
    { "comment lines are ignored", "[S]\n# a comment\n; another\na=1\n",
        { { "S", "a", "1" }, { "S", "# a comment", std::nullopt } } },
    { "header with blanks inside and after the brackets", "  [ Company \t] \t\r\nk=v\n",
        { { "Company", "k", "v" } } },
    { "bracket not closed is no header", "[S]\n[T\nk=v\n", { { "S", "k", "v" } } },
    { "zero bytes make no section", std::string(64, '\0'), { { "Company", "k", std::nullopt } } },
};

INSTANTIATE_TEST_SUITE_P(Texts, IniTextTest, testing::ValuesIn(kCases),
    [](const testing::TestParamInfo<IniCase>& info) { return CaseName(info.param.what); });

TEST(IniDocumentTest, HeaderNameEndsAtTheBracket)
{
    auto document = Parsed("[Company]  \nk=v\n");
    ASSERT_EQ(document->Sections().size(), 1u);
    EXPECT_EQ(document->Sections().begin()->second->Name(), "Company");
}

TEST(IniDocumentTest, FirstSpellingOfNamesIsKept)
{
    auto document = Parsed("[Company]\nSoftwareName=a\n[COMPANY]\nSOFTWARENAME=b\n");
    IniSection* section = document->FindSection("company");
    ASSERT_NE(section, nullptr);
    EXPECT_EQ(section->Name(), "Company");
    ASSERT_EQ(section->Entries().size(), 1u);
    EXPECT_EQ(section->FindEntry("softwarename")->Key(), "SoftwareName");
    EXPECT_EQ(section->GetValue("SoftwareName"), "b");
}

TEST(IniDocumentTest, ParseWithoutAppendStartsAfresh)
{
    IniDocument document;
    std::istringstream first("[A]\nx=1\n");
    document.Parse(first, false);
    std::istringstream second("[B]\ny=2\n");
    document.Parse(second, true);
    EXPECT_NE(document.FindSection("A"), nullptr);
    EXPECT_NE(document.FindSection("B"), nullptr);

    // A key line right after a fresh parse has no current section, even in append mode.
    std::istringstream third("z=3\n[B]\nw=4\n");
    document.Parse(third, true);
    EXPECT_EQ(document.FindSection("B")->GetValue("w"), "4");
    EXPECT_EQ(document.FindSection("B")->FindEntry("z"), nullptr);

    std::istringstream fourth("[C]\n");
    document.Parse(fourth, false);
    EXPECT_EQ(document.FindSection("A"), nullptr);
    EXPECT_NE(document.FindSection("C"), nullptr);
}

TEST(IniDocumentTest, LookupsTrimBlanksAndTabs)
{
    IniDocument document;
    IniSection& section = document.AddSection(" \tName\t ");
    EXPECT_EQ(section.Name(), "Name");
    EXPECT_EQ(&document.AddSection("name"), &section);
    EXPECT_EQ(document.FindSection("\tNAME "), &section);
    EXPECT_EQ(section.Document(), &document);

    IniEntry& entry = section.AddEntry("  Key ");
    EXPECT_EQ(entry.Key(), "Key");
    EXPECT_EQ(entry.Value(), "");
    EXPECT_EQ(entry.Section(), &section);
    entry.SetValue("v");
    EXPECT_EQ(&section.AddEntry("KEY"), &entry);
    EXPECT_EQ(section.GetValue("\tkey"), "v");
    EXPECT_EQ(section.GetValue("missing"), "");
}

TEST(IniDocumentTest, ClearRemovesEverything)
{
    auto document = Parsed("[A]\nx=1\n[B]\ny=2\n");
    document->Clear();
    EXPECT_TRUE(document->Sections().empty());
    EXPECT_EQ(document->FindSection("A"), nullptr);
}

} // namespace
