#include "ui/FileListRules.h"

#include "engine/VideoTypes.h"
#include "platform/AsciiText.h"

#include <QFileInfo>
#include <algorithm>
#include <cctype>

const std::vector<VideoFilterEntry>& VideoFileFilterEntries()
{
    static const std::vector<VideoFilterEntry> entries = [] {
        std::vector<VideoFilterEntry> list;
        std::string names, patterns;
        for (const VideoType& type : VideoTypes()) {
            const std::string pattern = std::string("*.") + type.Extension;
            names += (names.empty() ? "" : ",") + pattern;
            patterns += (patterns.empty() ? "" : ";") + pattern;
        }
        list.push_back({ "Video File(" + names + ")", patterns });
        for (const VideoType& type : VideoTypes()) {
            std::string upper = type.Extension;
            std::transform(upper.begin(), upper.end(), upper.begin(),
                [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
            const std::string pattern = std::string("*.") + type.Extension;
            list.push_back({ upper + " File(" + pattern + ")", pattern });
        }
        return list;
    }();
    return entries;
}

const std::string& VideoFileFilterBlock()
{
    static const std::string block = [] {
        std::string text;
        for (const VideoFilterEntry& e : VideoFileFilterEntries()) {
            text += e.Name;
            text += '\0';
            text += e.Patterns;
            text += '\0';
        }
        text += '\0';
        return text;
    }();
    return block;
}

QStringList VideoFileDialogFilters()
{
    // Qt reads the patterns from the last parentheses, separated by blanks; the
    // dialog is told to hide them, so the display name shows as it is.
    QStringList filters;
    for (const VideoFilterEntry& e : VideoFileFilterEntries())
        filters << QStringLiteral("%1 (%2)").arg(
            QString::fromStdString(e.Name), QString::fromStdString(e.Patterns).replace(';', ' '));
    return filters;
}

bool AcceptDroppedName(const std::string& name)
{
    if (name.empty())
        return false;
    const std::size_t slash = name.rfind('/');
    const std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
    const std::size_t dot = last.rfind('.');
    std::string extension = dot == std::string::npos ? std::string() : last.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(), AsciiLower);
    return VideoFileFilterBlock().find(extension) != std::string::npos;
}

QString SizeText(std::int64_t bytes)
{
    return QString::asprintf(
        "%5lld KB", static_cast<long long>(std::max<std::int64_t>(bytes, 0) / 1000));
}

ColumnWidths ColumnWidthsFor(int listWidth)
{
    return { listWidth / 2, listWidth / 4, listWidth / 4 - 6 };
}

RemovalPlan PlanRemoval(int rowCount, const std::vector<bool>& selected, bool converting)
{
    RemovalPlan plan;
    int remembered = 0;
    for (int row = rowCount - 1; row >= 0; --row) {
        const bool isSelected
            = row < static_cast<int>(selected.size()) && selected[static_cast<std::size_t>(row)];
        if (isSelected && !converting) {
            plan.RowsToDelete.push_back(row);
            remembered = row;
        }
    }
    const int left = rowCount - static_cast<int>(plan.RowsToDelete.size());
    if (remembered >= left)
        remembered = left - 1;
    plan.RowToSelect = remembered >= 0 && remembered < left ? remembered : -1;
    return plan;
}

QString NextInputFolder(const QStringList& chosenPaths)
{
    if (chosenPaths.isEmpty())
        return {};
    QString folder = QFileInfo(chosenPaths.first()).absolutePath();
    // A single file gives its folder with the separator; several give the folder
    // as a multiple selection names it, without one (the root keeps its "/").
    if (chosenPaths.size() == 1 && !folder.endsWith('/'))
        folder += '/';
    return folder;
}
