#pragma once

#include "widgets/CFolderPicker.h"

// The folder picker that opens at a given folder and shows the path of the
// selected folder in its status line.
class CStatusFolderPicker : public CFolderPicker
{
    Q_OBJECT
public:
    CStatusFolderPicker(QWidget* owner, QString root, QString prompt);
    ~CStatusFolderPicker() override;

    void SetInitialFolder(const QString& folder) { m_initialFolder = folder; }

protected:
    void OnInitialized() override;
    void OnSelectionChanged(const QString& path) override;

private:
    QString m_initialFolder;
};
