#include "tools/imgconv/GifFileWriter.h"

#include "tools/imgconv/OutputName.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace imgconv {

namespace {

    struct MapFreer
    {
        void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
    };

    std::unique_ptr<ColorMapObject, MapFreer> MakeColorMap(const IndexedFrame& frame)
    {
        const int count = static_cast<int>(frame.palette.size() / 3);
        std::vector<GifColorType> colours(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            colours[i].Red = frame.palette[i * 3];
            colours[i].Green = frame.palette[i * 3 + 1];
            colours[i].Blue = frame.palette[i * 3 + 2];
        }
        return std::unique_ptr<ColorMapObject, MapFreer>(GifMakeMapObject(count, colours.data()));
    }

    std::string GifErrorText(int code)
    {
        const char* text = GifErrorString(code);
        return text ? text : "GIF error " + std::to_string(code);
    }

    // The temporary file being written, for the signal handler to remove when the tool is
    // stopped; one at a time, as the writer writes one file at a time.
    char g_tempPathForSignal[4096];
    volatile std::sig_atomic_t g_tempPathSet = 0;

    void RemoveTempFileAndDie(int signalNumber)
    {
        if (g_tempPathSet)
            unlink(g_tempPathForSignal);
        std::signal(signalNumber, SIG_DFL);
        std::raise(signalNumber);
    }

    void RememberTempPath(const std::string& path)
    {
        g_tempPathSet = 0;
        if (path.size() < sizeof g_tempPathForSignal) {
            std::memcpy(g_tempPathForSignal, path.c_str(), path.size() + 1);
            g_tempPathSet = 1;
        }
    }

} // namespace

void RemoveTempFilesOnSignals()
{
    for (int signalNumber : { SIGTERM, SIGINT, SIGHUP })
        std::signal(signalNumber, RemoveTempFileAndDie);
    // Past a file-size limit writes fail with EFBIG, which is reported like a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
}

void GifFileWriter::GifCloser::operator()(GifFileType* gif) const
{
    int code = 0;
    EGifCloseFile(gif, &code);
}

GifFileWriter::GifFileWriter(std::string targetPath)
    : m_targetPath(std::move(targetPath))
{ }

GifFileWriter::~GifFileWriter()
{
    if (m_gif) {
        // Not finished: drop the partial file rather than leave it behind.
        m_gif.reset();
    }
    if (m_fd >= 0)
        close(m_fd);
    if (!m_tempPath.empty()) {
        unlink(m_tempPath.c_str());
        g_tempPathSet = 0;
    }
}

int GifFileWriter::WriteToFd(GifFileType* gif, const GifByteType* data, int length)
{
    auto* self = static_cast<GifFileWriter*>(gif->UserData);
    int done = 0;
    while (done < length) {
        const ssize_t n = write(self->m_fd, data + done, static_cast<size_t>(length - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            self->m_writeErrno = errno;
            return done;
        }
        done += static_cast<int>(n);
    }
    return done;
}

bool GifFileWriter::Fail(const std::string& what)
{
    if (m_writeErrno != 0)
        m_error = "cannot write '" + m_targetPath + "': " + std::strerror(m_writeErrno);
    else
        m_error = what;
    return false;
}

bool GifFileWriter::Begin(int width, int height, int loopValue)
{
    std::string folder, name;
    SplitPath(m_targetPath, folder, name);
    std::string pattern = folder + "/.imgconv-XXXXXX.tmp";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    m_fd = mkstemps(buffer.data(), 4);
    if (m_fd < 0) {
        m_error = "cannot write in folder '" + folder + "': " + std::strerror(errno);
        return false;
    }
    m_tempPath = buffer.data();
    RememberTempPath(m_tempPath);
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(m_fd, 0666 & ~mask);

    int code = 0;
    m_gif.reset(EGifOpen(this, WriteToFd, &code));
    if (!m_gif)
        return Fail(GifErrorText(code));
    EGifSetGifVersion(m_gif.get(), true);
    if (EGifPutScreenDesc(m_gif.get(), width, height, 8, 0, nullptr) != GIF_OK)
        return Fail(GifErrorText(m_gif->Error));
    if (loopValue >= 0) {
        const GifByteType repeat[3] = { 1, static_cast<GifByteType>(loopValue & 0xFF),
            static_cast<GifByteType>((loopValue >> 8) & 0xFF) };
        if (EGifPutExtensionLeader(m_gif.get(), APPLICATION_EXT_FUNC_CODE) != GIF_OK
            || EGifPutExtensionBlock(m_gif.get(), 11, "NETSCAPE2.0") != GIF_OK
            || EGifPutExtensionBlock(m_gif.get(), 3, repeat) != GIF_OK
            || EGifPutExtensionTrailer(m_gif.get()) != GIF_OK)
            return Fail(GifErrorText(m_gif->Error));
    }
    return true;
}

bool GifFileWriter::PutFrame(const IndexedFrame& frame, int delay, Disposal disposal)
{
    GraphicsControlBlock control {};
    control.DisposalMode
        = disposal == Disposal::RestoreBackground ? DISPOSE_BACKGROUND : DISPOSE_DO_NOT;
    control.UserInputFlag = false;
    control.DelayTime = delay;
    control.TransparentColor
        = frame.transparentIndex >= 0 ? frame.transparentIndex : NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    if (EGifPutExtension(m_gif.get(), GRAPHICS_EXT_FUNC_CODE, 4, extension) != GIF_OK)
        return Fail(GifErrorText(m_gif->Error));

    auto map = MakeColorMap(frame);
    if (!map)
        return Fail("out of memory");
    if (EGifPutImageDesc(m_gif.get(), frame.rect.x, frame.rect.y, frame.rect.width,
            frame.rect.height, false, map.get())
        != GIF_OK)
        return Fail(GifErrorText(m_gif->Error));
    // The data was compressed beforehand: pass its sub-blocks through unchanged.
    size_t at = 0;
    bool first = true;
    while (at < frame.lzw.size()) {
        const GifByteType* block = frame.lzw.data() + at;
        const int result = first
            ? EGifPutCode(m_gif.get(), ColourBits(frame.palette.size() / 3), block)
            : EGifPutCodeNext(m_gif.get(), block);
        if (result != GIF_OK)
            return Fail(GifErrorText(m_gif->Error));
        first = false;
        at += size_t { block[0] } + 1;
    }
    if (EGifPutCodeNext(m_gif.get(), nullptr) != GIF_OK)
        return Fail(GifErrorText(m_gif->Error));
    return true;
}

bool GifFileWriter::Finish()
{
    int code = 0;
    const int closed = EGifCloseFile(m_gif.release(), &code);
    if (closed != GIF_OK)
        return Fail(GifErrorText(code));
    const int fd = m_fd;
    m_fd = -1;
    if (close(fd) != 0) {
        m_writeErrno = errno;
        return Fail("close failed");
    }
    if (rename(m_tempPath.c_str(), m_targetPath.c_str()) != 0) {
        m_error = "cannot write '" + m_targetPath + "': " + std::strerror(errno);
        return false;
    }
    m_tempPath.clear();
    g_tempPathSet = 0;
    return true;
}

} // namespace imgconv
