#include "tools/player/VideoWindow.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/imgutils.h>
}

WindowSize FitWindow(int width, int height, AVRational pixelAspect, int maxWidth, int maxHeight)
{
    double shownWidth = width;
    if (pixelAspect.num > 0 && pixelAspect.den > 0)
        shownWidth = width * av_q2d(pixelAspect);
    double scale = 1.0;
    if (maxWidth > 0 && maxHeight > 0)
        scale = std::min({ 1.0, maxWidth / shownWidth, maxHeight / static_cast<double>(height) });
    return { std::max(1, static_cast<int>(std::lround(shownWidth * scale))),
        std::max(1, static_cast<int>(std::lround(height * scale))) };
}

std::unique_ptr<VideoWindow> VideoWindow::Create(
    const std::string& title, int width, int height, AVRational pixelAspect, std::string& error)
{
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error = SDL_GetError();
        return nullptr;
    }
    std::unique_ptr<VideoWindow> window(new VideoWindow);
    SDL_Rect usable {};
    int maxWidth = 0;
    int maxHeight = 0;
    if (SDL_GetDisplayUsableBounds(0, &usable) == 0) {
        // Leave room for the window frame.
        maxWidth = usable.w * 9 / 10;
        maxHeight = usable.h * 9 / 10;
    }
    const WindowSize size = FitWindow(width, height, pixelAspect, maxWidth, maxHeight);
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    window->m_window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED,
        SDL_WINDOWPOS_CENTERED, size.width, size.height, SDL_WINDOW_RESIZABLE | SDL_WINDOW_SHOWN);
    if (!window->m_window) {
        error = SDL_GetError();
        return nullptr;
    }
    window->m_renderer = SDL_CreateRenderer(window->m_window, -1, 0);
    if (!window->m_renderer)
        window->m_renderer = SDL_CreateRenderer(window->m_window, -1, SDL_RENDERER_SOFTWARE);
    if (!window->m_renderer) {
        error = SDL_GetError();
        return nullptr;
    }
    // Keeps the picture's shape in a resized window, with black bars.
    const WindowSize shape = FitWindow(width, height, pixelAspect, 0, 0);
    SDL_RenderSetLogicalSize(window->m_renderer, shape.width, shape.height);
    window->m_converted.reset(av_frame_alloc());
    if (!window->m_converted) {
        error = "out of memory";
        return nullptr;
    }
    window->Redraw();
    return window;
}

VideoWindow::~VideoWindow()
{
    if (m_texture)
        SDL_DestroyTexture(m_texture);
    if (m_renderer)
        SDL_DestroyRenderer(m_renderer);
    if (m_window)
        SDL_DestroyWindow(m_window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool VideoWindow::Upload(const AVFrame* frame)
{
    if (frame->width <= 0 || frame->height <= 0)
        return false;
    if (!m_texture || m_textureWidth != frame->width || m_textureHeight != frame->height) {
        if (m_texture)
            SDL_DestroyTexture(m_texture);
        m_texture = SDL_CreateTexture(m_renderer, SDL_PIXELFORMAT_IYUV, SDL_TEXTUREACCESS_STREAMING,
            frame->width, frame->height);
        if (!m_texture)
            return false;
        m_textureWidth = frame->width;
        m_textureHeight = frame->height;
    }
    const AVFrame* planar = frame;
    if (frame->format != AV_PIX_FMT_YUV420P && frame->format != AV_PIX_FMT_YUVJ420P) {
        m_scaler.reset(sws_getCachedContext(m_scaler.release(), frame->width, frame->height,
            static_cast<AVPixelFormat>(frame->format), frame->width, frame->height,
            AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr));
        if (!m_scaler)
            return false;
        if (m_converted->width != frame->width || m_converted->height != frame->height) {
            av_frame_unref(m_converted.get());
            m_converted->format = AV_PIX_FMT_YUV420P;
            m_converted->width = frame->width;
            m_converted->height = frame->height;
            if (av_frame_get_buffer(m_converted.get(), 0) < 0)
                return false;
        }
        sws_scale(m_scaler.get(), frame->data, frame->linesize, 0, frame->height, m_converted->data,
            m_converted->linesize);
        planar = m_converted.get();
    }
    return SDL_UpdateYUVTexture(m_texture, nullptr, planar->data[0], planar->linesize[0],
               planar->data[1], planar->linesize[1], planar->data[2], planar->linesize[2])
        == 0;
}

void VideoWindow::Show(const AVFrame* frame)
{
    Upload(frame);
    Redraw();
}

void VideoWindow::Redraw()
{
    SDL_SetRenderDrawColor(m_renderer, 0, 0, 0, 255);
    SDL_RenderClear(m_renderer);
    if (m_texture)
        SDL_RenderCopy(m_renderer, m_texture, nullptr, nullptr);
    SDL_RenderPresent(m_renderer);
}
