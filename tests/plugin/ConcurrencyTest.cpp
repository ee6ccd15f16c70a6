// Automation from another thread while the audio thread runs: tone, gain, oversampling and gain
// changes never overlap a running sample loop. Meant to run under ThreadSanitizer (the recording
// chain reads its tone position unsynchronised, so an overlap is reported as a data race).
#include "TestProcessor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

using namespace ravlin;
using namespace ravlin::test;

TEST(Concurrency, AutomationWhileAudioRuns)
{
    TestProcessor p;
    p.setPlayConfigDetails(2, 2, 44100.0, 64);
    p.setParameter(8, 1.0f);
    std::atomic<bool> done{false};
    std::atomic<long> blocks{0};
    bool finite = true;

    std::thread audio([&] {
        juce::AudioBuffer<float> b(2, 64);
        juce::MidiBuffer midi;
        while (!done.load())
        {
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < 64; ++i)
                    b.setSample(c, i, 0.1f * std::sin(0.05f * static_cast<float>(i + c)));
            {
                // As the framework's wrappers do: the callback lock around every block.
                const juce::ScopedLock lock(p.getCallbackLock());
                p.processBlock(b, midi);
            }
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < 64; ++i)
                    finite = finite && std::isfinite(b.getSample(c, i));
            blocks.fetch_add(1);
        }
    });

    // The other threads start once audio runs, so on a loaded machine they cannot finish before
    // the first block and leave nothing to overlap.
    const auto waitForAudio = [&] {
        while (blocks.load() == 0)
            std::this_thread::yield();
    };
    std::thread automation([&] {
        waitForAudio();
        for (int k = 0; k < 400; ++k)
        {
            const float x = static_cast<float>(k % 15) / 14.0f;
            p.setParameter(3, x);
            p.setParameter(4, 1.0f - x);
            p.setParameter(5, x * 0.5f);
            p.setParameter(1, x);
            p.setParameter(6, 1.0f - x);
            if (k % 20 == 0)
                p.setParameter(2, x);
            if (k % 50 == 0)
                p.setParameter(7, x > 0.5f ? 0.25f : 0.0f);
        }
    });
    // Program changes from a third thread, serialised against the automation.
    std::thread programs([&] {
        waitForAudio();
        for (int k = 0; k < 20; ++k)
            p.setCurrentProgram(k % 2);
    });
    automation.join();
    programs.join();
    done.store(true);
    audio.join();
    EXPECT_TRUE(finite);
    EXPECT_GT(blocks.load(), 0);
}
