#include "engine/Settings.h"

#include "engine/SettingsText.h"
#include "platform/ProfileFile.h"
#include "platform/ProgramFolder.h"
#include "platform/UserProfiles.h"

namespace {

// A read returns at most 99 characters of a value.
constexpr std::size_t kValueBuffer = 100;

std::string ReadKey(const std::string& text, const char* key)
{
    bool found = false;
    std::string value = FindProfileValue(text, kSettingsSection, key, &found);
    if (!found)
        return "ERROR";
    if (value.size() > kValueBuffer - 1)
        value.resize(kValueBuffer - 1);
    return value;
}

} // namespace

std::string SettingsFilePath()
{
    const std::string folder = ProgramFolder();
    if (IsFolderWritableByUser(folder))
        return folder + kSettingsFileName;
    // An installed program: each user's own copy, made from the program's
    // default on first use so that the first conversion works at once.
    const std::string own = ConfigFolder() + kSettingsFileName;
    std::string defaults;
    if (!PathExists(own) && ReadWholeFile(folder + kSettingsFileName, &defaults))
        WriteFileAtomically(own, defaults);
    return own;
}

ConversionSettings ParseSettings(const std::string& text)
{
    ConversionSettings s;
    s.FileExists = true;
    s.Start = ReadKey(text, "Start");
    s.End = ReadKey(text, "End");
    s.ResolutionX = ReadKey(text, "ResolutionX");
    s.ResolutionY = ReadKey(text, "ResolutionY");
    s.VBRValue = ReadKey(text, "VBRValue");
    s.ImagesPerSecond = ReadKey(text, "ImagesPerSecond");
    s.TimeDelay = ReadKey(text, "TimeDelay");
    s.FileFormat = ReadKey(text, "FileFormat");
    s.Loop = ReadKey(text, "Loop");
    return s;
}

ConversionSettings LoadSettings()
{
    std::string text;
    if (!ReadWholeFile(SettingsFilePath(), &text))
        return ConversionSettings {};
    return ParseSettings(text);
}

ConversionSettings NormalisedSettings(const SettingsInput& in)
{
    ConversionSettings s;
    s.FileExists = true;
    const long long start = IntegerValue(in.Start);
    s.Start = start >= 0 ? FormatInteger(start) : "0";

    const long long end = IntegerValue(in.End);
    s.End = end > start ? FormatInteger(end) : "Default";

    const bool widthValid = InRange(static_cast<double>(IntegerValue(in.ResolutionX)), 1, 6000);
    s.ResolutionX = widthValid ? in.ResolutionX : "Default";
    const bool heightValid = InRange(static_cast<double>(IntegerValue(in.ResolutionY)), 1, 6000);
    s.ResolutionY = heightValid && widthValid ? in.ResolutionY : "Default";

    const double quality = RealValue(in.VBRValue);
    s.VBRValue = InRange(quality, 0.01, 255) ? FormatFixed2(quality) : "Default";

    const double interval = RealValue(in.ImagesPerSecond);
    s.ImagesPerSecond = InRange(interval, 0.01, 100) ? FormatFixed2(interval) : "1.00";

    const double rate = RealValue(in.TimeDelay);
    s.TimeDelay = InRange(rate, 0.01, 100) ? FormatFixed2(rate) : "0.00";

    s.FileFormat = FormatInteger(in.FileFormatIndex);

    const long long loop = IntegerValue(in.Loop);
    s.Loop = loop >= 0 && loop <= 1000 ? FormatInteger(loop) : "0";
    return s;
}

std::string SettingsFileText(const std::string& existing, const SettingsInput& in)
{
    const ConversionSettings s = NormalisedSettings(in);
    const std::pair<const char*, const std::string*> keys[] = {
        {"Start", &s.Start},
        {"End", &s.End},
        {"ResolutionX", &s.ResolutionX},
        {"ResolutionY", &s.ResolutionY},
        {"VBRValue", &s.VBRValue},
        {"ImagesPerSecond", &s.ImagesPerSecond},
        {"TimeDelay", &s.TimeDelay},
        {"FileFormat", &s.FileFormat},
        {"Loop", &s.Loop},
    };
    std::string text = existing;
    for (const auto& [key, value] : keys)
        text = ReplaceProfileValue(text, kSettingsSection, key, *value);
    return text;
}

bool SaveSettings(const SettingsInput& input)
{
    const std::string path = SettingsFilePath();
    std::string existing;
    ReadWholeFile(path, &existing);
    // One write for all nine keys, so a crash never leaves a mix of old and new.
    return WriteFileAtomically(path, SettingsFileText(existing, input));
}

SettingsDisplay DisplayForms(const ConversionSettings& s)
{
    SettingsDisplay d;
    const long long start = IntegerValue(s.Start);
    d.Start = IsGiven(s.Start) && start >= 0 ? FormatInteger(start) : "0";

    const long long end = IntegerValue(s.End);
    d.End = IsGiven(s.End) && end > start ? FormatInteger(end) : "Default";

    auto sizeForm = [](const std::string& own, const std::string& other) {
        const double v = static_cast<double>(IntegerValue(own));
        return IsGiven(own) && other != "Default" && InRange(v, 1, 6000) ? own : std::string("Default");
    };
    d.ResolutionX = sizeForm(s.ResolutionX, s.ResolutionY);
    d.ResolutionY = sizeForm(s.ResolutionY, s.ResolutionX);

    const double quality = RealValue(s.VBRValue);
    d.VBRValue = IsGiven(s.VBRValue) && InRange(quality, 0.01, 255) ? FormatFixed2(quality) : "Default";

    const double interval = RealValue(s.ImagesPerSecond);
    d.ImagesPerSecond = IsGiven(s.ImagesPerSecond) && InRange(interval, 0.01, 100)
        ? FormatFixed2(interval)
        : "1.00";

    const double rate = RealValue(s.TimeDelay);
    d.TimeDelay = IsGiven(s.TimeDelay) && InRange(rate, 0.01, 100) ? FormatFixed2(rate) : "0";

    const long long format = IntegerValue(s.FileFormat);
    d.FileFormatIndex = IsGiven(s.FileFormat) && format >= 0 ? format : 0;

    const long long loop = IntegerValue(s.Loop);
    d.SelectFirstLoopEntry = !(IsGiven(s.Loop) && loop >= 1 && loop <= 1000);
    d.LoopText = d.SelectFirstLoopEntry ? std::string() : s.Loop;
    return d;
}
