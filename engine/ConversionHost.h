#pragma once

#include "engine/FileEdit.h"
#include "engine/ProgressModel.h"

#include <functional>
#include <string>

// How the conversion of one file ended.
enum class FileResult
{
    Succeeded,
    Failed
};

// What to do with outputs that exist already in the chosen folder.
enum class ExistingOutputsAnswer
{
    Replace, // write over them (an input of the job is never replaced)
    KeepBoth, // give the new outputs the next free names: "clip (2).gif"
    LeaveThem, // convert those files not: each fails, its output untouched
    Cancel, // start nothing
};

// What the conversion job needs of the window that runs it (or of the console
// program standing in for it). Every call is made on the host's own thread. The
// engine reports what happens; the words the user reads are the host's.
class ConversionHost
{
public:
    virtual ~ConversionHost() = default;

    // The output folder, or an empty text when the user cancelled.
    virtual std::string ChooseOutputFolder() = 0;
    // A job has begun: the host shows that it runs and forgets the rows' earlier results.
    virtual void JobStarted() = 0;
    virtual void SetProgress(int position) = 0; // 0..100
    // Where row `row` of the job that has just started goes: its output path,
    // or with `numbered` the path that its numbered outputs take their stem
    // and extension from ("clip.gif" for clip1.gif, clip2.gif, ...).
    virtual void RowOutput(int /*row*/, const std::string& /*outputPath*/, bool /*numbered*/) { }
    virtual int RowCount() const = 0;
    virtual std::string RowPath(int row) const = 0;
    // What the person set for row `row` (trim, crop, speed, order, caption); an empty
    // edit converts the file with the settings alone.
    virtual FileEdit RowEdit(int /*row*/) const { return {}; }
    // A row is about to be converted: the window selects it and scrolls to it.
    virtual void FileStarted(int row) = 0;
    virtual void FileFinished(int row, FileResult result) = 0;
    // Why row `row` failed, in the words of the tool that failed ("has no video
    // stream"); called just before FileFinished with Failed when a reason is known.
    virtual void FileFailedBecause(int /*row*/, const std::string& /*reason*/) { }
    // What row `row` gave up to fit its size limit ("fitted: quality 34, 8 fps, 400×225");
    // called just before FileFinished with Succeeded when something was.
    virtual void FileFitted(int /*row*/, const std::string& /*note*/) { }
    // The job has ended or was stopped, and the bar is back at 0.
    virtual void JobEnded() = 0;
    // Before a job starts: `count` of its outputs exist already in `folder`.
    // Scripts re-run the console program, so by default they are replaced.
    virtual ExistingOutputsAnswer AskAboutExistingOutputs(
        int /*count*/, const std::string& /*folder*/)
    {
        return ExistingOutputsAnswer::Replace;
    }
    // No job could start: the worker thread could not be made.
    virtual void JobNotStarted() = 0;
    // No job was started, after the folder was chosen: the settings file at
    // `path` could not be read.
    virtual void SettingsNotRead(const std::string& /*path*/) { }
    virtual void SetWaitCursor(bool /*on*/) { }
    // How far the current file has come; its Position has also gone to SetProgress.
    virtual void FileProgressed(const FileProgress& /*progress*/) { }
    // A tool of row `row` is about to run with this command line.
    virtual void ToolStarted(int /*row*/, const std::string& /*commandLine*/) { }
    // A tool of row `row` printed this line (other than a progress line).
    virtual void ToolPrinted(int /*row*/, const std::string& /*line*/) { }

    // Runs `call` later on the host's thread, from any thread.
    virtual void Post(std::function<void()> call) = 0;
};
