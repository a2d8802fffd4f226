#include "app/WindowTitle.h"

#include "app/BrandingInfo.h"

std::string MainWindowTitle(const std::string& softwareName)
{
    return CutText(softwareName, kMaxWindowTitleLength);
}
