#pragma once

#include <QDialog>
#include <cstdint>

class QFileSystemModel;
class QLabel;
class QLineEdit;
class QTimer;
class QTreeView;

// A modal folder chooser: the prompt, a tree of the file system's folders, a
// status line, an edit box for the folder's path, OK and Cancel. Subclasses
// react to its opening and to every change of the selected folder.
class CFolderPicker : public QDialog
{
    Q_OBJECT
public:
    // Option flags.
    static constexpr std::uint32_t kOnlyFileSystemFolders = 0x01; // always so here
    static constexpr std::uint32_t kStatusText = 0x04; // show the status line
    static constexpr std::uint32_t kEditBox = 0x10; // show the edit box
    static constexpr std::uint32_t kNewDialogStyle = 0x40; // resizable

    // `root` is the top folder of the tree; empty means the whole file system.
    CFolderPicker(QWidget* owner, QString root, QString prompt);
    ~CFolderPicker() override = 0;

    // Setters, which do nothing while the chooser is open.
    void SetOwner(QWidget* owner);
    void SetRoot(const QString& root);
    void SetFlags(std::uint32_t flags);
    void SetPrompt(const QString& prompt);

    // Runs the chooser modally; true when a folder was chosen. A cancelled run
    // keeps the path of an earlier successful one.
    bool Browse();
    QString ChosenPath() const { return m_chosenPath; }
    bool IsOpen() const { return m_open; }

    // While open: selects and shows a folder (nothing when it does not exist),
    // and sets the status line.
    void SetSelection(const QString& path);
    void SetStatusText(const QString& text);

    // The folder selected in the tree, or empty text.
    QString SelectedPath() const;
    QString StatusText() const { return m_statusText; }

protected:
    // Called once the chooser is shown and has selected its default folder.
    virtual void OnInitialized() { }
    // Called when the selection changes; `path` is empty for an item that is
    // no folder of the file system.
    virtual void OnSelectionChanged(const QString& /*path*/) { }

    void done(int result) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void ApplyOptions();
    void ShowStatus();
    void SelectionChanged();
    // The folder that OK chooses: the edit box's text when it names one.
    QString FolderFromEdit() const;
    // What the edit box names (the selected folder when it is empty), made
    // absolute; it need not exist.
    QString PathFromEdit() const;
    // Offers to make a folder that does not exist yet; its path when it was made.
    QString CreateMissingFolder(const QString& path);
    // Asks for the name of a new folder in the selected one, makes the folder
    // and selects it.
    void MakeNewFolder();

    QString m_root;
    QString m_prompt;
    std::uint32_t m_flags = 0;
    QString m_chosenPath;
    QString m_pendingPath; // what OK chose, until Browse returns
    QString m_statusText;
    bool m_open = false;
    // Until the user takes over, the tree keeps the selection in view while
    // its folders load.
    bool m_followSelection = false;
    QTimer* m_scrollTimer = nullptr;

    QLabel* m_promptLabel = nullptr;
    QTreeView* m_tree = nullptr;
    QFileSystemModel* m_model = nullptr;
    QLabel* m_statusLabel = nullptr;
    QLabel* m_editCaption = nullptr;
    QLineEdit* m_edit = nullptr;
};
