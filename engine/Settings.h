#pragma once

#include <string>

// The nine stored texts of the settings file, raw, "ERROR" for a missing key.
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
    std::string Loop;         // the edit part of the loop list
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
    std::string LoopText;             // for the edit part, when not selecting the first entry
};

inline constexpr const char* kSettingsFileName = "TellurvaneInfo.ini";
inline constexpr const char* kSettingsSection = "TellurvaneInfo";

// TellurvaneInfo.ini in the program's folder when the user may write there (the
// build folder, a portable copy); otherwise the user's own copy in
// ${XDG_CONFIG_HOME:-~/.config}/sablewick/, made from the program folder's copy
// when it does not exist yet.
std::string SettingsFilePath();
ConversionSettings LoadSettings();
// False when the file cannot be written.
bool SaveSettings(const SettingsInput& input);

// Pure cores of the two operations above.
ConversionSettings ParseSettings(const std::string& fileText);
// The nine texts exactly as a save would store them.
ConversionSettings NormalisedSettings(const SettingsInput& input);
std::string SettingsFileText(const std::string& existingText, const SettingsInput& input);

SettingsDisplay DisplayForms(const ConversionSettings& settings);
