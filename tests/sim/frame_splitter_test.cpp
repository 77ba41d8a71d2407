#include "sim/frame_splitter.h"

#include <gtest/gtest.h>

namespace tarvo {
namespace {

std::vector<Bytes> split(FrameSplitter& s, const Bytes& stream, std::int64_t now = 0) {
    s.feed(stream, now);
    std::vector<Bytes> frames;
    while (auto f = s.next(now)) frames.push_back(*f);
    return frames;
}

TEST(FrameSplitter, CutsShortAndLongFramesAndResynchronisesOnNoise) {
    const Bytes shortFrame{0x23, 0x30, 0x31, 0x30, 0x71, 0x66};
    const Bytes longFrame{0x25, 0x30, 0x31, 0x30, 0x46, 0x05, 0x03, 0x00, 0x00, 0x55, 0x66};
    struct Case {
        Bytes stream;
        std::vector<Bytes> frames;
    };
    const Case table[] = {
        {shortFrame, {shortFrame}},
        {longFrame, {longFrame}},
        {{0x00, 0xFF, 0x3C, 0x23, 0x30, 0x31, 0x30, 0x71, 0x66}, {shortFrame}},
        // A 23 whose sixth byte is not 66 is noise; the frame after it still counts.
        {{0x23, 0x01, 0x02, 0x03, 0x04, 0x05, 0x23, 0x30, 0x31, 0x30, 0x71, 0x66}, {shortFrame}},
        {{0x23, 0x30, 0x31, 0x30, 0x71, 0x66, 0x25, 0x30, 0x31, 0x30, 0x46, 0x05, 0x03, 0x00, 0x00,
          0x55, 0x66},
         {shortFrame, longFrame}},
    };
    for (const Case& k : table) {
        FrameSplitter s;
        EXPECT_EQ(split(s, k.stream), k.frames);
        EXPECT_EQ(s.pending(), 0u);
    }
}

TEST(FrameSplitter, WaitsForTheRestOfAFrameThenGivesUpAStaleOne) {
    FrameSplitter s(500);
    const Bytes head{0x25, 0x30, 0x31, 0x30, 0x47, 0xB3, 0x00};
    EXPECT_TRUE(split(s, head, 0).empty());
    EXPECT_FALSE(s.next(400));
    EXPECT_EQ(s.pending(), head.size());
    // Nothing more came: the fragment is dropped and a later frame is read.
    EXPECT_FALSE(s.next(600));
    EXPECT_EQ(s.pending(), 0u);
    const Bytes live{0x23, 0x30, 0x31, 0xFF, 0x39, 0x66};
    EXPECT_EQ(split(s, live, 700), std::vector<Bytes>{live});
}

TEST(FrameSplitter, FrameSplitAcrossFeedsIsJoined) {
    FrameSplitter s;
    EXPECT_TRUE(split(s, {0x23, 0x30, 0x31}, 0).empty());
    EXPECT_EQ(split(s, {0x30, 0x71, 0x66}, 10),
              (std::vector<Bytes>{{0x23, 0x30, 0x31, 0x30, 0x71, 0x66}}));
}

}  // namespace
}  // namespace tarvo
