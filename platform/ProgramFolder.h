#pragma once

#include <string>

// The folder of the running executable, with a trailing '/'.
std::string ProgramFolder();

// Lets tests point the program folder somewhere else; an empty text restores
// the real one.
void SetProgramFolderForTesting(const std::string& folder);

// The folder part of a path, with its trailing '/', and the last component.
std::string FolderOf(const std::string& path);
std::string FileNameOf(const std::string& path);

bool PathExists(const std::string& path);
