#pragma once

#include <string>
#include <vector>

// Result codes of OpenUrl, in the numbering of the shell's "open" verb: above
// kOpenSucceeded is success.
constexpr int kOpenFailed = 0; // any other failure
constexpr int kOpenFileNotFound = 2; // a local file that does not exist
constexpr int kOpenNoHandler = 31; // nothing on the desktop opens it
constexpr int kOpenSucceeded = 32; // results above this mean success
constexpr int kOpenDone = 33;

// Opens a web address, a "mailto:" address or a file with the desktop's
// handler (xdg-open). When that fails, starts the desktop's web browser (the
// handler of text/html) with the target. Returns a code above 32 on success.
int OpenUrl(const std::string& target);

// The desktop file (e.g. "vlc.desktop") of the program the desktop opens the
// local file `path` with: its MIME type and that type's default handler, both
// as xdg-mime answers them; empty when either is unknown.
std::string DefaultHandlerOf(const std::string& path);

// Pure parts of the fallback, for tests.

// Whether `target` names a local file: no URL scheme, or "file:".
bool IsLocalTarget(const std::string& target);
// The local path of a local target ("file://" removed and %XX decoded).
std::string LocalPathOf(const std::string& target);
// Splits the Exec line of a desktop entry into its arguments, dropping it from
// the first field code (%u, %F, ...) on; "%%" stays a literal "%".
std::vector<std::string> SplitDesktopExec(const std::string& exec);
// The Exec value of the [Desktop Entry] group of a desktop file's text; empty
// when there is none.
std::string DesktopEntryExec(const std::string& desktopFileText);
// Where the desktop file `name` (e.g. "firefox.desktop") lies, searched in
// $XDG_DATA_HOME/applications and the applications folders of $XDG_DATA_DIRS;
// empty when not found.
std::string FindDesktopFile(const std::string& name);
