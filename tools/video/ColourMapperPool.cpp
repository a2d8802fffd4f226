#include "tools/video/ColourMapperPool.h"

#include <algorithm>

namespace video {
namespace {

    // Float frames the mappers may hold together.
    constexpr double kBudgetBytes = 1024.0 * 1024 * 1024;
    // A mapper keeps about two planar float RGB frames (linear light, tone-mapped).
    constexpr double kFloatFramesPerMapper = 2.0;

} // namespace

ColourMapperPool::Lease::Lease(ColourMapperPool& pool, std::unique_ptr<ColourMapper> mapper)
    : m_pool(pool)
    , m_mapper(std::move(mapper))
{ }

ColourMapperPool::Lease::~Lease()
{
    m_pool.Return(std::move(m_mapper));
}

ColourMapperPool& ColourMapperPool::Shared()
{
    static ColourMapperPool pool;
    return pool;
}

size_t ColourMapperPool::MappersFor(int width, int height)
{
    double bytes
        = std::max(1.0, double(width) * height * 3 * sizeof(float) * kFloatFramesPerMapper);
    return static_cast<size_t>(std::max(1.0, kBudgetBytes / bytes));
}

ColourMapperPool::Lease ColourMapperPool::Borrow(int width, int height)
{
    size_t limit = MappersFor(width, height);
    std::unique_lock lock(m_mutex);
    m_limit = limit;
    m_returned.wait(lock, [&] { return m_lent < limit; });
    ++m_lent;
    std::unique_ptr<ColourMapper> mapper;
    if (!m_idle.empty()) {
        mapper = std::move(m_idle.back());
        m_idle.pop_back();
    }
    lock.unlock();
    if (!mapper)
        mapper = std::make_unique<ColourMapper>();
    return Lease(*this, std::move(mapper));
}

void ColourMapperPool::Return(std::unique_ptr<ColourMapper> mapper)
{
    {
        std::lock_guard lock(m_mutex);
        --m_lent;
        // Mappers beyond what the current frames allow give their memory back.
        if (m_idle.size() + m_lent < m_limit)
            m_idle.push_back(std::move(mapper));
    }
    m_returned.notify_one();
}

} // namespace video
