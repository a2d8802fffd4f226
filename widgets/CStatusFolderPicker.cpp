#include "widgets/CStatusFolderPicker.h"

CStatusFolderPicker::CStatusFolderPicker(QWidget* owner, QString root, QString prompt)
    : CFolderPicker(owner, std::move(root), std::move(prompt))
{ }

CStatusFolderPicker::~CStatusFolderPicker() = default;

void CStatusFolderPicker::OnInitialized()
{
    SetSelection(m_initialFolder);
    // A folder that does not exist stays in the status line until the user
    // picks another; with no initial folder the default selection's path shows.
    if (!m_initialFolder.isEmpty())
        SetStatusText(m_initialFolder);
}

void CStatusFolderPicker::OnSelectionChanged(const QString& path)
{
    SetStatusText(path);
}
