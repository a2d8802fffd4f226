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

    std::string ChooseOutputFolder() override { return folder; }
    void SetStatusText(const std::string& t) override { events.push_back("status " + t); }
    void SetProgress(int p) override { events.push_back("progress " + std::to_string(p)); }
    void SetConvertCaption(const std::string& c) override { events.push_back("caption " + c); }
    int RowCount() const override { return static_cast<int>(rows.size()); }
    std::string RowPath(int row) const override { return rows.at(static_cast<std::size_t>(row)); }
    void SetRowResult(int row, const std::string& text) override
    {
        results.resize(rows.size());
        results.at(static_cast<std::size_t>(row)) = text;
        if (!text.empty())
            events.push_back("result " + std::to_string(row) + " " + text);
    }
    void FileStarted(int row) override
    {
        events.push_back("started " + std::to_string(row));
        ended = row < 0;
    }
    void ShowError(const std::string& text, const std::string&) override
    {
        events.push_back("error " + text);
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
