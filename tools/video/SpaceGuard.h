#pragma once

#include "tools/video/OutputPattern.h"

#include <functional>
#include <optional>
#include <string>

namespace video {

// The space of the file system that holds a folder, in bytes.
struct FolderSpace
{
    long long available = 0; // what an ordinary user may still write
    long long total = 0;
};

// statvfs of `folder`; none when it cannot be asked.
std::optional<FolderSpace> QueryFolderSpace(const std::string& folder);

// Keeps the frames from filling the output folder's file system: a damaged or crafted clip
// (three frames ten hours apart) asks for hundreds of thousands of them. Before the first
// frame is written, the frames to come are compared with the free space; while writing, the
// extraction stops when no more than a reserve is left, so the rest of the system, and the
// GIF still to be made, keep room.
class SpaceGuard
{
public:
    using Query = std::function<std::optional<FolderSpace>(const std::string& folder)>;

    // `temporary`: the folder holds temporary frames (the messages say "temporary space").
    SpaceGuard(std::string folder, bool temporary, Query query = QueryFolderSpace);

    // Empty when `frames` images of about `bytesPerFrame` bytes fit and leave the reserve,
    // else the reason ("needs about 40 GB of temporary space, 3.1 GB free").
    std::string CheckRoomFor(long long frames, long long bytesPerFrame) const;
    // Empty while more than the reserve is left once `bytesToCome` more are written (the
    // images under way and the next one), else the reason to stop.
    std::string CheckLeft(long long bytesToCome = 0) const;

    // The free space kept: 256 MiB, or a twentieth of a smaller file system.
    static long long Reserve(long long total);

private:
    std::string Where() const;

    std::string m_folder;
    bool m_temporary;
    Query m_query;
};

// About how many bytes one image takes: exact for the uncompressed kinds (temporary PNG
// frames are stored, not deflated, and BMP), a low guess for the compressed ones, so that a
// file that would fit is never refused on the guess alone.
long long EstimatedImageBytes(ImageFormat format, bool temporary, int width, int height);

// "870 kB", "3.1 GB", "40 GB": two significant figures at most, decimal units as df -H shows.
std::string ApproximateBytes(long long bytes);

} // namespace video
