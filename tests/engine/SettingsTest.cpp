#include "engine/Settings.h"
#include "engine/SettingsText.h"
#include "engine/ToolCommandLines.h"
#include "platform/ProfileFile.h"
#include "platform/ProgramFolder.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(SettingsText, Predicates)
{
    EXPECT_FALSE(IsGiven("ERROR"));
    EXPECT_FALSE(IsGiven(""));
    EXPECT_TRUE(IsGiven("error"));
    EXPECT_TRUE(IsGiven("Default"));

    const std::pair<const char*, long long> integers[] = {
        {"12", 12}, {"  -3x", -3}, {"+7 ", 7}, {"Default", 0}, {"", 0}, {"4.9", 4},
        {"99999999999999999999", 2147483647}, {"-99999999999999999999", -2147483648LL},
    };
    for (const auto& [text, value] : integers)
        EXPECT_EQ(IntegerValue(text), value) << text;

    const std::pair<const char*, double> reals[] = {
        {"0.125", 0.125}, {" -2.5e1z", -25.0}, {".5", 0.5}, {"5.", 5.0}, {"inf", 0.0},
        {"nan", 0.0}, {"0x10", 0.0}, {"abc", 0.0}, {"1e999", HUGE_VAL}, {"1e-999", 0.0},
    };
    for (const auto& [text, value] : reals)
        EXPECT_EQ(RealValue(text), value) << text;
}

// Two decimals with a point, halves away from zero, under the locale given.
void ExpectTwoDecimals()
{
    const std::pair<double, const char*> cases[] = {
        {0.125, "0.13"}, {0.005, "0.01"}, {2.5, "2.50"}, {255, "255.00"}, {0.994, "0.99"},
        {9.995, "9.99"}, // 9.995 is stored just below the half
        {99.999, "100.00"}, {-0.125, "-0.13"}, {1.0 / 8, "0.13"}, {0.0, "0.00"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(FormatFixed2(value), text) << value;
}

TEST(SettingsText, TwoDecimalsRoundHalvesAwayFromZero)
{
    ExpectTwoDecimals();
}

TEST(SettingsText, TwoDecimalsRoundHalvesAwayFromZeroWhateverTheLocale)
{
    // A locale with a decimal comma must not matter (scripts/bootstrap generates this one).
    struct RestoreLocale
    {
        ~RestoreLocale() { std::setlocale(LC_ALL, "C"); }
    } restore;
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "the locale de_DE.UTF-8 is not installed";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    ExpectTwoDecimals();
}

SettingsInput Input(const char* start, const char* end, const char* x, const char* y,
                    const char* quality, const char* interval, const char* rate, int format,
                    const char* loop)
{
    return {start, end, x, y, quality, interval, rate, format, loop};
}

TEST(SaveSettings, NormalisesEachField)
{
    struct Case
    {
        SettingsInput input;
        const char* stored;
    } cases[] = {
        {Input("0", "Default", "Default", "Default", "Default", "1.00", "0", 0, "Infinite Loop"),
         "Start=0\nEnd=Default\nResolutionX=Default\nResolutionY=Default\nVBRValue=Default\n"
         "ImagesPerSecond=1.00\nTimeDelay=0.00\nFileFormat=0\nLoop=0\n"},
        {Input("5", "3", "320", "abc", "255", "0.005", "100", -1, "1001"),
         "Start=5\nEnd=Default\nResolutionX=320\nResolutionY=Default\nVBRValue=255.00\n"
         "ImagesPerSecond=1.00\nTimeDelay=100.00\nFileFormat=-1\nLoop=0\n"},
        {Input("-4", "10", "320x", "240", "255.001", "0.125", "0", 3, "25"),
         "Start=0\nEnd=10\nResolutionX=320x\nResolutionY=240\nVBRValue=Default\n"
         "ImagesPerSecond=0.13\nTimeDelay=0.00\nFileFormat=3\nLoop=25\n"},
        {Input("7 ", "8", "abc", "240", "0.01", "100", "12.5", 6, "0"),
         "Start=7\nEnd=8\nResolutionX=Default\nResolutionY=Default\nVBRValue=0.01\n"
         "ImagesPerSecond=100.00\nTimeDelay=12.50\nFileFormat=6\nLoop=0\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SettingsFileText("", c.input), std::string("[TellurvaneInfo]\n") + c.stored);
}

TEST(SaveSettings, KeepsOtherLinesAndReplacesValuesInPlace)
{
    const std::string before = "; mine\n[TellurvaneInfo]\nloop=7\nExtra=1\n[Other]\nStart=9\n";
    const std::string after = SettingsFileText(
        before, Input("1", "2", "Default", "Default", "Default", "1", "0", 0, "3"));
    EXPECT_EQ(after,
              "; mine\n[TellurvaneInfo]\nloop=3\nExtra=1\nStart=1\nEnd=2\nResolutionX=Default\n"
              "ResolutionY=Default\nVBRValue=Default\nImagesPerSecond=1.00\nTimeDelay=0.00\n"
              "FileFormat=0\n[Other]\nStart=9\n");
}

TEST(DisplayForms, ShowsDefaultsForAFileWithOnlyTheHeader)
{
    SettingsDisplay d = DisplayForms(ParseSettings("[TellurvaneInfo]\n"));
    EXPECT_EQ(d.Start, "0");
    EXPECT_EQ(d.End, "Default");
    EXPECT_EQ(d.ResolutionX, "Default");
    EXPECT_EQ(d.ResolutionY, "Default");
    EXPECT_EQ(d.VBRValue, "Default");
    EXPECT_EQ(d.ImagesPerSecond, "1.00");
    EXPECT_EQ(d.TimeDelay, "0");
    EXPECT_EQ(d.FileFormatIndex, 0);
    EXPECT_TRUE(d.SelectFirstLoopEntry);
    // A missing file reads the same.
    SettingsDisplay missing = DisplayForms(ConversionSettings {});
    EXPECT_EQ(missing.ImagesPerSecond, "1.00");
    EXPECT_TRUE(missing.SelectFirstLoopEntry);
}

TEST(DisplayForms, EachFieldLooksAtTheStoredTexts)
{
    ConversionSettings s = ParseSettings(
        "[TellurvaneInfo]\nStart=5\nEnd=4\nResolutionX=320x\nResolutionY=240\nVBRValue=3\n"
        "ImagesPerSecond=0.5\nTimeDelay=12.345\nFileFormat=-1\nLoop=25\n");
    SettingsDisplay d = DisplayForms(s);
    EXPECT_EQ(d.Start, "5");
    EXPECT_EQ(d.End, "Default");
    EXPECT_EQ(d.ResolutionX, "320x");
    EXPECT_EQ(d.ResolutionY, "240");
    EXPECT_EQ(d.VBRValue, "3.00");
    EXPECT_EQ(d.ImagesPerSecond, "0.50");
    EXPECT_EQ(d.TimeDelay, "12.35");
    EXPECT_EQ(d.FileFormatIndex, 0);
    EXPECT_FALSE(d.SelectFirstLoopEntry);
    EXPECT_EQ(d.LoopText, "25");

    // A width of 320 with a height of "Default": both show "Default".
    s.ResolutionY = "Default";
    d = DisplayForms(s);
    EXPECT_EQ(d.ResolutionX, "Default");
    EXPECT_EQ(d.ResolutionY, "Default");
    // A start that is not given still counts for the end; a stored 0 loop selects the first entry.
    s.Start = "ERROR";
    s.End = "3";
    s.Loop = "0";
    d = DisplayForms(s);
    EXPECT_EQ(d.Start, "0");
    EXPECT_EQ(d.End, "3");
    EXPECT_TRUE(d.SelectFirstLoopEntry);
}

TEST(LoadSettings, ReadsTheFileOfTheProgramFolderAndCutsLongValues)
{
    char dir[] = "/tmp/settingstestXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    SetProgramFolderForTesting(dir);
    EXPECT_EQ(SettingsFilePath(), std::string(dir) + "/TellurvaneInfo.ini");
    EXPECT_FALSE(LoadSettings().FileExists);

    SaveSettings(Input("2", "9", "640", "480", "Default", "0.1", "10", 1, "0"));
    ASSERT_TRUE(WriteProfileString(SettingsFilePath(), "TellurvaneInfo", "Loop",
                                   std::string(120, '4')));
    ConversionSettings s = LoadSettings();
    EXPECT_TRUE(s.FileExists);
    EXPECT_EQ(s.Start, "2");
    EXPECT_EQ(s.ImagesPerSecond, "0.10");
    EXPECT_EQ(s.FileFormat, "1");
    EXPECT_EQ(s.Loop, std::string(99, '4'));
    std::remove(SettingsFilePath().c_str());
    rmdir(dir);
    SetProgramFolderForTesting("");
}

// Installed, the program's folder is read-only: each user gets a copy of its
// settings file in the config folder. Permission bits decide, so the cases hold
// when the tests run as root too.
TEST(SettingsFilePath, UsesTheUsersConfigFolderWhenTheProgramFolderIsReadOnly)
{
    namespace fs = std::filesystem;
    char dir[] = "/tmp/settingslocationXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string root = dir;
    const std::string program = root + "/program/";
    const std::string config = root + "/config/";
    const std::string own = config + "sablewick/TellurvaneInfo.ini";
    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string savedXdg = oldXdg ? oldXdg : "";
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    SetProgramFolderForTesting(program);

    struct Case
    {
        const char* name;
        mode_t mode;
        bool hasDefault;
        bool expectOwn;
    };
    const Case cases[] = {
        {"writable folder", 0755, true, false},
        {"read-only folder", 0555, true, true},
        {"read-only folder without a default", 0555, false, true},
    };
    const std::string defaults = "[TellurvaneInfo]\nStart=3\nLoop=7\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(program);
        fs::remove_all(config);
        fs::create_directories(program);
        if (c.hasDefault) {
            ASSERT_TRUE(WriteFileAtomically(program + "TellurvaneInfo.ini", defaults));
        }
        ASSERT_EQ(chmod(program.c_str(), c.mode), 0);

        const std::string path = SettingsFilePath();
        EXPECT_EQ(path, c.expectOwn ? own : program + "TellurvaneInfo.ini");
        ConversionSettings loaded = LoadSettings();
        EXPECT_EQ(loaded.FileExists, c.hasDefault);
        if (c.hasDefault) {
            EXPECT_EQ(loaded.Loop, "7");
        }

        EXPECT_TRUE(SaveSettings(Input("5", "9", "640", "480", "Default", "1", "10", 1, "2")));
        EXPECT_EQ(LoadSettings().Start, "5");
        // The first save is kept: the default is copied once, never over the user's file.
        EXPECT_EQ(SettingsFilePath(), path);
        EXPECT_EQ(LoadSettings().Loop, "2");
        if (c.expectOwn) {
            std::string text;
            if (c.hasDefault) {
                ASSERT_TRUE(ReadWholeFile(program + "TellurvaneInfo.ini", &text));
                EXPECT_EQ(text, defaults);
            } else {
                EXPECT_FALSE(PathExists(program + "TellurvaneInfo.ini"));
            }
        }
        chmod(program.c_str(), 0755);
    }

    SetProgramFolderForTesting("");
    if (oldXdg)
        setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    fs::remove_all(root);
}

// A program folder of its own for one test, with the settings file's path.
class ProgramFolderScope
{
public:
    ProgramFolderScope()
    {
        char dir[] = "/tmp/settingstestXXXXXX";
        if (mkdtemp(dir))
            m_dir = dir;
        SetProgramFolderForTesting(m_dir);
    }
    ~ProgramFolderScope()
    {
        SetProgramFolderForTesting("");
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    const std::string& Dir() const { return m_dir; }

private:
    std::string m_dir;
};

std::string TextOf(const std::string& path)
{
    std::string text;
    EXPECT_TRUE(ReadWholeFile(path, &text)) << path;
    return text;
}

TEST(SaveSettings, LeavesAReadOnlySettingsFileByteForByte)
{
    ProgramFolderScope folder;
    const std::string path = SettingsFilePath();
    const std::string before = "[TellurvaneInfo]\r\nStart=3\r\nLoop=7\r\n";
    ASSERT_TRUE(WriteFileAtomically(path, before));
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);

    SaveSettings(Input("9", "20", "320", "240", "4", "0.5", "10", 2, "5"));

    EXPECT_EQ(TextOf(path), before);
    struct stat st = {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_EQ(LoadSettings().Start, "3");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Dir()),
                            std::filesystem::directory_iterator()),
              1); // nothing left beside it
}

TEST(SaveSettings, WritesALinkedSettingsFileThroughToItsTarget)
{
    ProgramFolderScope folder;
    const std::string shared = folder.Dir() + "/shared";
    std::filesystem::create_directories(shared);
    const std::string target = shared + "/TellurvaneInfo.ini";
    ASSERT_TRUE(WriteFileAtomically(target, "; team settings\n[TellurvaneInfo]\nStart=3\n"));
    const std::string path = SettingsFilePath();
    ASSERT_EQ(symlink("shared/TellurvaneInfo.ini", path.c_str()), 0);

    SaveSettings(Input("9", "20", "Default", "Default", "Default", "1", "0", 0, "5"));

    EXPECT_TRUE(std::filesystem::is_symlink(path));
    EXPECT_EQ(std::filesystem::read_symlink(path), "shared/TellurvaneInfo.ini");
    EXPECT_EQ(TextOf(target),
              "; team settings\n[TellurvaneInfo]\nStart=9\nEnd=20\nResolutionX=Default\n"
              "ResolutionY=Default\nVBRValue=Default\nImagesPerSecond=1.00\nTimeDelay=0.00\n"
              "FileFormat=0\nLoop=5\n");
    EXPECT_EQ(LoadSettings().Loop, "5");
}

// An installed program whose user has no configuration folder of their own (a read-only
// home, no home at all, or one that others may write to): the program's default settings
// are read, nothing planted by someone else is, and a save fails without writing anywhere.
// With a folder of their own, the user's file is read (made from the default if need be).
TEST(SettingsReadPath, ReadsTheUsersFileWhenItExistsAndTheProgramsDefaultOtherwise)
{
    namespace fs = std::filesystem;
    const std::string defaults = "[TellurvaneInfo]\nStart=3\nFileFormat=0\nLoop=7\n";
    const std::string planted = "[TellurvaneInfo]\nStart=1\nFileFormat=3\nLoop=1\n";
    struct Case
    {
        const char* name;
        const char* config; // XDG_CONFIG_HOME below the scratch folder
        void (*setup)(const std::string& root, const std::string& planted);
        bool ownFolder; // the user has a configuration folder of their own
        bool ownFile; // and a settings file in it
    };
    const Case cases[] = {
        { "home not writable: the folder cannot be made", "file/config",
            [](const std::string& root, const std::string&) {
                ASSERT_TRUE(WriteFileAtomically(root + "/file", ""));
            },
            false, false },
        { "a folder everyone may write to, with a planted file", "shared",
            [](const std::string& root, const std::string& plant) {
                fs::create_directories(root + "/shared/sablewick");
                chmod((root + "/shared").c_str(), 0777);
                ASSERT_TRUE(
                    WriteFileAtomically(root + "/shared/sablewick/TellurvaneInfo.ini", plant));
            },
            false, false },
        { "a folder of the user's own, no file yet", "config", nullptr, true, false },
        { "a folder of the user's own with a file", "config",
            [](const std::string& root, const std::string&) {
                fs::create_directories(root + "/config/sablewick");
                ASSERT_TRUE(WriteFileAtomically(root + "/config/sablewick/TellurvaneInfo.ini",
                    "[TellurvaneInfo]\nStart=4\nLoop=9\n"));
            },
            true, true },
    };
    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string savedXdg = oldXdg ? oldXdg : "";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        char dir[] = "/tmp/settingsreadXXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        const std::string root = dir;
        const std::string program = root + "/program/";
        fs::create_directories(program);
        ASSERT_TRUE(WriteFileAtomically(program + "TellurvaneInfo.ini", defaults));
        ASSERT_EQ(chmod(program.c_str(), 0555), 0);
        if (c.setup)
            c.setup(root, planted);
        SetProgramFolderForTesting(program);
        setenv("XDG_CONFIG_HOME", (root + "/" + c.config).c_str(), 1);
        const std::string own = root + "/" + c.config + "/sablewick/TellurvaneInfo.ini";

        // With a folder of the user's own the default is copied there on first use.
        EXPECT_EQ(SettingsReadPath(), c.ownFolder ? own : program + "TellurvaneInfo.ini");
        ConversionSettings loaded = LoadSettings();
        EXPECT_TRUE(loaded.FileExists);
        EXPECT_EQ(loaded.Start, c.ownFile ? "4" : "3");
        EXPECT_EQ(loaded.FileFormat, c.ownFile ? "ERROR" : "0");

        EXPECT_EQ(SettingsFilePath(), c.ownFolder ? own : "");
        const bool saved
            = SaveSettings(Input("5", "9", "Default", "Default", "Default", "1", "0", 0, "2"));
        EXPECT_EQ(saved, c.ownFolder);
        if (c.ownFolder) {
            EXPECT_EQ(SettingsReadPath(), own);
            EXPECT_EQ(LoadSettings().Start, "5");
        } else {
            EXPECT_EQ(LoadSettings().Start, "3");
        }
        std::string text;
        ASSERT_TRUE(ReadWholeFile(program + "TellurvaneInfo.ini", &text));
        EXPECT_EQ(text, defaults);
        if (fs::exists(root + "/shared/sablewick/TellurvaneInfo.ini")) {
            ASSERT_TRUE(ReadWholeFile(root + "/shared/sablewick/TellurvaneInfo.ini", &text));
            EXPECT_EQ(text, planted);
        }
        SetProgramFolderForTesting("");
        chmod(program.c_str(), 0755);
        fs::remove_all(root);
    }
    if (oldXdg)
        setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

// A FIFO in the settings file's place would block the first read for ever (the console program
// at its start, the window when Options is clicked): it reads as missing at once and a save
// leaves it alone. In the user's folder, the program's default is read instead.
TEST(LoadSettings, AFifoInTheSettingsFilesPlaceReadsAsMissingAndIsNotReplaced)
{
    namespace fs = std::filesystem;
    {
        ProgramFolderScope folder;
        ASSERT_EQ(mkfifo(SettingsFilePath().c_str(), 0644), 0);
        EXPECT_FALSE(LoadSettings().FileExists);
        EXPECT_FALSE(
            SaveSettings(Input("5", "9", "Default", "Default", "Default", "1", "0", 0, "2")));
        EXPECT_EQ(fs::status(SettingsFilePath()).type(), fs::file_type::fifo);
    }
    {
        ProgramFolderScope folder;
        const std::string program = folder.Dir() + "/program/";
        const std::string config = folder.Dir() + "/config";
        fs::create_directories(config + "/sablewick");
        fs::create_directories(program);
        ASSERT_TRUE(
            WriteFileAtomically(program + "TellurvaneInfo.ini", "[TellurvaneInfo]\nLoop=7\n"));
        ASSERT_EQ(chmod(program.c_str(), 0555), 0);
        const std::string own = config + "/sablewick/TellurvaneInfo.ini";
        ASSERT_EQ(mkfifo(own.c_str(), 0644), 0);
        SetProgramFolderForTesting(program);
        const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
        const std::string savedXdg = oldXdg ? oldXdg : "";
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);

        EXPECT_EQ(LoadSettings().Loop, "7");
        EXPECT_FALSE(
            SaveSettings(Input("5", "9", "Default", "Default", "Default", "1", "0", 0, "2")));
        EXPECT_EQ(fs::status(own).type(), fs::file_type::fifo);

        if (oldXdg)
            setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        chmod(program.c_str(), 0755);
    }
}

// --- The GIF group's keys: GifQuality, MaxSize, FitBy, and the [SizeLimits] presets ---

TEST(GifSettings, SizesAreReadWithKOrMBAndKeptShort)
{
    const struct
    {
        const char* text;
        long long bytes; // 0: not a size
        const char* stored;
        const char* shown;
    } cases[] = {
        {"10M", 10'000'000, "10M", "10 MB"},
        {" 8 MB ", 8'000'000, "8M", "8 MB"},
        {"2.5mb", 2'500'000, "2500k", "2.5 MB"},
        {"750k", 750'000, "750k", "750 kB"},
        {"256 KB", 256'000, "256k", "256 kB"},
        {"4096", 4096, "4096", "4.096 kB"},
        {"999 bytes", 999, "999", "999 bytes"},
        {"1.0005M", 1'000'500, "1000500", "1 MB"},
        {"0", 0, "", ""},
        {"0.4", 0, "", ""},
        {"-5M", 0, "", ""},
        {"10 GB", 0, "", ""},
        {"10M5", 0, "", ""},
        {"1.2.3M", 0, "", ""},
        {"M", 0, "", ""},
        {"", 0, "", ""},
        {"None", 0, "", ""},
        {"9999999999999999M", 0, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        long long bytes = 0;
        EXPECT_EQ(ParseByteSize(c.text, &bytes), c.bytes != 0);
        if (c.bytes == 0)
            continue;
        EXPECT_EQ(bytes, c.bytes);
        EXPECT_EQ(StoredByteSize(bytes), c.stored);
        EXPECT_EQ(ShownByteSize(bytes), c.shown);
    }
}

// What a save writes: the new keys only when set, or when the file has them already (so an
// unset one replaces what was set); the nine keys as always.
TEST(GifSettings, SavedOnlyWhenSetOrAlreadyInTheFile)
{
    const char* nine = "Start=0\nEnd=Default\nResolutionX=Default\nResolutionY=Default\n"
                       "VBRValue=Default\nImagesPerSecond=1.00\nTimeDelay=0.00\nFileFormat=0\n"
                       "Loop=0\n";
    const struct
    {
        const char* existing;
        const char* gifQuality;
        const char* maxSize;
        bool byFrames;
        std::string expected; // after the nine keys
    } cases[] = {
        {"", "", "", false, ""},
        {"", "Default", "None", false, ""},
        {"", "101", "0k", false, ""},
        {"", "34", "", false, "GifQuality=34\n"},
        {"", "7.9", "abc", false, "GifQuality=7\n"},
        {"", "Default", "2.5 MB", true, "MaxSize=2500k\nFitBy=frames\n"},
        {"", "", "256k", false, "MaxSize=256k\n"},
        {"[TellurvaneInfo]\nMaxSize=10M\nFitBy=frames\n", "", "None", false,
            "MaxSize=None\nFitBy=quality\n"},
        {"[TellurvaneInfo]\nGifQuality=50\n", "Default", "", false, "GifQuality=Default\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.existing) + "|" + c.gifQuality + "|" + c.maxSize);
        SettingsInput in = Input("0", "Default", "Default", "Default", "Default", "1.00", "0", 0,
                                 "Infinite Loop");
        in.GifQuality = c.gifQuality;
        in.MaxSize = c.maxSize;
        in.FitByFrames = c.byFrames;
        const std::string text = SettingsFileText(c.existing, in);
        // The keys the file had come first, where they stood; the rest follow the nine.
        ConversionSettings read = ParseSettings(text);
        const ConversionSettings expected = ParseSettings(std::string("[TellurvaneInfo]\n") + nine
                                                          + c.expected);
        EXPECT_EQ(read.GifQuality, expected.GifQuality) << text;
        EXPECT_EQ(read.MaxSize, expected.MaxSize) << text;
        EXPECT_EQ(read.FitBy, expected.FitBy) << text;
        if (!*c.existing) {
            EXPECT_EQ(text, std::string("[TellurvaneInfo]\n") + nine + c.expected);
        }
    }
}

// How stored texts read, in the dialog and on the image tool's command line: missing and
// out-of-range values are unset, and an unset key leaves the command line as it was.
TEST(GifSettings, StoredTextsReadAsSetOrUnset)
{
    const std::string nine = "[TellurvaneInfo]\nStart=0\nEnd=Default\nResolutionX=Default\n"
                             "ResolutionY=Default\nVBRValue=Default\nImagesPerSecond=0.10\n"
                             "TimeDelay=0.00\nLoop=0\n";
    const struct
    {
        const char* keys;
        const char* shownQuality;
        long long bytes;
        bool byFrames;
        const char* imageOptions;
    } cases[] = {
        {"", "Default", 0, false, " \"-loop\" \"0\""},
        {"GifQuality=Default\nMaxSize=None\nFitBy=quality\n", "Default", 0, false,
            " \"-loop\" \"0\""},
        {"GifQuality=0\nMaxSize=0\nFitBy=pixels\n", "Default", 0, false, " \"-loop\" \"0\""},
        {"GifQuality=101\nMaxSize=-3M\n", "Default", 0, false, " \"-loop\" \"0\""},
        {"GifQuality=\nMaxSize=\nFitBy=\n", "Default", 0, false, " \"-loop\" \"0\""},
        {"GifQuality=ERROR\nMaxSize=ten megabytes\n", "Default", 0, false, " \"-loop\" \"0\""},
        {"GifQuality=1\n", "1", 0, false, " \"-loop\" \"0\" \"-quality\" \"1\""},
        {"GifQuality=100x\nMaxSize=10M\nFitBy=FRAMES\n", "100", 10'000'000, true,
            " \"-loop\" \"0\" \"-quality\" \"100\" \"-max-size\" \"10000000\""},
        {"MaxSize=2.5 MB\n", "Default", 2'500'000, false,
            " \"-loop\" \"0\" \"-max-size\" \"2500000\""},
        // One GIF per frame has no one size: the limit is left out, the quality is not.
        {"FileFormat=1\nGifQuality=40\nMaxSize=10M\n", "40", 10'000'000, false,
            " \"-loop\" \"0\" \"-quality\" \"40\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        const ConversionSettings s = ParseSettings(nine + c.keys);
        const SettingsDisplay d = DisplayForms(s);
        EXPECT_EQ(d.GifQuality, c.shownQuality);
        EXPECT_EQ(d.MaxSizeBytes, c.bytes);
        EXPECT_EQ(d.FitByFrames, c.byFrames);
        EXPECT_EQ(FitsByFrames(s), c.byFrames);
        EXPECT_EQ(ImageArguments(s), c.imageOptions);
    }
    // A missing file knows none of them.
    EXPECT_EQ(MaxSizeBytes(ConversionSettings {}), 0);
    EXPECT_EQ(DisplayForms(ConversionSettings {}).GifQuality, "Default");
}

std::string PresetList(const std::vector<SizeLimitPreset>& presets)
{
    std::string text;
    for (const SizeLimitPreset& p : presets)
        text += p.Name + "=" + std::to_string(p.Bytes) + ";";
    return text;
}

TEST(SizeLimits, PresetsComeFromTheFileAndADamagedListLosesOnlyItsBadLines)
{
    const std::string builtIn = "Chat=10000000;Issue tracker=5000000;Forum post=2000000;"
                                "Emote=256000;";
    const struct
    {
        const char* file;
        std::string presets;
    } cases[] = {
        {"", builtIn},
        {"[TellurvaneInfo]\nStart=0\n", builtIn},
        {"[SizeLimits]\n", ""},
        {"[sizelimits]\nChat=25M\nTiny = 100 k \n", "Chat=25000000;Tiny=100000;"},
        {"[SizeLimits]\nno equals sign\n=5M\nBad=lots\nZero=0\nNeg=-1M\nHuge=1e9M\nGood=1M\n",
            "Good=1000000;"},
        {"[SizeLimits]\nChat=10M\nchat=25M\nChat=1M\n", "Chat=10000000;"},
        {"[SizeLimits]\nA=1M\n[Other]\nB=2M\n[SizeLimits]\nC=3M\n", "A=1000000;"},
        {"[SizeLimits]\r\nCRLF=2M\r\n", "CRLF=2000000;"},
        {"[SizeLimits]\n; Chat=8M until 2024\n# old=1M\nX=1M\n", "X=1000000;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(PresetList(ParseSizeLimits(c.file)), c.presets);
    }

    // Very long lists and names are kept within bounds, a name cut between characters.
    std::string many = "[SizeLimits]\n";
    for (int i = 0; i < 100; ++i)
        many += "P" + std::to_string(i) + "=" + std::to_string(i + 1) + "k\n";
    many += std::string(39, 'n') + "\xc3\xa9tail=1M\n";
    const auto presets = ParseSizeLimits(many);
    EXPECT_EQ(presets.size(), kMostSizeLimits);
    const auto longName = ParseSizeLimits("[SizeLimits]\n" + std::string(39, 'n') + "\xc3\xa9tail=1M\n");
    ASSERT_EQ(longName.size(), 1u);
    EXPECT_EQ(longName[0].Name, std::string(39, 'n'));
}

// The default settings file ships with the presets a file without them offers.
TEST(SizeLimits, TheShippedSettingsFileHoldsTheBuiltInPresets)
{
    const std::filesystem::path shipped
        = std::filesystem::path(SABLEWICK_RESOURCES_DIR) / "settings/TellurvaneInfo.ini";
    std::string text;
    ASSERT_TRUE(ReadWholeFile(shipped.string(), &text, kMaxProfileFileSize)) << shipped;
    bool found = false;
    ProfileSectionEntries(text, kSizeLimitsSection, &found);
    EXPECT_TRUE(found);
    EXPECT_EQ(PresetList(ParseSizeLimits(text)), PresetList(ParseSizeLimits("")));
    EXPECT_EQ(ParseSizeLimits(text).size(), 4u);
    // Its settings are those of a file without the new keys.
    const ConversionSettings s = ParseSettings(text);
    EXPECT_EQ(ImageArguments(s), " \"-loop\" \"0\"");
}

} // namespace
