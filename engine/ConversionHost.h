#pragma once

#include "engine/ProgressModel.h"

#include <functional>
#include <string>

// What the conversion job needs of the window that runs it (or of the console
// program standing in for it). Every call is made on the host's own thread.
class ConversionHost
{
public:
    virtual ~ConversionHost() = default;

    // The output folder, or an empty text when the user cancelled.
    virtual std::string ChooseOutputFolder() = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void SetProgress(int position) = 0; // 0..100
    virtual void SetConvertCaption(const std::string& caption) = 0;
    virtual int RowCount() const = 0;
    virtual std::string RowPath(int row) const = 0;
    virtual void SetRowResult(int row, const std::string& text) = 0;
    // A row is about to be converted: the window selects it and scrolls to it.
    // -1 once the job has ended, after the end-of-run steps.
    virtual void FileStarted(int row) = 0;
    virtual void ShowError(const std::string& text, const std::string& caption) = 0;
    virtual void SetWaitCursor(bool /*on*/) {}
    // How far the current file has come; its Position has also gone to SetProgress.
    virtual void FileProgressed(const FileProgress& /*progress*/) {}
    // A tool of row `row` is about to run with this command line.
    virtual void ToolStarted(int /*row*/, const std::string& /*commandLine*/) {}
    // A tool of row `row` printed this line (other than a progress line).
    virtual void ToolPrinted(int /*row*/, const std::string& /*line*/) {}

    // Runs `call` later on the host's thread, from any thread.
    virtual void Post(std::function<void()> call) = 0;
};
