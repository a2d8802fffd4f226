#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Progress lines for the program that runs a tool: "progress DONE/EXPECTED" on
// standard output, only when SABLEWICK_PROGRESS=1 is in the environment, so a
// tool run by hand prints what it always printed. EXPECTED is 0 when unknown.
// Lines come at most every 100 ms, and once more at the end.
class ProgressReport
{
public:
    ProgressReport()
    {
        const char* asked = std::getenv("SABLEWICK_PROGRESS");
        m_enabled = asked && std::strcmp(asked, "1") == 0;
    }

    // A size budget runs several encodes: each reports its frames as a stretch
    // [before, before + frames] of the whole search's `total`, named by its trial.
    void Within(long long before, long long total, int trial)
    {
        m_before = before;
        m_total = total;
        m_trial = trial;
    }

    void Update(long long done, long long expected)
    {
        if (!m_enabled)
            return;
        Map(done, expected);
        const auto now = std::chrono::steady_clock::now();
        if (m_printed && now - m_last < std::chrono::milliseconds(100))
            return;
        Print(done, expected);
        m_last = now;
    }

    // The final count, always printed (when enabled) unless it is the last one printed.
    void Finish(long long done, long long expected)
    {
        Map(done, expected);
        if (m_enabled && !(m_printed && done == m_done && expected == m_expected))
            Print(done, expected);
    }

private:
    void Map(long long& done, long long& expected) const
    {
        if (m_total <= 0)
            return;
        done += m_before;
        expected = m_total;
    }

    void Print(long long done, long long expected)
    {
        if (m_trial > 0)
            std::printf("progress %lld/%lld trial %d\n", done, expected, m_trial);
        else
            std::printf("progress %lld/%lld\n", done, expected);
        std::fflush(stdout);
        m_printed = true;
        m_done = done;
        m_expected = expected;
    }

    bool m_enabled = false;
    bool m_printed = false;
    long long m_done = 0;
    long long m_expected = 0;
    long long m_before = 0;
    long long m_total = 0;
    int m_trial = 0;
    std::chrono::steady_clock::time_point m_last;
};
