#pragma once

#include <atomic>
#include <functional>

// Removes the temporary frames of a stopped job off the caller's thread: after a
// long extraction there may be tens of thousands, and a window that deleted them
// itself would not answer for many seconds.

// Starts removing every temporary frame of the private temporary folder in the
// background (at once, on this thread, when no thread can be made).
void SweepTempFramesInBackground();

// Waits until no sweep runs, so that a new job's frames are never swept away.
// False, at once, when `stopped` is set meanwhile.
bool AwaitFrameSweeps(const std::atomic<bool>& stopped);

// Tests: called on the sweeping thread before it removes anything.
void SetFrameSweepGateForTesting(std::function<void()> gate);
