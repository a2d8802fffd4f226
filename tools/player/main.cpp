// player.dll PATH: plays the video at PATH in a window of its own until it is closed.
#define SDL_MAIN_HANDLED
#include "sablewick/Version.h"
#include "tools/player/AudioOutput.h"
#include "tools/player/MediaSource.h"
#include "tools/player/Player.h"
#include "tools/player/VideoWindow.h"

#include <SDL.h>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

namespace {

constexpr const char* kUsage = "usage: player.dll PATH\n"
                               "Plays the video at PATH with its sound in a window.\n"
                               "Space pauses, Left and Right seek 5 seconds, Escape or q "
                               "closes.\n";

int Fail(const std::string& path, const std::string& reason)
{
    std::fprintf(stderr, "player.dll: %s: %s\n", path.c_str(), reason.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (PrintVersionIfAsked(argc, argv, "player.dll"))
        return 0;
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc != 2) {
        std::fputs("player.dll: expected one video file (see --help)\n", stderr);
        return 2;
    }
    const std::string path = argv[1];
    av_log_set_level(AV_LOG_FATAL);

    // Everything that can fail with the file is checked before a window appears.
    std::string error;
    std::unique_ptr<MediaSource> source = MediaSource::Open(path, true, error);
    if (!source)
        return Fail(path, error);
    FramePtr first(av_frame_alloc());
    double firstSeconds = 0.0;
    if (!first || !source->NextVideoFrame(first.get(), firstSeconds))
        return Fail(path, "no picture could be decoded");

    SDL_SetMainReady();
    // SDL would turn SIGTERM into a quit event and a clean exit; a stopped
    // player should end at once and say it was stopped.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_Init(0) != 0)
        return Fail(path, SDL_GetError());
    int status = 0;
    {
        std::unique_ptr<AudioOutput> audio;
        if (source->HasAudio()) {
            audio = AudioOutput::Open(*source->AudioCodec(), error);
            if (!audio) {
                std::fprintf(stderr, "player.dll: playing without sound: %s\n", error.c_str());
                source->DropAudio();
            }
        }
        const std::string title = std::filesystem::path(path).filename().string();
        std::unique_ptr<VideoWindow> window = VideoWindow::Create(
            title, first->width, first->height, source->SampleAspectRatio(), error);
        if (window) {
            Player player(*source, *window, audio.get(), std::move(first), firstSeconds);
            player.Run();
        } else {
            status = Fail(path, std::string("cannot open a window: ") + error);
        }
    }
    SDL_Quit();
    return status;
}
