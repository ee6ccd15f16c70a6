// libFuzzer target: arbitrary bytes as the host's saved state, through the processor's
// setStateInformation (readStateChunk, readBank, the bank, the reconfiguration) over a chain that
// records what it is asked. For any input nothing may crash or trip a sanitizer, and:
//  - bytes that readStateChunk/readBank refuse change nothing: the state the processor hands back,
//    its current program and its chains stay exactly as they were;
//  - accepted bytes give exactly the bank readBank gives on its own from the previous bank (names,
//    stored values, current program), every stored value within its steps, every reported value
//    in 0..1 with a display text, and a reconfiguration of both chains that matches the current
//    program (valve set files, positions, effective rate, gains, sample loop);
//  - the state then handed back reads again, on a second processor, to the very same state.
// Every input starts from the same non-default bank (program 5 current), so programs the input
// does not reach are seen to keep their contents, and a crash reproduces from its input alone.
// A broken rule aborts, which libFuzzer reports as a crash with the input saved.
#include "plugin/PreampProcessor.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace ravlin::plugin;

void require(bool condition, const char* what)
{
    if (!condition)
    {
        std::fprintf(stderr, "state consistency broken: %s\n", what);
        std::abort();
    }
}

/// A chain that runs nothing and remembers the last request per block.
class RecordingChain
{
public:
    static bool checkModelFile(int block, const char*)
    {
        require(block >= 1 && block <= 4, "a check names a block outside 1..4");
        return true;
    }
    bool loadModelFile(int block, const char* path)
    {
        require(block >= 1 && block <= 4, "a load names a block outside 1..4");
        lastFile[block] = juce::File(juce::String::fromUTF8(path)).getFileName().toStdString();
        ++requests;
        return true;
    }
    void selectPosition(int block, unsigned index)
    {
        require(block >= 1 && block <= 4, "a selection names a block outside 1..4");
        position[block] = index;
        ++requests;
    }
    void setSampleRate(double r)
    {
        rate = r;
        ++requests;
    }
    void startAtRest() noexcept { ++requests; }
    void keepMotion() noexcept {}
    void followRests() noexcept { ++requests; }
    double processSample(double x) noexcept { return x; }
    template <unsigned L>
    double processOversampled(double x) noexcept
    {
        return x;
    }

    std::string lastFile[5];
    unsigned position[5] = {};
    double rate = 0.0;
    long requests = 0;
};

class FuzzProcessor : public PreampProcessor<RecordingChain>
{
public:
    FuzzProcessor() : PreampProcessor(defaultBank()) {}
    juce::AudioProcessorEditor* createEditor() override { return nullptr; }

    static juce::String defaultBank()
    {
        juce::String programs;
        for (int i = 1; i <= numPrograms; ++i)
            programs << "<program programname=\"" << i
                     << " default\" gain=\"0.5\" ovrsmplng=\"0.0\" in=\"0.5\" out=\"0.5\" stro=\"0.0\" model=\"0.0\" "
                        "trbl=\"0.5\" mdl=\"0.5\" bas=\"0.5\" showset=\"0.0\"/>   ";
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<zub cprog=\"0\" version=\"1\"><programs>" + programs
               + "</programs></zub>";
    }
};

Bank bankOf(FuzzProcessor& p)
{
    Bank b;
    for (int i = 0; i < numPrograms; ++i)
        b[static_cast<std::size_t>(i)] = p.getProgram(i);
    return b;
}

std::string hexBytes(const std::string& s)
{
    std::string out;
    char byte[4];
    for (unsigned char c : s)
    {
        std::snprintf(byte, sizeof byte, "%02x ", c);
        out += byte;
    }
    return out;
}

/** True when both banks hold the same names and stored values; else the first difference is
    printed, for the report of a broken rule. */
bool sameBank(const Bank& a, const Bank& b)
{
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].name != b[i].name || a[i].values != b[i].values)
        {
            std::fprintf(stderr, "program %zu: name [%s] vs [%s]\n", i, hexBytes(a[i].name).c_str(),
                         hexBytes(b[i].name).c_str());
            for (std::size_t k = 0; k < a[i].values.size(); ++k)
                if (a[i].values[k] != b[i].values[k])
                    std::fprintf(stderr, "program %zu: value %zu %.9g vs %.9g\n", i, k, a[i].values[k], b[i].values[k]);
            return false;
        }
    return true;
}

juce::MemoryBlock stateOf(FuzzProcessor& p)
{
    juce::MemoryBlock m;
    p.getStateInformation(m);
    return m;
}

bool isStep(float v, float last) { return v >= 0.0f && v <= last && v == std::trunc(v); }

/// Every stored value within its steps (the reader limits saved values to the host range).
void requireStoredInRange(const ProgramRecord& r)
{
    require(isStep(r.stored(dualTriodes), 1) && isStep(r.stored(monoStereo), 1) && isStep(r.stored(showSettings), 1),
            "a switch is stored as something other than 0 or 1");
    require(isStep(r.stored(gain), 16), "Gain is stored outside its 17 steps");
    require(isStep(r.stored(treble), 14) && isStep(r.stored(middle), 14) && isStep(r.stored(bass), 14),
            "a tone control is stored outside its 15 steps");
    require(isStep(r.stored(oversampling), 4), "Oversampling is stored outside its 5 steps");
    for (Parameter p : {input, output})
        require(r.stored(p) >= 0.0f && r.stored(p) <= 49.0f, "Input or Output is stored outside 0..49");
}

/// The chains were configured for the current program.
void requireConfigured(FuzzProcessor& p)
{
    const ProgramRecord& r = p.getProgram(p.getCurrentProgram());
    const int set = r.valveSet();
    const int code = r.factorCode();
    const long rate = static_cast<long>(p.getHostSampleRate()) << code;
    for (RecordingChain* chain : {&p.getLeftChain(), &p.getRightChain()})
    {
        require(chain->lastFile[1] == ravlin::modelFileName(1, set, rate)
                    && chain->lastFile[2] == ravlin::modelFileName(2, set, rate)
                    && chain->lastFile[4] == ravlin::modelFileName(4, set, rate),
                "blocks 1, 2 and 4 were not loaded from the current valve set's files");
        require(chain->lastFile[3] == ravlin::modelFileName(3, set, rate),
                "block 3 was not loaded for the effective rate");
        require(chain->rate == static_cast<double>(rate), "a chain runs at another rate than the effective one");
        require(chain->position[1] == r.gainPosition() && chain->position[2] == r.gainPosition()
                    && r.gainPosition() <= 16,
                "blocks 1 and 2 are not at the current Gain position");
        require(chain->position[3] == 0, "block 3 is not at position 0");
        require(chain->position[4] == r.tonePosition() && r.tonePosition() <= 3374,
                "block 4 is not at the current tone position");
    }
    require(p.getOversamplingFactor() == (1 << code), "the oversampling factor does not follow the program");
    const juce::String loop = p.getSampleLoopName();
    require(loop.endsWith("X" + juce::String(1 << code))
                && (loop.startsWith("processStereo") == (r.stereoRequested() && p.getTotalNumInputChannels() >= 2)),
            "the sample loop does not follow the program");
    const double in = p.getInputGain(), out = p.getOutputGain();
    require(in >= 0.0 && in <= 3.0, "the input gain is outside 0..3");
    require(std::isfinite(out) && out >= outputGainTable.front() / 345.0 && out <= outputGainTable.back() / 345.0,
            "the output gain is outside the table");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static FuzzProcessor processor;
    static FuzzProcessor replay;
    // The starting point of every input: a bank with changed names and values, program 5 current.
    static const juce::MemoryBlock start = [] {
        for (int i = 0; i < numPrograms; ++i)
        {
            processor.setCurrentProgram(i);
            processor.changeProgramName(i, "P" + juce::String(i) + " <&>\"'");
            for (int k = 0; k < numParameters; ++k)
                processor.setParameter(k, static_cast<float>((i * 7 + k * 3) % 11) / 10.0f);
        }
        processor.setCurrentProgram(5);
        return stateOf(processor);
    }();

    // True while the processor is known to hold the starting bank: after it was loaded, and after
    // refused bytes, which are checked to have changed nothing. Loading it again then would only
    // repeat the same parse and reconfiguration.
    static bool atStart = false;

    if (size > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return 0;
    if (!atStart)
    {
        processor.setStateInformation(start.getData(), static_cast<int>(start.getSize()));
        require(stateOf(processor) == start, "the starting bank does not read back as written");
        require(processor.getCurrentProgram() == 5, "the starting bank does not select program 5");
        atStart = true;
    }

    const Bank before = bankOf(processor);
    const long requestsBefore = processor.getLeftChain().requests + processor.getRightChain().requests;

    // What the reader makes of the bytes on its own.
    Bank expected = before;
    std::optional<int> cprog;
    if (const auto xml = readStateChunk(data, static_cast<int>(size)))
        cprog = readBank(*xml, expected);

    processor.setStateInformation(data, static_cast<int>(size));
    atStart = !cprog;

    if (!cprog)
    {
        require(stateOf(processor) == start, "refused bytes changed the saved state");
        require(processor.getCurrentProgram() == 5, "refused bytes changed the current program");
        require(processor.getLeftChain().requests + processor.getRightChain().requests == requestsBefore,
                "refused bytes reconfigured the chains");
        return 0;
    }

    require(*cprog >= 0 && *cprog < numPrograms, "the reader's program index is outside the bank");
    require(processor.getCurrentProgram() == *cprog, "the current program is not the chunk's cprog");
    require(sameBank(bankOf(processor), expected), "the bank differs from what the reader reads");
    for (const auto& record : expected)
        requireStoredInRange(record);
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    for (int i = 0; i < numParameters; ++i)
    {
        const float v = processor.getParameter(i);
        require(v >= 0.0f && v <= 1.0f, "a reported value is outside 0..1");
        require(processor.getParameterText(i).isNotEmpty(), "a parameter has no display text");
    }
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
    requireConfigured(processor);

    // The state handed back reads again to itself.
    const juce::MemoryBlock saved = stateOf(processor);
    replay.setStateInformation(saved.getData(), static_cast<int>(saved.getSize()));
    require(stateOf(replay) == saved, "the saved state does not read back to the same state");
    require(replay.getCurrentProgram() == processor.getCurrentProgram(), "the saved state loses the current program");
    require(sameBank(bankOf(replay), bankOf(processor)), "the saved state loses names or values");
    return 0;
}
