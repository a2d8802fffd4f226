#pragma once

#include <string>

// Per-user configuration files, in ${XDG_CONFIG_HOME:-~/.config}/sablewick/.
// The folder, with a trailing '/', made on demand. Empty when the user has no such folder
// of their own: no home (neither HOME nor an entry in the user database), a folder on the
// way that belongs to someone else or that everyone may write to, or one that cannot be
// made. Files are then neither read from nor written to a place another user controls.
std::string ConfigFolder();
// The files in it; empty when ConfigFolder() is.
std::string ApplicationProfilePath(); // sablewick.INI: OpenFolder/Folder
std::string SharedUserProfilePath(); // user-profile.ini: Parameter/InputDir
std::string RememberedAnswersPath(); // answers.ini: message-box answers
