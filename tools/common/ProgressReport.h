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

    void Update(long long done, long long expected)
    {
        if (!m_enabled)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (m_printed && now - m_last < std::chrono::milliseconds(100))
            return;
        Print(done, expected);
        m_last = now;
    }

    // The final count, always printed (when enabled) unless it is the last one printed.
    void Finish(long long done, long long expected)
    {
        if (m_enabled && !(m_printed && done == m_done && expected == m_expected))
            Print(done, expected);
    }

private:
    void Print(long long done, long long expected)
    {
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
    std::chrono::steady_clock::time_point m_last;
};
