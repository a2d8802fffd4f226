#pragma once

#include "tools/video/ColourMapper.h"

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

namespace video {

// The colour mappers of the process, lent one frame at a time. A mapper holds a few frames
// of 32-bit floats (about 100 MB each at 4K), so many writer threads on a large HDR video
// share a number of mappers that fits a memory budget; on small frames each thread has one.
class ColourMapperPool
{
public:
    class Lease
    {
    public:
        Lease(ColourMapperPool& pool, std::unique_ptr<ColourMapper> mapper);
        ~Lease();
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        ColourMapper& operator*() const { return *m_mapper; }

    private:
        ColourMapperPool& m_pool;
        std::unique_ptr<ColourMapper> m_mapper;
    };

    static ColourMapperPool& Shared();

    // A mapper for frames of that size; waits while the budget is spent.
    Lease Borrow(int width, int height);

    // How many mappers frames of that size may hold at once.
    static size_t MappersFor(int width, int height);

private:
    void Return(std::unique_ptr<ColourMapper> mapper);

    std::mutex m_mutex;
    std::condition_variable m_returned;
    std::vector<std::unique_ptr<ColourMapper>> m_idle;
    size_t m_lent = 0;
    size_t m_limit = 1;
};

} // namespace video
