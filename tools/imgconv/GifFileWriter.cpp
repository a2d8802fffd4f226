#include "tools/imgconv/GifFileWriter.h"

#include "tools/common/ErrorText.h"
#include "tools/common/PartialFiles.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
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

} // namespace

void RemoveTempFilesOnSignals()
{
    partial_files::RemoveOnSignals();
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

// Not finished: the partial file goes with its owner.
GifFileWriter::~GifFileWriter() = default;

int GifFileWriter::WriteToFd(GifFileType* gif, const GifByteType* data, int length)
{
    auto* self = static_cast<GifFileWriter*>(gif->UserData);
    if (!self->m_file) {
        self->m_written += length;
        return length;
    }
    const size_t done = std::fwrite(data, 1, static_cast<size_t>(length), self->m_file->Stream());
    if (done < static_cast<size_t>(length))
        self->m_writeErrno = errno ? errno : EIO;
    self->m_written += static_cast<long long>(done);
    return static_cast<int>(done);
}

bool GifFileWriter::Fail(const std::string& what)
{
    if (m_writeErrno != 0)
        m_error = CannotWrite(m_targetPath, m_writeErrno);
    else
        m_error = what;
    return false;
}

bool GifFileWriter::Begin(int width, int height, int loopValue)
{
    if (!m_targetPath.empty()) {
        Outcome<AtomicFile> file = AtomicFile::Create(m_targetPath);
        if (!file) {
            m_error = file.Error();
            return false;
        }
        m_file.emplace(std::move(file.Value()));
    }

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
    if (!m_file)
        return true;
    const std::string error = m_file->Commit(true);
    m_file.reset();
    if (!error.empty()) {
        m_error = error;
        return false;
    }
    return true;
}

} // namespace imgconv
