#pragma once

#include "tools/common/AtomicFile.h"
#include "tools/imgconv/IndexedFrame.h"

#include <gif_lib.h>
#include <memory>
#include <optional>
#include <string>

namespace imgconv {

// Makes SIGTERM, SIGINT and SIGHUP remove the temporary files being written before the
// process ends, and turns a file-size limit into a write error.
void RemoveTempFilesOnSignals();

// Writes a GIF89a under a temporary name in the target's folder and renames it into place
// when complete, so that no half-written GIF ever carries the target's name. With an empty
// target path nothing is written: the bytes are only counted.
class GifFileWriter
{
public:
    explicit GifFileWriter(std::string targetPath);
    ~GifFileWriter();
    GifFileWriter(const GifFileWriter&) = delete;
    GifFileWriter& operator=(const GifFileWriter&) = delete;

    // loopValue: the NETSCAPE2.0 value, or -1 for no loop block. Browsers play the
    // animation once and then repeat it that many times; 0 repeats it forever.
    bool Begin(int width, int height, int loopValue);
    bool PutFrame(const IndexedFrame& frame, int delay, Disposal disposal);
    bool Finish();

    // What the file holds so far.
    long long BytesWritten() const { return m_written; }
    const std::string& Error() const { return m_error; }

private:
    struct GifCloser
    {
        void operator()(GifFileType* gif) const;
    };
    static int WriteToFd(GifFileType* gif, const GifByteType* data, int length);
    bool Fail(const std::string& what);

    std::string m_targetPath;
    std::optional<AtomicFile> m_file;
    long long m_written = 0;
    int m_writeErrno = 0;
    std::unique_ptr<GifFileType, GifCloser> m_gif;
    std::string m_error;
};

} // namespace imgconv
