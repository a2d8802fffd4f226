#pragma once

#include <QStringList>

// Shows files in the desktop's file manager, each selected in its folder:
// org.freedesktop.FileManager1's ShowItems on the session bus, or, when nothing
// answers there, the first file's folder opened with the desktop's handler
// (xdg-open FOLDER). `paths` are names as FileNameText gives them. False when
// neither worked.
bool ShowInFileManager(const QStringList& paths);

// The file: URI of a name as FileNameText gives it, byte for byte.
QString FileUri(const QString& path);
