#pragma once

#include "tools/common/Outcome.h"

#include <cstdio>
#include <string>

// The tools' owner of a file they write: written under a hidden temporary name in its own folder
// and renamed into place when complete, so a reader never sees half an image. Dropped without
// commit, it leaves nothing.
class AtomicFile
{
public:
    static Outcome<AtomicFile> Create(const std::string& path);
    AtomicFile(AtomicFile&& other) noexcept;
    AtomicFile& operator=(AtomicFile&&) = delete;
    ~AtomicFile();

    FILE* Stream() { return m_stream; }
    // Closes the file and gives it its name; empty on success, else the error text.
    std::string Commit(bool overwrite);

private:
    AtomicFile() = default;
    void Discard();

    std::string m_path;
    std::string m_temporary;
    FILE* m_stream = nullptr;
    int m_partialSlot = -1; // where a stop signal finds the temporary name
};
