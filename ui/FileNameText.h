#pragma once

#include <QString>
#include <QStringList>
#include <string>

// File names on Linux are bytes, not text. The window keeps them in QStrings, so
// bytes that are not UTF-8 are carried as the lone surrogates U+DC80..U+DCFF (one
// per byte, as Python's "surrogateescape" does); the round trip gives back the
// exact bytes on disk for every name.
QString FileNameText(const std::string& bytes);
std::string FileNameBytes(const QString& text);

// The name as people read it: each byte that is not UTF-8 shown as U+FFFD.
QString FileNameForDisplay(const QString& text);

// Qt's own file dialogs and drops turn bytes that are not UTF-8 into U+FFFD, so a
// name they hand over may not exist as written. Finds the entry it stands for:
// the name itself when it exists, otherwise the one entry of each folder whose
// name reads the same; the name unchanged when there is none or more than one.
QString FindFileOnDisk(const QString& text);

class QMimeData;

// The local files of a drop, with their names as FileNameText gives them: read
// from the percent-encoded URI list itself, since QUrl decodes to text.
QStringList DroppedFileNames(const QMimeData& data);
