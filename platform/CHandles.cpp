#include "platform/CHandles.h"

void FileCloser::operator()(FILE* file) const
{
    std::fclose(file);
}

void DirCloser::operator()(DIR* dir) const
{
    ::closedir(dir);
}
