#include "tools/video/ImageWriter.h"

#include "tools/common/AtomicFile.h"
#include "tools/common/ErrorText.h"

#include <cerrno>
#include <charconv>
#include <csetjmp>
#include <png.h>
#include <vector>

namespace video {
namespace {

    // Temporary frames are read once by the GIF assembler and then deleted. Stored (level 0)
    // blocks cost a quarter of the CPU time of level 1 on 720p frames (1.4 s against 5.7 s for
    // 100 frames, decoding included) for 1.5 times the bytes; both leave filtering off.
    constexpr int kTemporaryPngLevel = 0;

    [[noreturn]] void pngError(png_structp png, png_const_charp)
    {
        png_longjmp(png, 1);
    }
    void PngWarning(png_structp, png_const_charp) { }

    // Kept free of C++ objects: libpng reports failure by longjmp.
    bool EncodePng(
        FILE* out, const RgbImage* image, png_bytep* rows, bool fast, const char* interval)
    {
        png_structp png
            = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, PngWarning);
        if (!png)
            return false;
        png_infop info = png_create_info_struct(png);
        if (!info) {
            png_destroy_write_struct(&png, nullptr);
            return false;
        }
        if (setjmp(png_jmpbuf(png))) {
            png_destroy_write_struct(&png, &info);
            return false;
        }
        png_init_io(png, out);
        png_set_IHDR(png, info, static_cast<png_uint_32>(image->width),
            static_cast<png_uint_32>(image->height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
            PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        if (fast) {
            png_set_compression_level(png, kTemporaryPngLevel);
            png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
        }
        png_text text {};
        text.compression = PNG_TEXT_COMPRESSION_NONE;
        text.key = const_cast<png_charp>("FrameInterval");
        text.text = const_cast<png_charp>(interval);
        png_set_text(png, info, &text, 1);
        png_write_info(png, info);
        png_write_image(png, rows);
        png_write_end(png, info);
        png_destroy_write_struct(&png, &info);
        return true;
    }

    AVCodecID CodecFor(ImageFormat format)
    {
        switch (format) {
        case ImageFormat::Jpeg:
            return AV_CODEC_ID_MJPEG;
        case ImageFormat::Bmp:
            return AV_CODEC_ID_BMP;
        case ImageFormat::Tga:
            return AV_CODEC_ID_TARGA;
        case ImageFormat::Pcx:
            return AV_CODEC_ID_PCX;
        case ImageFormat::Png:
            break;
        }
        return AV_CODEC_ID_NONE;
    }

    AVPixelFormat PixelFormatFor(ImageFormat format)
    {
        switch (format) {
        case ImageFormat::Jpeg:
            return AV_PIX_FMT_YUVJ420P;
        case ImageFormat::Bmp:
        case ImageFormat::Tga:
            return AV_PIX_FMT_BGR24;
        default:
            return AV_PIX_FMT_RGB24;
        }
    }

} // namespace

std::string FormatFrameInterval(double seconds)
{
    char text[64] = {};
    auto result
        = std::to_chars(text, text + sizeof text - 1, seconds, std::chars_format::general, 9);
    *result.ptr = '\0';
    return text;
}

ImageWriter::ImageWriter(const OutputPattern& pattern, const WriteSettings& settings)
    : m_pattern(pattern)
    , m_settings(settings)
    , m_intervalText(FormatFrameInterval(settings.frameInterval))
{ }

std::string ImageWriter::Write(const RgbImage& image, long long number)
{
    std::string path = m_pattern.FileName(number);
    if (m_pattern.Format() == ImageFormat::Png)
        return WritePng(image, path);
    return WriteEncoded(image, path);
}

std::string ImageWriter::WritePng(const RgbImage& image, const std::string& path)
{
    auto file = AtomicFile::Create(path);
    if (!file)
        return file.Error();
    std::vector<png_bytep> rows(static_cast<size_t>(image.height));
    for (int y = 0; y < image.height; ++y)
        rows[static_cast<size_t>(y)] = const_cast<png_bytep>(image.row(y));
    errno = 0;
    if (!EncodePng(file.Value().Stream(), &image, rows.data(), m_pattern.IsTemporaryFrame(),
            m_intervalText.c_str()))
        return CannotWrite(path, errno ? errno : EIO);
    return file.Value().Commit(m_settings.overwrite);
}

bool ImageWriter::OpenEncoder(int width, int height)
{
    if (m_encoder && m_encoder->width == width && m_encoder->height == height)
        return true;
    m_encoder.reset();
    const AVCodec* codec = avcodec_find_encoder(CodecFor(m_pattern.Format()));
    if (!codec)
        return false;
    m_encoder.reset(avcodec_alloc_context3(codec));
    m_frame.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    if (!m_encoder || !m_frame || !m_packet)
        return false;
    AVCodecContext* c = m_encoder.get();
    c->width = width;
    c->height = height;
    c->pix_fmt = PixelFormatFor(m_pattern.Format());
    c->time_base = AVRational { 1, 25 };
    c->thread_count = 1; // frames are already spread over the writer threads
    if (m_pattern.Format() == ImageFormat::Jpeg) {
        // ffmpeg's -qscale: a fixed quantiser scale; without it, the finest the encoder takes.
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = static_cast<int>(FF_QP2LAMBDA * m_settings.qscale.value_or(2.0) + 0.5);
        c->color_range = AVCOL_RANGE_JPEG;
    }
    if (avcodec_open2(c, codec, nullptr) < 0) {
        m_encoder.reset();
        return false;
    }
    m_frame->format = c->pix_fmt;
    m_frame->width = width;
    m_frame->height = height;
    if (av_frame_get_buffer(m_frame.get(), 0) < 0) {
        m_encoder.reset();
        return false;
    }
    return true;
}

std::string ImageWriter::WriteEncoded(const RgbImage& image, const std::string& path)
{
    if (!OpenEncoder(image.width, image.height))
        return "cannot set up the image encoder for '" + path + "'";
    AVCodecContext* c = m_encoder.get();
    if (av_frame_make_writable(m_frame.get()) < 0)
        return "out of memory";
    m_sws.reset(sws_getCachedContext(m_sws.release(), image.width, image.height, AV_PIX_FMT_RGB24,
        image.width, image.height, c->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!m_sws)
        return "cannot convert the picture for '" + path + "'";
    if (c->pix_fmt == AV_PIX_FMT_YUVJ420P)
        sws_setColorspaceDetails(m_sws.get(), sws_getCoefficients(SWS_CS_DEFAULT), 1,
            sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    const uint8_t* src[4] = { image.pixels.data(), nullptr, nullptr, nullptr };
    int srcStride[4] = { image.width * 3, 0, 0, 0 };
    sws_scale(m_sws.get(), src, srcStride, 0, image.height, m_frame->data, m_frame->linesize);
    m_frame->quality = c->global_quality;
    m_frame->pts = m_pts++; // the MPEG-family encoders insist on rising stamps

    int rc = avcodec_send_frame(c, m_frame.get());
    if (rc >= 0)
        rc = avcodec_receive_packet(c, m_packet.get());
    if (rc < 0)
        return "cannot encode '" + path + "': " + FfmpegError(rc);

    auto file = AtomicFile::Create(path);
    if (!file) {
        av_packet_unref(m_packet.get());
        return file.Error();
    }
    errno = 0;
    size_t size = static_cast<size_t>(m_packet->size);
    size_t done = std::fwrite(m_packet->data, 1, size, file.Value().Stream());
    av_packet_unref(m_packet.get());
    if (done != size)
        return CannotWrite(path, errno ? errno : EIO);
    return file.Value().Commit(m_settings.overwrite);
}

} // namespace video
