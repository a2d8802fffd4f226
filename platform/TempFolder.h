#pragma once

#include <string>

// The process's private temporary folder, with a trailing '/':
// ${TMPDIR:-/tmp}/sablewick-<uid>/<pid>/, mode 0700, made on first use.
// The per-user parent must be a real folder (no symlink) owned by this user with
// no access for others; otherwise the folder is refused and an empty text is
// returned. Folders left by processes that no longer run are removed on first
// use; the process's own folder is removed at exit.
std::string TempFolder();

// Removes the folder and everything in it (not following symlinks).
void RemoveTree(const std::string& path);
