#include "mix/mixchannel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "buffer/ringbuffer.h"
#include "mix/mixer.h"

namespace {

using namespace std::chrono_literals;
using State = zva::MixChannel::State;
// When the first period plays; any time will do.
const auto t0 = zva::MixChannel::Clock::time_point{} + 1h;

std::vector<float> tone(std::size_t frames, float left, float right) {
    std::vector<float> out(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        const float s = std::sin(static_cast<float>(i) * 0.07f);
        out[i * 2] = s * left;
        out[i * 2 + 1] = s * right;
    }
    return out;
}

float maxStep(const std::vector<float>& out) {
    float step = 0;
    for (std::size_t i = 2; i < out.size(); ++i) {
        step = std::max(step, std::fabs(out[i] - out[i - 2]));
    }
    return step;
}

TEST(MixChannel, FadesInAndFollowsVolumeWithoutJumps) {
    zva::RingBuffer ring(1000);
    zva::MixChannel channel(44100, &ring);
    const auto in = tone(44100, 1.0f, 1.0f);
    ASSERT_EQ(channel.push(in.data(), 44100), 44100u);
    channel.play();
    ASSERT_EQ(channel.state(), State::Playing);
    std::vector<float> out(4410 * 2, 0.0f);
    channel.mixInto(out.data(), 4410, t0);
    // A step of the tone itself is at most 0.07; a click would be far larger.
    EXPECT_LT(std::fabs(out[0]), 0.01f);
    EXPECT_LT(maxStep(out), 0.08f);
    channel.setVolume(0.0f);
    std::fill(out.begin(), out.end(), 0.0f);
    channel.mixInto(out.data(), 4410, t0 + 100ms);
    EXPECT_LT(maxStep(out), 0.08f);
    EXPECT_EQ(out[out.size() - 1], 0.0f);
    // Volume is not applied to the level.
    const auto level = channel.level(t0 + 190ms);
    EXPECT_GT(level[0], 30000);
    EXPECT_GT(level[1], 30000);
}

TEST(MixChannel, VolumeAndBalanceScaleOutput) {
    zva::RingBuffer ring(1000);
    zva::MixChannel channel(44100, &ring);
    const auto in = tone(44100, 0.8f, 0.4f);
    channel.push(in.data(), 44100);
    channel.setVolume(0.5f);
    channel.setPan(-1.0f);
    channel.play();
    std::vector<float> out(8820 * 2, 0.0f);
    channel.mixInto(out.data(), 8820, t0);
    float peak[2] = {0, 0};
    for (std::size_t i = 4410; i < 8820; ++i) {
        peak[0] = std::max(peak[0], std::fabs(out[i * 2]));
        peak[1] = std::max(peak[1], std::fabs(out[i * 2 + 1]));
    }
    EXPECT_NEAR(peak[0], 0.4f, 0.01f);
    EXPECT_EQ(peak[1], 0.0f);
    const auto level = channel.level(t0 + 190ms);
    EXPECT_NEAR(level[0], 0.8 * 32768, 0.01 * 32768);
    EXPECT_NEAR(level[1], 0.4 * 32768, 0.01 * 32768);
}

TEST(MixChannel, StallsWhenDryAndResumesAtQuarterRefill) {
    zva::RingBuffer ring(1000);
    zva::MixChannel channel(4096, &ring);
    const auto in = tone(1000, 0.5f, 0.5f);
    channel.push(in.data(), 1000);
    channel.play();
    std::vector<float> out(2048 * 2, 0.0f);
    channel.mixInto(out.data(), 2048, t0);
    EXPECT_EQ(channel.state(), State::Stalled);
    EXPECT_EQ(channel.level(t0 + 10ms)[0], 0);
    channel.push(in.data(), 1000);
    std::vector<std::uint8_t> bytes(249, 0);
    ring.write(bytes.data(), bytes.size());
    channel.mixInto(out.data(), 16, t0);
    EXPECT_EQ(channel.state(), State::Stalled) << "249 of 1000 bytes is below a quarter";
    ring.write(bytes.data(), 1);
    channel.mixInto(out.data(), 16, t0);
    EXPECT_EQ(channel.state(), State::Playing);
    channel.endOfSource();
    channel.mixInto(out.data(), 2048, t0);
    EXPECT_EQ(channel.state(), State::Stopped) << "the source ended and everything was played";
}

TEST(MixChannel, WaitingDecoderWakesOnlyWhenHalfIsFree) {
    zva::RingBuffer ring(1000);
    zva::MixChannel channel(4096, &ring);
    const auto in = tone(4096, 0.5f, 0.5f);
    ASSERT_EQ(channel.push(in.data(), 4096), 4096u);
    channel.play();
    std::vector<float> out(1000 * 2, 0.0f);
    channel.mixInto(out.data(), 1000, t0);
    // Room for the 1000 frames asked for: no wait.
    ASSERT_TRUE(channel.waitForRoom(1000));
    std::atomic<bool> asking{false};
    std::atomic<std::size_t> refilled{0};
    std::thread decoder([&] {
        asking = true;
        if (channel.waitForRoom(1024)) {
            refilled = channel.push(in.data(), 4096);
        }
    });
    while (!asking) {
        std::this_thread::yield();
    }
    // Whether a thread sleeps on can only be seen by giving it time not to: first to reach its
    // wait, then to show that 2000 free frames (room for the 1024 asked for, but less than half
    // the FIFO) do not wake it.
    std::this_thread::sleep_for(50ms);
    channel.mixInto(out.data(), 1000, t0);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(refilled, 0u);
    channel.mixInto(out.data(), 100, t0);
    decoder.join();
    EXPECT_EQ(refilled, 2100u);
    EXPECT_EQ(channel.state(), State::Playing);
}

// Before the channel first plays, the decoder stops after a short lead, so the sound waits in the
// download buffer, whose fill the player watches before it starts; play() lets it go on.
TEST(MixChannel, DecoderKeepsOnlyAShortLeadUntilTheFirstPlay) {
    zva::RingBuffer ring(1000);
    zva::MixChannel channel(16384, &ring);
    const auto in = tone(zva::MixChannel::kLeadFrames, 0.5f, 0.5f);
    ASSERT_TRUE(channel.waitForRoom(1024));
    ASSERT_EQ(channel.push(in.data(), zva::MixChannel::kLeadFrames), zva::MixChannel::kLeadFrames);
    std::atomic<bool> released{false};
    std::thread decoder([&] { released = channel.waitForRoom(1024); });
    // Time to reach its wait and to show that the room there is does not release it.
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(released);
    channel.play();
    decoder.join();
    EXPECT_TRUE(released);
}

TEST(MixChannel, CancelReleasesWaitingDecoder) {
    zva::RingBuffer ring(1000);
    zva::MixChannel channel(4096, &ring);
    const auto in = tone(4096, 0.5f, 0.5f);
    ASSERT_EQ(channel.push(in.data(), 4096), 4096u);
    std::thread decoder([&] { EXPECT_FALSE(channel.waitForRoom(1024)); });
    channel.cancel();
    decoder.join();
}

// The level is the peak of the 20 ms heard up to the moment it is read: a 5 ms click in a quiet
// tone shows while it is heard, not before, and is gone 20 ms after.
TEST(MixChannel, LevelIsThePeakOfTheLast20msHeard) {
    zva::RingBuffer ring(1000);
    zva::MixChannel channel(4096, &ring);
    auto in = tone(2048, 0.01f, 0.01f);
    std::fill(in.begin() + 440 * 2, in.begin() + 660 * 2, 0.9f);  // heard from 10 to 15 ms
    channel.push(in.data(), 2048);
    channel.play();
    std::vector<float> out(2048 * 2, 0.0f);
    channel.mixInto(out.data(), 2048, t0);
    for (const auto& [at, click] : {std::pair{9ms, false}, std::pair{12ms, true},
                                    std::pair{34ms, true}, std::pair{36ms, false}}) {
        const auto level = channel.level(t0 + at);
        EXPECT_NEAR(level[0], click ? 29491 : 328, 2) << at.count() << " ms";
        EXPECT_NEAR(level[1], click ? 29491 : 328, 2) << at.count() << " ms";
    }
}

TEST(Mixer, SumsOnlyPlayingChannels) {
    struct Row {
        bool playA, playB;
        float sum;
    };
    for (const Row& row : {Row{true, false, 0.25f}, Row{false, true, 0.5f}, Row{true, true, 0.75f},
                           Row{false, false, 0.0f}}) {
        zva::RingBuffer ring(1000);
        auto a = std::make_shared<zva::MixChannel>(4096, &ring);
        auto b = std::make_shared<zva::MixChannel>(4096, &ring);
        a->push(std::vector<float>(4096, 0.25f).data(), 2048);
        b->push(std::vector<float>(4096, 0.5f).data(), 2048);
        zva::Mixer mixer;
        mixer.add(a);
        mixer.add(b);
        if (row.playA) {
            a->play();
        }
        if (row.playB) {
            b->play();
        }
        std::vector<float> out(2048 * 2, 1.0f);
        mixer.render(out.data(), 2048, t0);
        // After the 10 ms fade-in.
        EXPECT_EQ(out[2000 * 2], row.sum) << row.playA << row.playB;
    }
}

}  // namespace
