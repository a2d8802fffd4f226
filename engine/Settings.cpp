#include "engine/Settings.h"

#include "engine/SettingsText.h"
#include "platform/AsciiText.h"
#include "platform/ProfileFile.h"
#include "platform/ProgramFolder.h"
#include "platform/UserProfiles.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

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
    // An installed program: each user's own copy, if the user has a folder of their own.
    const std::string own = ConfigFolder();
    return own.empty() ? std::string() : own + kSettingsFileName;
}

std::string SettingsReadPath()
{
    const std::string folder = ProgramFolder();
    if (IsFolderWritableByUser(folder))
        return folder + kSettingsFileName;
    const std::string defaults = folder + kSettingsFileName;
    const std::string own = ConfigFolder();
    if (own.empty())
        return defaults;
    // The user's own copy, made from the program's default on first use so that the first
    // conversion works at once. Where it cannot be made (a read-only home), the default serves:
    // reading needs no folder of the user's.
    const std::string path = own + kSettingsFileName;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) {
        std::string text;
        if (ReadWholeFile(defaults, &text, kMaxProfileFileSize))
            WriteFileAtomically(path, text);
    }
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? path : defaults;
}

ConversionSettings ParseSettings(const std::string& text)
{
    ConversionSettings s;
    s.FileExists = true;
    for (const SettingField* field : kSettingFields)
        s.*(field->Stored) = ReadKey(text, field->Key);
    return s;
}

ConversionSettings LoadSettings()
{
    std::string text;
    if (!ReadWholeFile(SettingsReadPath(), &text, kMaxProfileFileSize))
        return ConversionSettings {};
    return ParseSettings(text);
}

ConversionSettings NormalisedSettings(const SettingsInput& in)
{
    ConversionSettings s;
    s.FileExists = true;
    const long long start = IntegerValue(in.Start);
    s.Start = InRange(kStartField, start) ? FormatInteger(start) : kStartField.SaveFallback;

    const long long end = IntegerValue(in.End);
    s.End = end > start ? FormatInteger(end) : kEndField.SaveFallback;

    // Sizes are stored as typed.
    const bool widthValid = InRange(kWidthField, IntegerValue(in.ResolutionX));
    s.ResolutionX = widthValid ? in.ResolutionX : kWidthField.SaveFallback;
    const bool heightValid = InRange(kHeightField, IntegerValue(in.ResolutionY));
    s.ResolutionY = heightValid && widthValid ? in.ResolutionY : kHeightField.SaveFallback;

    const std::pair<const SettingField*, std::string SettingsInput::*> reals[] = {
        { &kQualityField, &SettingsInput::VBRValue },
        { &kIntervalField, &SettingsInput::ImagesPerSecond },
        { &kFrameRateField, &SettingsInput::TimeDelay },
    };
    for (const auto& [field, typed] : reals) {
        const double value = RealValue(in.*typed);
        s.*(field->Stored) = InRange(*field, value) ? FormatFixed2(value) : field->SaveFallback;
    }

    s.FileFormat = FormatInteger(in.FileFormatIndex);

    const long long loop = IntegerValue(in.Loop);
    s.Loop = InRange(kLoopField, loop) ? FormatInteger(loop) : kLoopField.SaveFallback;

    const long long gifQuality = IntegerValue(in.GifQuality);
    s.GifQuality = InRange(kGifQualityField, gifQuality) ? FormatInteger(gifQuality)
                                                         : kGifQualityField.SaveFallback;
    long long bytes = 0;
    s.MaxSize
        = ParseByteSize(in.MaxSize, &bytes) && InRange(kMaxSizeField, static_cast<double>(bytes))
        ? StoredByteSize(bytes)
        : kMaxSizeField.SaveFallback;
    s.FitBy = in.FitByFrames ? "frames" : kFitByField.SaveFallback;
    return s;
}

std::string SettingsFileText(const std::string& existing, const SettingsInput& in)
{
    const ConversionSettings s = NormalisedSettings(in);
    std::string text = existing;
    for (const SettingField* field : kSettingFields) {
        const std::string& value = s.*(field->Stored);
        if (field->WrittenWhenSet && value == field->SaveFallback) {
            bool present = false;
            FindProfileValue(text, kSettingsSection, field->Key, &present);
            if (!present)
                continue;
        }
        text = ReplaceProfileValue(text, kSettingsSection, field->Key, value);
    }
    return text;
}

bool SaveSettings(const SettingsInput& input)
{
    const std::string path = SettingsFilePath();
    if (path.empty())
        return false; // no place to save
    // The user's first save starts from the program's default file, keeping its other lines.
    std::string existing;
    const FileReadStatus read = ReadRegularFile(SettingsReadPath(), &existing, kMaxProfileFileSize);
    if (read == FileReadStatus::TooLarge || read == FileReadStatus::Failed)
        return false; // replacing it would lose what it holds
    // One write for all keys, so a crash never leaves a mix of old and new.
    return WriteFileAtomically(path, SettingsFileText(existing, input));
}

SettingsDisplay DisplayForms(const ConversionSettings& s)
{
    SettingsDisplay d;
    const long long start = IntegerValue(s.Start);
    d.Start = IsGiven(s.Start) && InRange(kStartField, start) ? FormatInteger(start)
                                                              : kStartField.ResetText;

    const long long end = IntegerValue(s.End);
    d.End = IsGiven(s.End) && end > start ? FormatInteger(end) : kEndField.ResetText;

    // A size shows only with its other side; both are shown as stored.
    auto sizeForm
        = [](const SettingField& field, const std::string& own, const std::string& other) {
              return IsGiven(own) && other != "Default" && InRange(field, IntegerValue(own))
                  ? own
                  : std::string(field.ResetText);
          };
    d.ResolutionX = sizeForm(kWidthField, s.ResolutionX, s.ResolutionY);
    d.ResolutionY = sizeForm(kHeightField, s.ResolutionY, s.ResolutionX);

    const std::pair<const SettingField*, std::string SettingsDisplay::*> reals[] = {
        { &kQualityField, &SettingsDisplay::VBRValue },
        { &kIntervalField, &SettingsDisplay::ImagesPerSecond },
        { &kFrameRateField, &SettingsDisplay::TimeDelay },
    };
    for (const auto& [field, shown] : reals) {
        const std::string& stored = s.*(field->Stored);
        const double value = RealValue(stored);
        d.*shown
            = IsGiven(stored) && InRange(*field, value) ? FormatFixed2(value) : field->ResetText;
    }

    const long long format = IntegerValue(s.FileFormat);
    d.FileFormatIndex = IsGiven(s.FileFormat) && InRange(kFormatField, format) ? format : 0;

    // Replay count 0 is the list's first entry, "Infinite Loop".
    const long long loop = IntegerValue(s.Loop);
    d.SelectFirstLoopEntry
        = !(IsGiven(s.Loop) && loop > kLoopField.Low && InRange(kLoopField, loop));
    d.LoopText = d.SelectFirstLoopEntry ? std::string() : s.Loop;

    const long long gifQuality = IntegerValue(s.GifQuality);
    d.GifQuality = IsGiven(s.GifQuality) && InRange(kGifQualityField, gifQuality)
        ? FormatInteger(gifQuality)
        : kGifQualityField.ResetText;
    d.MaxSizeBytes = MaxSizeBytes(s);
    d.FitByFrames = FitsByFrames(s);
    return d;
}

long long MaxSizeBytes(const ConversionSettings& s)
{
    long long bytes = 0;
    if (!IsGiven(s.MaxSize) || !ParseByteSize(s.MaxSize, &bytes))
        return 0;
    return InRange(kMaxSizeField, static_cast<double>(bytes)) ? bytes : 0;
}

bool FitsByFrames(const ConversionSettings& s)
{
    return EqualsIgnoringCase(s.FitBy, "frames");
}

std::vector<SizeLimitPreset> ParseSizeLimits(const std::string& fileText)
{
    bool found = false;
    auto entries = ProfileSectionEntries(fileText, kSizeLimitsSection, &found);
    if (!found) {
        entries.clear();
        for (const auto& [name, size] : kDefaultSizeLimits)
            entries.emplace_back(name, size);
    }
    std::vector<SizeLimitPreset> presets;
    for (auto& [name, size] : entries) {
        if (presets.size() == kMostSizeLimits)
            break;
        long long bytes = 0;
        // Lines that start with ; or # are a person's notes.
        if (name.empty() || name[0] == ';' || name[0] == '#' || !ParseByteSize(size, &bytes)
            || !InRange(kMaxSizeField, static_cast<double>(bytes)))
            continue;
        if (name.size() > kLongestSizeLimitName) {
            // Cut between characters, not inside one of UTF-8.
            std::size_t cut = kLongestSizeLimitName;
            while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
                --cut;
            name.resize(cut);
        }
        const bool repeated = std::any_of(presets.begin(), presets.end(),
            [&](const SizeLimitPreset& p) { return EqualsIgnoringCase(p.Name, name); });
        if (!repeated)
            presets.push_back({ name, bytes });
    }
    return presets;
}

std::vector<SizeLimitPreset> LoadSizeLimits()
{
    std::string text;
    if (!ReadWholeFile(SettingsReadPath(), &text, kMaxProfileFileSize))
        text.clear(); // no file: the presets it would have shipped with
    return ParseSizeLimits(text);
}
