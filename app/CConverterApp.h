#pragma once

#include <functional>
#include <string>
#include <vector>

class CMainDialog;

// The program's start-up and shutdown: English interface language, the branding
// record, then the main window run modally until it closes.
class CConverterApp
{
public:
    // Exit status when the branding record cannot be loaded (the low byte of -88).
    static constexpr int kBrandingExitStatus = 168;

    explicit CConverterApp(std::vector<std::string> args);

    // Runs the program; returns the process's exit status.
    int Run();

private:
    std::vector<std::string> m_args;
};

// Sets the interface language and number formats to English (United States).
void SetEnglishUiLanguage();

// The main window's caption: the product name of the branding record.
void ApplyWindowTitle(CMainDialog& dialog);

// Acts on "-add PATH", "-open PATH" and "-copyright" while the window is still
// hidden. False when there are no arguments besides the program.
bool ProcessCommandLine(CMainDialog& dialog, const std::vector<std::string>& args);

// Connects the window's buttons to the options dialog, the About box, the
// preview and the media-information query, and F1 to the home page.
void ConnectMainDialog(CMainDialog& dialog);

// What SIGTERM, SIGHUP or SIGINT does to the window before it closes: the job
// and the preview end as Stop ends them, their tools and frames with them.
void EndForSignal(CMainDialog& dialog);

// How "-copyright" ends the process (std::_Exit by default); tests put their own.
void SetProcessExitForTesting(std::function<void(int)> exit);
