#include "mix/mixchannel.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <tuple>
#include <vector>

#include "buffer/ringbuffer.h"
#include "fixtures.h"
#include "mix/mixer.h"
#include "waitfor.h"

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

// A channel of `capacity` frames behind a 1000-byte download buffer.
struct Channel {
    explicit Channel(std::size_t capacity) : channel(capacity, &ring) {}
    // Pushes `frames` of a tone; returns the frames taken.
    std::size_t push(std::size_t frames, float left = 0.5f, float right = 0.5f) {
        return channel.push(tone(frames, left, right).data(), frames);
    }
    std::vector<float> mix(std::size_t frames, zva::MixChannel::Clock::time_point at = t0) {
        std::vector<float> out(frames * 2, 0.0f);
        channel.mixInto(out.data(), frames, at);
        return out;
    }
    zva::RingBuffer ring{1000};
    zva::MixChannel channel;
};

TEST(MixChannel, FadesInAndFollowsVolumeWithoutJumps) {
    Channel c(44100);
    // Steady full scale: the output moves only with the gain, and a jump of it is a click.
    const std::vector<float> steady(44100 * 2, 1.0f);
    ASSERT_EQ(c.channel.push(steady.data(), 44100), 44100u);
    c.channel.play();
    auto out = c.mix(4410);
    EXPECT_EQ(out.back(), 1.0f);
    c.channel.setVolume(0.0f);
    const auto muted = c.mix(4410, t0 + 100ms);
    out.insert(out.end(), muted.begin(), muted.end());
    EXPECT_LT(out[0], 0.01f);
    EXPECT_LT(zvtest::maxStep(out, 0, 8820), 0.01f);
    EXPECT_EQ(out.back(), 0.0f);
}

TEST(MixChannel, VolumeAndBalanceScaleOutputButNotTheLevel) {
    Channel c(44100);
    c.push(44100, 0.8f, 0.4f);
    c.channel.setVolume(0.5f);
    c.channel.setPan(-1.0f);
    c.channel.play();
    const auto out = c.mix(8820);
    EXPECT_NEAR(zvtest::measureTone(out, 2, 0, 44100, 4410, 8820).peak, 0.4 * 32768, 0.01 * 32768);
    EXPECT_EQ(zvtest::measureTone(out, 2, 1, 44100, 4410, 8820).peak, 0.0);
    const auto level = c.channel.level(t0 + 190ms);
    EXPECT_NEAR(level[0], 0.8 * 32768, 0.01 * 32768);
    EXPECT_NEAR(level[1], 0.4 * 32768, 0.01 * 32768);
}

TEST(MixChannel, StallsWhenDryAndResumesAtQuarterRefill) {
    Channel c(4096);
    c.push(1000);
    c.channel.play();
    c.mix(2048);
    EXPECT_EQ(c.channel.state(), State::Stalled);
    EXPECT_EQ(c.channel.level(t0 + 10ms)[0], 0);
    c.push(1000);
    std::vector<std::uint8_t> bytes(249, 0);
    c.ring.write(bytes.data(), bytes.size());
    c.mix(16);
    EXPECT_EQ(c.channel.state(), State::Stalled) << "249 of 1000 bytes is below a quarter";
    c.ring.write(bytes.data(), 1);
    c.mix(16);
    EXPECT_EQ(c.channel.state(), State::Playing);
    c.channel.endOfSource();
    c.mix(2048);
    EXPECT_EQ(c.channel.state(), State::Stopped) << "the source ended and everything was played";
}

// A channel whose download buffer ran dry fades its last sound out to silence instead of breaking
// it off, however little is left; once its source ends while it waits, it has stopped.
TEST(MixChannel, RunningDryFadesOutAndAnEndWhileDryStops) {
    for (const std::size_t left : {2000, 100}) {
        Channel c(4096);
        // Past the fade-in, `left` frames of steady full scale remain when the buffer is dry.
        const std::vector<float> steady((500 + left) * 2, 1.0f);
        ASSERT_EQ(c.channel.push(steady.data(), 500 + left), 500 + left);
        c.channel.play();
        c.mix(500);
        const auto out = c.mix(4096);
        EXPECT_EQ(c.channel.state(), State::Stalled);
        EXPECT_GE(out[0], 0.99f) << left;
        EXPECT_LT(zvtest::maxStep(out, 0, 4096), 0.02f) << left;
        c.channel.endOfSource();
        EXPECT_EQ(c.channel.state(), State::Stopped);
    }
}

TEST(MixChannel, WaitingDecoderWakesOnlyWhenHalfIsFree) {
    Channel c(4096);
    ASSERT_EQ(c.push(4096), 4096u);
    c.channel.play();
    c.mix(1000);
    // Room for the 1000 frames asked for: no wait.
    ASSERT_TRUE(c.channel.waitForRoom(1000));
    std::atomic<pid_t> tid{0};
    std::atomic<std::size_t> refilled{0};
    std::thread decoder([&] {
        tid = gettid();
        if (c.channel.waitForRoom(1024)) {
            refilled = c.push(4096);
        }
    });
    // Once it waits, 2000 free frames (room for the 1024 asked for, but less than half the FIFO)
    // leave it asleep with nothing pushed.
    EXPECT_TRUE(zvtest::waitFor([&] { return zvtest::asleep(tid); }));
    c.mix(1000);
    EXPECT_TRUE(zvtest::waitFor([&] { return zvtest::asleep(tid); }));
    EXPECT_EQ(refilled, 0u);
    c.mix(100);
    decoder.join();
    EXPECT_EQ(refilled, 2100u);
    EXPECT_EQ(c.channel.state(), State::Playing);
}

// Before the channel first plays, the decoder stops after a short lead, so the sound waits in the
// download buffer, whose fill the player watches before it starts; play() lets it go on. A
// cancel releases a waiting decoder too, with a refusal.
TEST(MixChannel, WaitingDecoderIsReleasedByFirstPlayOrCancel) {
    for (const bool cancel : {false, true}) {
        Channel c(16384);
        ASSERT_TRUE(c.channel.waitForRoom(1024));
        ASSERT_EQ(c.push(zva::MixChannel::kLeadFrames), zva::MixChannel::kLeadFrames);
        std::atomic<int> released{-1};
        std::atomic<pid_t> tid{0};
        std::thread decoder([&] {
            tid = gettid();
            released = c.channel.waitForRoom(1024);
        });
        // Asleep at its wait: the room there is does not release it.
        EXPECT_TRUE(zvtest::waitFor([&] { return zvtest::asleep(tid); })) << cancel;
        EXPECT_EQ(released, -1) << cancel;
        cancel ? c.channel.cancel() : c.channel.play();
        decoder.join();
        EXPECT_EQ(released, cancel ? 0 : 1);
    }
}

// The level is the peak of the 20 ms heard up to the moment it is read: a 5 ms click in a quiet
// tone shows while it is heard, not before, and is gone 20 ms after.
TEST(MixChannel, LevelIsThePeakOfTheLast20msHeard) {
    Channel c(4096);
    auto in = tone(2048, 0.01f, 0.01f);
    std::fill(in.begin() + 440 * 2, in.begin() + 660 * 2, 0.9f);  // heard from 10 to 15 ms
    c.channel.push(in.data(), 2048);
    c.channel.play();
    c.mix(2048);
    for (const auto& [at, click] : {std::pair{9ms, false}, std::pair{12ms, true},
                                    std::pair{34ms, true}, std::pair{36ms, false}}) {
        const auto level = c.channel.level(t0 + at);
        EXPECT_NEAR(level[0], click ? 29491 : 328, 2) << at.count() << " ms";
        EXPECT_NEAR(level[1], click ? 29491 : 328, 2) << at.count() << " ms";
    }
}

TEST(Mixer, SumsOnlyPlayingChannels) {
    for (const auto& [playA, playB, sum] :
         {std::tuple{true, false, 0.25f}, std::tuple{false, true, 0.5f},
          std::tuple{true, true, 0.75f}, std::tuple{false, false, 0.0f}}) {
        zva::RingBuffer ring(1000);
        auto a = std::make_shared<zva::MixChannel>(4096, &ring);
        auto b = std::make_shared<zva::MixChannel>(4096, &ring);
        a->push(std::vector<float>(4096, 0.25f).data(), 2048);
        b->push(std::vector<float>(4096, 0.5f).data(), 2048);
        zva::Mixer mixer;
        mixer.add(a);
        mixer.add(b);
        if (playA) {
            a->play();
        }
        if (playB) {
            b->play();
        }
        std::vector<float> out(2048 * 2, 1.0f);
        mixer.render(out.data(), 2048, t0);
        // After the 10 ms fade-in.
        EXPECT_EQ(out[2000 * 2], sum) << playA << playB;
    }
}

}  // namespace
