#include "engine/FrameSweeper.h"

#include "engine/ConvertFile.h"
#include "platform/TempFolder.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

struct Sweeps
{
    std::mutex Mutex;
    std::condition_variable Ended;
    int Running = 0;
    std::function<void()> Gate;
};

// Never destroyed: a sweep may still be running while the process exits.
Sweeps& State()
{
    static Sweeps* const state = new Sweeps;
    return *state;
}

} // namespace

void SweepTempFramesInBackground()
{
    Sweeps& state = State();
    std::function<void()> gate;
    {
        std::lock_guard lock(state.Mutex);
        ++state.Running;
        gate = state.Gate;
    }
    // The folder is found here: the thread may outlive the process's static objects.
    const auto sweep = [&state, gate, folder = TempFolder()] {
        if (gate)
            gate();
        DeleteTempFramesIn(folder);
        std::lock_guard lock(state.Mutex);
        --state.Running;
        state.Ended.notify_all();
    };
    try {
        std::thread(sweep).detach();
    } catch (const std::system_error&) {
        sweep();
    }
}

bool AwaitFrameSweeps(const std::atomic<bool>& stopped)
{
    Sweeps& state = State();
    std::unique_lock lock(state.Mutex);
    while (state.Running > 0) {
        if (stopped)
            return false;
        state.Ended.wait_for(lock, std::chrono::milliseconds(50));
    }
    return !stopped;
}

void SetFrameSweepGateForTesting(std::function<void()> gate)
{
    Sweeps& state = State();
    std::lock_guard lock(state.Mutex);
    state.Gate = std::move(gate);
}
