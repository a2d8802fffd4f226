#pragma once

#include "engine/ConversionHost.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

// Records what the job shows, and runs posted calls when pumped.
class RecordingHost : public ConversionHost
{
public:
    std::string folder = "/out";
    std::vector<std::string> rows;
    std::vector<std::string> results;
    std::vector<std::string> events;
    std::vector<std::string> outputs; // "ROW PATH[ numbered]" of each job
    std::vector<std::string> chosen; // each row's output path, as the job chose it

    std::string ChooseOutputFolder() override { return folder; }
    void JobStarted() override
    {
        events.push_back("job started");
        results.assign(rows.size(), "");
        ended = false; // an earlier stop's end is not this job's
    }
    void SetProgress(int p) override { events.push_back("progress " + std::to_string(p)); }
    void RowOutput(int row, const std::string& path, bool numbered) override
    {
        outputs.push_back(std::to_string(row) + " " + path + (numbered ? " numbered" : ""));
        // Told before the row starts.
        chosen.push_back(std::to_string(row) + " " + path
            + (!events.empty() && events.back().rfind("started", 0) == 0 ? " after start" : ""));
    }
    int RowCount() const override { return static_cast<int>(rows.size()); }
    std::string RowPath(int row) const override { return rows.at(static_cast<std::size_t>(row)); }
    void FileStarted(int row) override { events.push_back("started " + std::to_string(row)); }
    void FileFinished(int row, FileResult result) override
    {
        const std::string text = result == FileResult::Succeeded ? "succeeded" : "failed";
        results.resize(rows.size());
        results.at(static_cast<std::size_t>(row)) = text;
        events.push_back("result " + std::to_string(row) + " " + text);
    }
    void JobEnded() override
    {
        events.push_back("job ended");
        ended = true;
    }
    void JobNotStarted() override { events.push_back("job not started"); }
    ExistingOutputsAnswer AskAboutExistingOutputs(int count, const std::string& folder) override
    {
        asked.push_back(std::to_string(count) + " in " + folder);
        return existingAnswer;
    }
    void FileFailedBecause(int row, const std::string& reason) override
    {
        reasons.push_back(std::to_string(row) + " " + reason);
    }
    void FileFitted(int row, const std::string& note) override
    {
        fitted.push_back(std::to_string(row) + " " + note);
    }
    std::vector<std::string> fitted; // "ROW NOTE" of each file that gave something up to fit
    ExistingOutputsAnswer existingAnswer = ExistingOutputsAnswer::Replace;
    std::vector<std::string> asked; // "COUNT in FOLDER" of each question about existing outputs
    std::vector<std::string> reasons; // "ROW REASON" of each failure with a reason
    void SettingsNotRead(const std::string& path) override
    {
        events.push_back("settings not read " + path);
    }
    void Post(std::function<void()> call) override
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(call));
        m_wake.notify_one();
    }

    // Runs posted calls until `until` holds or the time is up.
    template <typename Pred>
    bool Pump(Pred until, std::chrono::milliseconds limit = std::chrono::seconds(20))
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!until()) {
            std::function<void()> call;
            {
                std::unique_lock lock(m_mutex);
                if (!m_wake.wait_until(lock, deadline, [&] { return !m_queue.empty(); }))
                    return until();
                call = std::move(m_queue.front());
                m_queue.pop_front();
            }
            call();
        }
        return true;
    }

    bool ended = false;

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_queue;
};
