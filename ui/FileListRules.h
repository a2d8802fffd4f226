#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>
#include <vector>

// The file list's rules that need no window.

// One entry of the open-file dialog's filter: a display name and its patterns.
struct VideoFilterEntry
{
    std::string Name;
    std::string Patterns; // separated by ';'
};
// From the table of video types: first every type together ("Video
// File(*.avi,*.flv,...)"), then each type alone ("AVI File(*.avi)").
const std::vector<VideoFilterEntry>& VideoFileFilterEntries();

// The filter as one block of text: every name and pattern list followed by a
// zero byte, and one more zero byte at the end.
const std::string& VideoFileFilterBlock();

// The filter in the form of the Qt file dialog, one entry per type.
QStringList VideoFileDialogFilters();

// Whether a dropped file is taken: its extension (from the last '.' of its
// last component, lower-cased; empty when there is none) occurs anywhere in
// the filter block.
bool AcceptDroppedName(const std::string& name);

// The File Size column: the size in thousands of bytes, at least five wide.
QString SizeText(std::int64_t bytes);

// Widths of the three columns for a list of the given outer width.
struct ColumnWidths
{
    int File;
    int Size;
    int Information;
};
ColumnWidths ColumnWidthsFor(int listWidth);

// What Remove does: the rows to delete (from the last up) and the row then to
// select and focus (-1 for none). Nothing is deleted while converting.
struct RemovalPlan
{
    std::vector<int> RowsToDelete;
    int RowToSelect = -1;
};
RemovalPlan PlanRemoval(int rowCount, const std::vector<bool>& selected, bool converting);

// The folder the open-file dialog starts in next time, from its result: after
// one file its folder with a trailing "/", after several the folder without one.
QString NextInputFolder(const QStringList& chosenPaths);
