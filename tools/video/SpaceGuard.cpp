#include "tools/video/SpaceGuard.h"

#include <cstdio>
#include <sys/statvfs.h>

namespace video {

std::optional<FolderSpace> QueryFolderSpace(const std::string& folder)
{
    struct statvfs st
    {
    };
    if (::statvfs(folder.empty() ? "." : folder.c_str(), &st) != 0)
        return std::nullopt;
    const auto unit = static_cast<long long>(st.f_frsize ? st.f_frsize : st.f_bsize);
    return FolderSpace { static_cast<long long>(st.f_bavail) * unit,
        static_cast<long long>(st.f_blocks) * unit };
}

SpaceGuard::SpaceGuard(std::string folder, bool temporary, Query query)
    : m_folder(std::move(folder))
    , m_temporary(temporary)
    , m_query(std::move(query))
{ }

long long SpaceGuard::Reserve(long long total)
{
    constexpr long long kReserve = 256LL << 20;
    return total / 20 < kReserve ? total / 20 : kReserve;
}

std::string SpaceGuard::Where() const
{
    return m_temporary ? "of temporary space"
                       : "of space in '" + (m_folder.empty() ? "." : m_folder) + "'";
}

std::string SpaceGuard::CheckRoomFor(long long frames, long long bytesPerFrame) const
{
    const std::optional<FolderSpace> space = m_query(m_folder);
    if (!space || frames <= 0 || bytesPerFrame <= 0)
        return {};
    // In long double: a crafted clip may ask for more frames than a long long of bytes holds.
    const long double needed = static_cast<long double>(frames) * bytesPerFrame;
    const long long reserve = Reserve(space->total);
    if (needed + reserve <= space->available)
        return {};
    const long long shown = needed > 9e18L ? 9000000000000000000LL : static_cast<long long>(needed);
    std::string reason = "needs about " + ApproximateBytes(shown) + " " + Where() + ", "
        + ApproximateBytes(space->available) + " free";
    if (needed <= space->available)
        reason += " (" + ApproximateBytes(reserve) + " of it kept in reserve)";
    return reason;
}

std::string SpaceGuard::CheckLeft(long long bytesToCome) const
{
    const std::optional<FolderSpace> space = m_query(m_folder);
    if (!space || space->available - bytesToCome > Reserve(space->total))
        return {};
    return "stopped with only " + ApproximateBytes(space->available) + " " + Where() + " left";
}

long long EstimatedImageBytes(ImageFormat format, bool temporary, int width, int height)
{
    const long long w = width;
    const long long h = height;
    const long long raw = 3 * w * h;
    switch (format) {
    case ImageFormat::Png:
        // Stored rows, each with its filter byte; compressed ones are far smaller.
        return temporary ? (3 * w + 1) * h : raw / 4;
    case ImageFormat::Bmp:
        return ((3 * w + 3) / 4 * 4) * h + 54;
    case ImageFormat::Tga:
    case ImageFormat::Pcx:
        return raw / 4; // run-length coded
    case ImageFormat::Jpeg:
        return raw / 20;
    }
    return raw;
}

std::string ApproximateBytes(long long bytes)
{
    static const char* const kUnits[] = { "bytes", "kB", "MB", "GB", "TB", "PB", "EB" };
    double value = static_cast<double>(bytes < 0 ? 0 : bytes);
    size_t unit = 0;
    while (value >= 999.5 && unit + 1 < sizeof kUnits / sizeof *kUnits) {
        value /= 1000;
        ++unit;
    }
    char text[32];
    if (unit == 0)
        std::snprintf(text, sizeof text, "%lld bytes", bytes < 0 ? 0 : bytes);
    else if (value < 9.95)
        std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    else
        std::snprintf(text, sizeof text, "%.0f %s", value, kUnits[unit]);
    return text;
}

} // namespace video
