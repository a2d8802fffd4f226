#pragma once

#include <cstdio>
#include <dirent.h>
#include <memory>

// Owners for the C library's stream and folder handles.
struct FileCloser
{
    void operator()(FILE* file) const;
};
struct DirCloser
{
    void operator()(DIR* dir) const;
};

using UniqueFile = std::unique_ptr<FILE, FileCloser>;
using UniqueDir = std::unique_ptr<DIR, DirCloser>;
