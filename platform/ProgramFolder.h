#pragma once

#include <string>

// The folder of the running executable, with a trailing '/'; "./" when it is unknown.
std::string ProgramFolder();

// The running executable's own path (/proc/self/exe); empty when it cannot be read.
// Unlike ProgramFolder, never the folder set for tests.
std::string ProgramPath();

// Lets tests point the program folder somewhere else; an empty text restores
// the real one.
void SetProgramFolderForTesting(const std::string& folder);

// The folder part of a path, with its trailing '/', and the last component.
std::string FolderOf(const std::string& path);
std::string FileNameOf(const std::string& path);

bool PathExists(const std::string& path);

// Whether the user may write into `folder`, judged by its permission bits for
// the user's class (owner, group, others) with no exemption for root, and by
// access(2) for read-only mounts. An installed program's folder is not writable
// this way even for root, so root too gets settings of its own.
bool IsFolderWritableByUser(const std::string& folder);
