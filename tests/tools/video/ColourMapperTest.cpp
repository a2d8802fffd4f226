#include "tools/video/ColourMapper.h"

#include "tools/video/ColourMapperPool.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using video::ColourMapper;
using video::ColourMapperPool;
using video::ColourPlan;

namespace {

FramePtr GreyFrame(int width, int height)
{
    FramePtr frame(av_frame_alloc());
    frame->width = width;
    frame->height = height;
    frame->format = AV_PIX_FMT_YUV420P10LE;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return nullptr;
    for (int plane = 0; plane < 3; ++plane) {
        int rows = plane == 0 ? height : (height + 1) / 2;
        int columns = plane == 0 ? width : (width + 1) / 2;
        for (int y = 0; y < rows; ++y) {
            auto* row
                = reinterpret_cast<uint16_t*>(frame->data[plane] + y * frame->linesize[plane]);
            std::fill(row, row + columns, uint16_t(plane == 0 ? 600 : 512));
        }
    }
    return frame;
}

ColourPlan Plan(ColourPlan::Path path, const char* transfer)
{
    ColourPlan plan;
    plan.path = path;
    plan.transfer = transfer;
    plan.primaries = "2020";
    plan.matrix = "2020_ncl";
    plan.peak = 10.0;
    return plan;
}

TEST(ColourMapper, MapsToRgbOfTheSameSizeAndRecoversFromARefusal)
{
    ColourMapper mapper;
    FramePtr small = GreyFrame(64, 48);
    FramePtr odd = GreyFrame(33, 17);
    ASSERT_TRUE(small && odd);
    const ColourPlan pq = Plan(ColourPlan::Path::Pq, "smpte2084");
    const ColourPlan wide = Plan(ColourPlan::Path::WideGamut, "709");
    ColourPlan refused = pq;
    refused.transfer = "no-such-transfer";

    struct Step
    {
        const AVFrame* frame;
        const ColourPlan* plan;
        bool mapped;
    };
    const Step steps[] = {
        { small.get(), &pq, true },
        { small.get(), &pq, true }, // the same graph again
        { odd.get(), &pq, true }, // a new size rebuilds it
        { small.get(), &wide, true },
        { small.get(), &refused, false },
        { small.get(), &refused, false },
        { small.get(), &pq, true },
    };
    for (const Step& step : steps) {
        const AVFrame* out = mapper.Map(step.frame, *step.plan);
        ASSERT_EQ(out != nullptr, step.mapped) << step.plan->transfer;
        if (out) {
            EXPECT_EQ(out->format, AV_PIX_FMT_GBRP);
            EXPECT_EQ(out->width, step.frame->width);
            EXPECT_EQ(out->height, step.frame->height);
        }
    }
    EXPECT_EQ(mapper.Map(small.get(), ColourPlan {}), nullptr);
}

TEST(ColourMapperPool, LargeFramesShareFewerMappers)
{
    EXPECT_GE(ColourMapperPool::MappersFor(1920, 1080), 16u);
    EXPECT_LE(ColourMapperPool::MappersFor(3840, 2160), 8u);
    EXPECT_GE(ColourMapperPool::MappersFor(3840, 2160), 2u);
    EXPECT_EQ(ColourMapperPool::MappersFor(16384, 16384), 1u);
    EXPECT_GE(ColourMapperPool::MappersFor(0, 0), 1u);
}

TEST(ColourMapperPool, NeverLendsMoreThanTheBudget)
{
    const int width = 7680, height = 4320;
    const size_t limit = ColourMapperPool::MappersFor(width, height);
    std::atomic<size_t> out { 0 };
    std::atomic<size_t> most { 0 };
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 50; ++i) {
                auto lease = ColourMapperPool::Shared().Borrow(width, height);
                size_t now = ++out;
                size_t seen = most.load();
                while (now > seen && !most.compare_exchange_weak(seen, now)) { }
                std::this_thread::yield();
                --out;
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_LE(most.load(), limit);
    EXPECT_GE(most.load(), 1u);
}

} // namespace
