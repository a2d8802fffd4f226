#include "engine/SampleFolder.h"

#include "platform/TempFolder.h"

#include <cstdlib>
#include <vector>

SampleFolder::SampleFolder()
{
    const std::string parent = TempFolder();
    if (parent.empty())
        return;
    std::string pattern = parent + "sample-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()))
        m_path = std::string(name.data()) + "/";
}

SampleFolder::~SampleFolder()
{
    if (!m_path.empty())
        RemoveTree(m_path);
}
