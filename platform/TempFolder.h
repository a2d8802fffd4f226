#pragma once

#include <string>

// The process's private temporary folder, with a trailing '/':
// ${TMPDIR:-/tmp}/sablewick-<uid>/<pid>/, mode 0700, made on first use. Its
// owner holds a lock on a file in it for its lifetime; on first use, folders
// whose lock can be taken (their owner is gone, whatever its PID namespace)
// are removed. The per-user parent must be a real folder (no symlink) owned by
// this user with no access for others; when someone else holds that name, a
// fresh private folder beside it (mkdtemp) serves instead, with a line on
// stderr. Empty when no folder can be made. Removed at exit.
std::string TempFolder();

// Removes the folder and everything in it (not following symlinks).
void RemoveTree(const std::string& path);
