#include "ui/FileListRules.h"
#include "platform/AsciiText.h"

#include <QFileInfo>
#include <algorithm>
#include <cctype>

const std::vector<VideoFilterEntry>& VideoFileFilterEntries()
{
    static const std::vector<VideoFilterEntry> entries = {
        { "Video File(*.avi,*.flv,*.mp4,*.mov,*.wmv,*.mpg,*.mkv)",
            "*.avi;*.flv;*.mp4;*.mov;*.wmv;*.mpg;*.mkv" },
        { "AVI File(*.avi)", "*.avi" },
        { "FLV File(*.flv)", "*.flv" },
        { "MP4 File(*.mp4)", "*.mp4" },
        { "MOV File(*.mov)", "*.mov" },
        { "WMV File(*.wmv)", "*.wmv" },
        { "MPG File(*.mpg)", "*.mpg" },
        { "MKV File(*.mkv)", "*.mkv" },
    };
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
            QString::fromLatin1(e.Name), QString::fromLatin1(e.Patterns).replace(';', ' '));
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
