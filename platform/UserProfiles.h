#pragma once

#include <string>

// Per-user configuration files, in ${XDG_CONFIG_HOME:-~/.config}/sablewick/.
std::string ConfigFolder(); // with a trailing '/', made on demand
std::string ApplicationProfilePath(); // sablewick.INI: OpenFolder/Folder
std::string SharedUserProfilePath(); // user-profile.ini: Parameter/InputDir
std::string RememberedAnswersPath(); // answers.ini: message-box answers
