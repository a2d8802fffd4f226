#pragma once

#include <QObject>
#include <memory>
#include <set>

class CMainDialog;
class EstimateQueue;

// Fills the file list's "Estimated GIF" column in the background: every row gets an
// estimate at the current settings, again when they change; a row that goes takes its
// estimate with it, and a conversion pauses them. Lives as the dialog's child; the work
// ends when the window closes.
class EstimateColumn : public QObject
{
public:
    explicit EstimateColumn(CMainDialog& dialog);
    ~EstimateColumn() override;

    // The settings changed: every estimate is made again.
    void Refresh();
    // Nothing asked and nothing under way (for tests).
    bool Idle() const;

private:
    // Asks for the rows that have not been asked for yet.
    void AskNewRows();

    CMainDialog& m_dialog;
    std::unique_ptr<EstimateQueue> m_queue;
    std::set<quint64> m_asked; // row tags
};
