#pragma once

// The files a tool is writing right now, under their temporary names, so that a
// tool stopped by SIGTERM, SIGINT or SIGHUP removes them before it dies and
// leaves no hidden partial file in the user's folder. Lock-free, so that the
// signal handler may read it while writer threads change it.

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <string>
#include <unistd.h>

namespace partial_files {

struct Slot
{
    std::atomic<int> State {0}; // 0 free, 1 being filled, 2 holds a path
    char Path[4096];
};

inline std::array<Slot, 64> g_slots;
inline std::atomic<int> g_creating {0}; // threads between creating a file and remembering it
inline std::atomic<bool> g_dying {false};

// Remembers `path`; gives the slot to hand to Forget, or -1 when none is free
// or the path is too long (the file is then only removed by its owner).
inline int Remember(const std::string& path)
{
    if (path.size() >= sizeof(Slot::Path))
        return -1;
    for (int i = 0; i < static_cast<int>(g_slots.size()); ++i) {
        int expected = 0;
        if (g_slots[i].State.compare_exchange_strong(expected, 1)) {
            std::memcpy(g_slots[i].Path, path.c_str(), path.size() + 1);
            g_slots[i].State = 2;
            return i;
        }
    }
    return -1;
}

// The file was renamed into place or removed: nothing to clean up any more.
inline void Forget(int slot)
{
    if (slot >= 0)
        g_slots[slot].State = 0;
}

// Creates `path` exclusively (open with O_CREAT | O_EXCL) and remembers it, as
// one step that a stop signal cannot split: the signals are blocked here, and
// the handler waits for every creation under way. Gives the descriptor, or -1
// with errno set; `slot` receives the slot for Forget.
inline int CreateRemembered(const std::string& path, int* slot)
{
    sigset_t stops, old;
    sigemptyset(&stops);
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&stops, signalNumber);
    pthread_sigmask(SIG_BLOCK, &stops, &old);
    ++g_creating;
    int fd = -1;
    int error = EINTR;
    if (!g_dying) {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        error = errno;
        *slot = fd >= 0 ? Remember(path) : -1;
    }
    --g_creating;
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    errno = error;
    return fd;
}

inline void RemoveAndDie(int signalNumber)
{
    g_dying = true;
    // A creation under way finishes in moments; the bound keeps a stuck file
    // system from keeping a stopped tool alive.
    for (int i = 0; i < 2000 && g_creating > 0; ++i) {
        const timespec pause {0, 1000000};
        ::nanosleep(&pause, nullptr);
    }
    for (Slot& slot : g_slots)
        if (slot.State == 2)
            ::unlink(slot.Path);
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

// Installs the clean-up for the signals a stop or a closed terminal sends.
inline void RemoveOnSignals()
{
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP})
        std::signal(signalNumber, RemoveAndDie);
}

} // namespace partial_files
