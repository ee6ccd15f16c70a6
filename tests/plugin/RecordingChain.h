#pragma once
// A channel chain that records every control operation in one log shared by all chains (so the
// order across the left and right chain shows), and whose signal step scales by a factor derived
// from its selected tone position, read without any synchronisation: a tone change that overlapped
// a running loop would be a data race for ThreadSanitizer.
#include <juce_audio_processors/juce_audio_processors.h>

#include <set>
#include <string>
#include <vector>

namespace ravlin::test {
struct ChainLog
{
    static std::vector<std::string>& entries()
    {
        static std::vector<std::string> log;
        return log;
    }
    static int& nextId()
    {
        static int id = 0;
        return id;
    }
    /** File names (no folder) of the recorded loads, in order, with the chain ("L"/"R") in front. */
    static std::vector<std::string> loads()
    {
        std::vector<std::string> out;
        for (const auto& e : entries())
            if (e.rfind("load", 0) == 0)
                out.push_back(e);
        return out;
    }
};

class RecordingChain
{
public:
    RecordingChain() : side((ChainLog::nextId()++ % 2) == 0 ? "L" : "R") {}

    /** Checks succeed unless `failLoads` or the file name is one of `badFiles`; logged as "check". */
    static bool checkModelFile(int block, const char* path)
    {
        const std::string name = juce::File(juce::String::fromUTF8(path)).getFileName().toStdString();
        ChainLog::entries().push_back("check " + std::to_string(block) + " " + name);
        return !failLoads && badFiles.count(name) == 0;
    }
    /** Loads succeed unless `failLoads`, the file is one of `badFiles`, or `failNextLoads` is
        still counting down (a file that changed between its check and its load). */
    bool loadModelFile(int block, const char* path)
    {
        const std::string name = juce::File(juce::String::fromUTF8(path)).getFileName().toStdString();
        ChainLog::entries().push_back("load " + side + std::to_string(block) + " " + name);
        lastDirectory = juce::File(juce::String::fromUTF8(path)).getParentDirectory().getFullPathName().toStdString();
        if (failNextLoads > 0)
        {
            --failNextLoads;
            return false;
        }
        return !failLoads && badFiles.count(name) == 0;
    }
    void selectPosition(int block, unsigned index)
    {
        ChainLog::entries().push_back("select " + side + std::to_string(block) + " " + std::to_string(index));
        if (block == 4)
            tone = index;
    }
    void startAtRest() noexcept { ChainLog::entries().push_back("rest " + side); }
    void keepMotion() noexcept {}
    void followRests() noexcept { ChainLog::entries().push_back("follow " + side); }
    void setSampleRate(double rate)
    {
        ChainLog::entries().push_back("rate " + side + " " + std::to_string(static_cast<long>(rate)));
    }

    double processSample(double x) noexcept
    {
        ++steps;
        return x * (1.0 + 0.001 * static_cast<double>(tone));
    }
    template <unsigned L>
    double processOversampled(double x) noexcept
    {
        double y = 0.0;
        for (unsigned n = 0; n < L; ++n)
            y = processSample(x);
        return y;
    }

    std::string side;
    std::string lastDirectory;
    unsigned tone = 0;
    long steps = 0;
    static inline bool failLoads = false;
    static inline std::set<std::string> badFiles;
    static inline int failNextLoads = 0;
};
} // namespace ravlin::test
