#pragma once

#include <string>
#include <utility>
#include <vector>

// The stored texts of the settings file, raw, "ERROR" for a missing key.
struct ConversionSettings
{
    bool FileExists = false;
    std::string Start = "ERROR";
    std::string End = "ERROR";
    std::string ResolutionX = "ERROR";
    std::string ResolutionY = "ERROR";
    std::string VBRValue = "ERROR";
    std::string ImagesPerSecond = "ERROR";
    std::string TimeDelay = "ERROR";
    std::string FileFormat = "ERROR";
    std::string Loop = "ERROR";
    // GIF output: the image tool's quality (1..100), a size limit and how to meet it when
    // quality alone cannot ("frames" lowers the frame rate and size too).
    std::string GifQuality = "ERROR";
    std::string MaxSize = "ERROR";
    std::string FitBy = "ERROR";
    // Never in the file: options for the image tool of one run (the console program's GIF
    // options), put after the ones the file gives. Empty for the window.
    std::string ExtraImageOptions;
};

// What the options dialog hands over for saving: its fields as the user left them.
struct SettingsInput
{
    std::string Start;
    std::string End;
    std::string ResolutionX;
    std::string ResolutionY;
    std::string VBRValue;
    std::string ImagesPerSecond;
    std::string TimeDelay;
    int FileFormatIndex = -1; // -1 when nothing is selected
    std::string Loop; // the edit part of the loop list
    // The "GIF" group; empty texts store nothing new.
    std::string GifQuality {};
    std::string MaxSize {}; // "None", a preset's size or a typed one ("750k", "2.5 MB")
    bool FitByFrames = false;
};

// What the options dialog shows when it opens.
struct SettingsDisplay
{
    std::string Start;
    std::string End;
    std::string ResolutionX;
    std::string ResolutionY;
    std::string VBRValue;
    std::string ImagesPerSecond;
    std::string TimeDelay;
    long long FileFormatIndex = 0;
    bool SelectFirstLoopEntry = true; // "Infinite Loop"
    std::string LoopText; // for the edit part, when not selecting the first entry
    std::string GifQuality;
    long long MaxSizeBytes = 0; // 0: no limit
    bool FitByFrames = false;
};

// --- The fields, each described once ---

// How the options dialog's step arrows move a field.
enum class StepRule
{
    Clamp, // stops at StepLow and StepHigh
    ClampOrDefault, // stops at StepHigh; below StepLow it reads "Default"
    Wrap, // past StepHigh back to StepLow; below StepLow to StepRestart
    Cycle, // StepLow ... StepHigh, then StepLow again
    CycleWithDefault, // "Default", StepLow ... StepHigh, "Default" (by 0.01 or by 1)
    None, // a list, no arrows
};

enum class SettingKind
{
    Integer, // shown and stored as a decimal integer
    Real, // shown and stored with two decimals
    Choice, // an index into a list
    ByteSize, // bytes, with an optional k or M ("750k", "10M")
    Word, // one of a few words
};

struct SettingField
{
    const char* Key; // in the settings file
    std::string ConversionSettings::*Stored;
    SettingKind Kind;
    double Low, High; // the stored range, both ends included
    const char* SaveFallback; // what a save stores for a value outside the range
    const char* ResetText; // what the dialog's Reset puts in the field, and what it
                           // shows for a stored value outside the range
    StepRule Step;
    double StepLow, StepHigh, StepRestart;
    int TypingLimit; // characters the dialog's field takes; 0 for lists
    // Keys added after the first nine: a save writes them only when they are set or the
    // file has them already, so the file of someone who never set one stays as it was.
    bool WrittenWhenSet = false;
};

inline constexpr double kNoLimit = 2147483647;

// In the file's order. Some rules join two fields: the end counts only past the
// start, a size only with both sides, and replay count 0 is the list's first entry
// ("Infinite Loop") in the dialog. Height wraps only far beyond the stored sizes,
// so stepping it up can pass 6000.
// clang-format off
//                                             key                stored                                 kind                   low   high      save       reset      step: rule                  low   high    restart typing
inline constexpr SettingField kStartField     {"Start",           &ConversionSettings::Start,            SettingKind::Integer,  0,    kNoLimit, "0",       "0",       StepRule::Clamp,            0,    12000,  0,    6};
inline constexpr SettingField kEndField       {"End",             &ConversionSettings::End,              SettingKind::Integer,  1,    kNoLimit, "Default", "Default", StepRule::ClampOrDefault,   1,    12000,  0,    6};
inline constexpr SettingField kWidthField     {"ResolutionX",     &ConversionSettings::ResolutionX,      SettingKind::Integer,  1,    6000,     "Default", "Default", StepRule::Wrap,             1,    3000,   3000, 5};
inline constexpr SettingField kHeightField    {"ResolutionY",     &ConversionSettings::ResolutionY,      SettingKind::Integer,  1,    6000,     "Default", "Default", StepRule::Wrap,             1,    999999, 3000, 5};
inline constexpr SettingField kQualityField   {"VBRValue",        &ConversionSettings::VBRValue,         SettingKind::Real,     0.01, 255,      "Default", "Default", StepRule::CycleWithDefault, 0.01, 255,    0,    7};
inline constexpr SettingField kIntervalField  {"ImagesPerSecond", &ConversionSettings::ImagesPerSecond,  SettingKind::Real,     0.01, 100,      "1.00",    "1.00",    StepRule::Cycle,            0.01, 100,    0,    7};
inline constexpr SettingField kFrameRateField {"TimeDelay",       &ConversionSettings::TimeDelay,        SettingKind::Real,     0.01, 100,      "0.00",    "0",       StepRule::Cycle,            0.01, 100,    0,    7};
inline constexpr SettingField kFormatField    {"FileFormat",      &ConversionSettings::FileFormat,       SettingKind::Choice,   0,    kNoLimit, "0",       "0",       StepRule::None,             0,    0,      0,    0};
inline constexpr SettingField kLoopField      {"Loop",            &ConversionSettings::Loop,             SettingKind::Integer,  0,    1000,     "0",       "0",       StepRule::None,             0,    0,      0,    0};
inline constexpr SettingField kGifQualityField{"GifQuality",      &ConversionSettings::GifQuality,       SettingKind::Integer,  1,    100,      "Default", "Default", StepRule::CycleWithDefault, 1,    100,    0,    3, true};
inline constexpr SettingField kMaxSizeField   {"MaxSize",         &ConversionSettings::MaxSize,          SettingKind::ByteSize, 1,    999999e6, "None",    "None",    StepRule::None,             0,    0,      0,    12, true};
inline constexpr SettingField kFitByField     {"FitBy",           &ConversionSettings::FitBy,            SettingKind::Word,     0,    0,        "quality", "quality", StepRule::None,             0,    0,      0,    0, true};
// clang-format on

// Whether `value` lies in the field's stored range.
inline bool InRange(const SettingField& field, double value)
{
    return value >= field.Low && value <= field.High;
}

inline constexpr const SettingField* kSettingFields[] = {
    &kStartField,
    &kEndField,
    &kWidthField,
    &kHeightField,
    &kQualityField,
    &kIntervalField,
    &kFrameRateField,
    &kFormatField,
    &kLoopField,
    &kGifQualityField,
    &kMaxSizeField,
    &kFitByField,
};

// The output formats, by their stored index: the dialog's list entry, the files'
// extension, how the job makes them and the console program's name.
struct OutputFormatRow
{
    const char* DialogEntry;
    const char* Extension;
    const char* Mode; // "AnimationGIF", "StillGIF" (a GIF per frame) or "No" (still images)
    const char* ConsoleName;
};

inline constexpr OutputFormatRow kOutputFormats[] = {
    { "GIF Animation (*.gif)", ".gif", "AnimationGIF", "gif" },
    { "Static GIF (*.gif)", ".gif", "StillGIF", "gif-frames" },
    { "JPEG Image (*.jpg)", ".jpg", "No", "jpg" },
    { "Portable Network Graphics (*.png)", ".png", "No", "png" },
    { "Bitmap (*.bmp)", ".bmp", "No", "bmp" },
    { "Targa Bitmap (*.tga)", ".tga", "No", "tga" },
    { "PaintBrush (*.pcx)", ".pcx", "No", "pcx" },
};

// --- The file ---

inline constexpr const char* kSettingsFileName = "TellurvaneInfo.ini";
inline constexpr const char* kSettingsSection = "TellurvaneInfo";
// Named size limits offered by the options dialog, one `Name=SIZE` line each, in the order
// of the file; edited by hand.
inline constexpr const char* kSizeLimitsSection = "SizeLimits";

struct SizeLimitPreset
{
    std::string Name;
    long long Bytes = 0;
};
// What a file without the section offers: the entries the program's default file ships with.
inline constexpr std::pair<const char*, const char*> kDefaultSizeLimits[] = {
    { "Chat", "10M" },
    { "Issue tracker", "5M" },
    { "Forum post", "2M" },
    { "Emote", "256k" },
};
// At most this many presets are listed, and a name is cut to this many characters.
inline constexpr std::size_t kMostSizeLimits = 32;
inline constexpr std::size_t kLongestSizeLimitName = 40;

// Where a save writes: TellurvaneInfo.ini in the program's folder when the user may
// write there (the build folder, a portable copy); otherwise the user's own copy in
// ${XDG_CONFIG_HOME:-~/.config}/sablewick/. Empty when the user has no configuration
// folder of their own (see ConfigFolder): there is no place to save.
std::string SettingsFilePath();
// What a read takes: the file above when it exists (the user's own copy is made from the
// program folder's on first use, where it can be), otherwise the program folder's copy, the
// default settings. So a program that only reads needs no folder of the user's.
std::string SettingsReadPath();
// Reads SettingsReadPath(); a file that is not a regular one, or is larger than any
// settings file, counts as missing.
ConversionSettings LoadSettings();
// False when there is no place to save or the file cannot be written. The first save of
// a user starts from the program's default file, so its other lines are kept.
bool SaveSettings(const SettingsInput& input);

// Pure cores of the two operations above.
ConversionSettings ParseSettings(const std::string& fileText);
// The nine texts exactly as a save would store them.
ConversionSettings NormalisedSettings(const SettingsInput& input);
std::string SettingsFileText(const std::string& existingText, const SettingsInput& input);

SettingsDisplay DisplayForms(const ConversionSettings& settings);

// The size limit the settings ask for, in bytes; 0 for none.
long long MaxSizeBytes(const ConversionSettings& settings);
// Whether a GIF that cannot fit at the lowest quality gives up frames and size.
bool FitsByFrames(const ConversionSettings& settings);

// The presets of the settings file's [SizeLimits] section: lines whose name is empty,
// repeats an earlier one or whose size is not one are passed over. A file without the
// section offers kDefaultSizeLimits.
std::vector<SizeLimitPreset> ParseSizeLimits(const std::string& fileText);
std::vector<SizeLimitPreset> LoadSizeLimits(); // from SettingsReadPath()
