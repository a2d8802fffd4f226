#pragma once

#include "tools/common/FfmpegHandles.h"

#include <SDL.h>
#include <memory>
#include <string>

// Window size for a picture of `width` x `height` pixels of aspect `pixelAspect`, scaled
// down (never up) to fit `maxWidth` x `maxHeight`.
struct WindowSize
{
    int width;
    int height;
};
WindowSize FitWindow(int width, int height, AVRational pixelAspect, int maxWidth, int maxHeight);

// The player's window and the picture in it.
class VideoWindow
{
public:
    // Null, with `error` set, when no window can be opened.
    static std::unique_ptr<VideoWindow> Create(const std::string& title, int width, int height,
        AVRational pixelAspect, std::string& error);
    ~VideoWindow();
    VideoWindow(const VideoWindow&) = delete;
    VideoWindow& operator=(const VideoWindow&) = delete;

    // Puts `frame` on the screen.
    void Show(const AVFrame* frame);
    // Paints the last picture again (after the window was uncovered or resized).
    void Redraw();

private:
    VideoWindow() = default;
    bool Upload(const AVFrame* frame);

    SDL_Window* m_window = nullptr;
    SDL_Renderer* m_renderer = nullptr;
    SDL_Texture* m_texture = nullptr;
    int m_textureWidth = 0;
    int m_textureHeight = 0;
    ScalerPtr m_scaler;
    FramePtr m_converted;
};
