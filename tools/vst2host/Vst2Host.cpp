// ravlin-vst2host: loads a VST 2.4 module the way a host does (dlopen, VSTPluginMain with a small
// host callback) and checks what a host relies on:
//   identity (effect name, product, vendor, versions, unique id, category, flags, channels),
//   the ten parameters (names, display texts, quantised values after setParameter),
//   the twelve programs (names, switching, renaming, parameters kept per program),
//   the state chunk (layout, get/set round trip, a foreign chunk changes nothing),
//   latency reported with oversampling, and processReplacing on the plucked-guitar riff in mono
//   and stereo (finite; not silent unless --allow-silence).
//   ravlin-vst2host MODULE [--allow-silence] [--rate HZ] [--block N] [--seconds S]
// Prints one line per group of checks and exits non-zero when any check fails.
#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "CommandLine.h"
#include "RiffSynth.h"
#include "Vst2Abi.h"

namespace {

using namespace ravlin::vst2host;

// What the host tells the effect, and what the effect told the host.
std::atomic<int> hostBlockSize{512};
std::atomic<float> hostSampleRate{48000.0f};
std::atomic<int> ioChangedCalls{0};
std::atomic<int> automateCalls{0};

VstIntPtr hostCallback(AEffect*, std::int32_t opcode, std::int32_t, VstIntPtr, void* ptr, float)
{
    switch (opcode)
    {
    case audioMasterVersion: return 2400;
    case audioMasterCurrentId: return 0;
    case audioMasterGetSampleRate: return static_cast<VstIntPtr>(hostSampleRate.load());
    case audioMasterGetBlockSize: return hostBlockSize.load();
    case audioMasterGetCurrentProcessLevel: return 0; // unknown: neither GUI nor real-time thread
    case audioMasterGetVendorString: std::strcpy(static_cast<char*>(ptr), "Ravlin test host"); return 1;
    case audioMasterGetProductString: std::strcpy(static_cast<char*>(ptr), "ravlin-vst2host"); return 1;
    case audioMasterGetVendorVersion: return 1;
    case audioMasterIOChanged: ++ioChangedCalls; return 1;
    case audioMasterAutomate: ++automateCalls; return 0;
    default: return 0; // no time info, no window, no capabilities
    }
}

/// Counts failed checks; every failure is printed with what was expected and what came.
class Checks
{
public:
    bool expect(bool ok, const std::string& what)
    {
        if (!ok)
        {
            std::fprintf(stderr, "vst2host: FAIL: %s\n", what.c_str());
            ++failures;
        }
        return ok;
    }
    bool equal(const std::string& got, const std::string& want, const std::string& what)
    {
        return expect(got == want, what + ": got \"" + got + "\", expected \"" + want + "\"");
    }
    bool near(double got, double want, double tol, const std::string& what)
    {
        return expect(std::abs(got - want) <= tol,
                      what + ": got " + std::to_string(got) + ", expected " + std::to_string(want));
    }
    /// Prints "vst2host: <group>: ok" when the group added no failure.
    void group(const char* name, int before) const
    {
        if (failures == before)
            std::printf("vst2host: %s: ok\n", name);
        else
            std::printf("vst2host: %s: %d check(s) failed\n", name, failures - before);
        std::fflush(stdout);
    }
    int failures = 0;
};

class Effect
{
public:
    explicit Effect(AEffect* e) : fx(e) {}
    VstIntPtr call(std::int32_t opcode, std::int32_t index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                   float opt = 0.0f) const
    {
        return fx->dispatcher(fx, opcode, index, value, ptr, opt);
    }
    std::string text(std::int32_t opcode, std::int32_t index = 0) const
    {
        char buffer[256] = {};
        call(opcode, index, 0, buffer);
        buffer[sizeof buffer - 1] = '\0';
        return buffer;
    }
    float get(int index) const { return fx->getParameter(fx, index); }
    void set(int index, float value) const { fx->setParameter(fx, index, value); }
    std::vector<unsigned char> chunk(int index = 0) const
    {
        void* data = nullptr;
        const VstIntPtr size = call(effGetChunk, index, 0, &data);
        if (data == nullptr || size <= 0)
            return {};
        const auto* bytes = static_cast<const unsigned char*>(data);
        return {bytes, bytes + size};
    }
    void setChunk(std::vector<unsigned char> bytes, int index = 0) const
    {
        call(effSetChunk, index, static_cast<VstIntPtr>(bytes.size()), bytes.data());
    }
    AEffect* fx;
};

const char* const parameterNames[10] = {"Dual Triodes", "Input",  "Gain",         "Treble",      "Middle",
                                        "Bass",         "Output", "Oversampling", "Mono/Stereo", "Show settings"};

std::string programLabel(int i) { return std::to_string(i + 1) + " default"; }

void checkIdentity(const Effect& fx, Checks& c)
{
    const int before = c.failures;
    const AEffect& e = *fx.fx;
    c.equal(fx.text(effGetEffectName), "RAVLIN Preamp v1.3", "effGetEffectName");
    c.equal(fx.text(effGetProductString), "RAVLIN Preamp v1.3", "effGetProductString");
    c.expect(!fx.text(effGetVendorString).empty(), "effGetVendorString is empty");
    c.expect(fx.call(effGetVendorVersion) == 130,
             "effGetVendorVersion: got " + std::to_string(fx.call(effGetVendorVersion)) + ", expected 130");
    c.expect(e.version == 130, "AEffect version: got " + std::to_string(e.version) + ", expected 130");
    c.expect(e.uniqueID == 0x52565133, "unique id is not 'RVQ3'");
    c.expect(fx.call(effGetVstVersion) == 2400, "effGetVstVersion is not 2400");
    c.expect(fx.call(effGetPlugCategory) == kPlugCategEffect, "category is not effect");
    c.expect(e.numInputs == 2 && e.numOutputs == 2, "channels: " + std::to_string(e.numInputs) + " in / "
                                                        + std::to_string(e.numOutputs) + " out, expected 2/2");
    c.expect((e.flags & effFlagsCanReplacing) != 0, "no processReplacing flag");
    c.expect((e.flags & effFlagsProgramChunks) != 0, "state is not exchanged as chunks");
    c.expect((e.flags & effFlagsHasEditor) != 0, "no editor flag");
    c.expect((e.flags & effFlagsIsSynth) == 0, "flagged as an instrument");
    c.expect(e.processReplacing != nullptr, "processReplacing missing");
    c.expect(e.initialDelay == 0, "latency without oversampling: " + std::to_string(e.initialDelay));
    // Both pins of each side active, the first one marked as the left of a stereo pair.
    for (const std::int32_t opcode : {effGetInputProperties, effGetOutputProperties})
        for (int pin = 0; pin < 2; ++pin)
        {
            PinProperties p{};
            const std::string which =
                std::string(opcode == effGetInputProperties ? "input" : "output") + " pin " + std::to_string(pin);
            c.expect(fx.call(opcode, pin, 0, &p) == 1, which + ": no properties");
            c.expect((p.flags & kVstPinIsActive) != 0, which + ": not flagged active");
            c.expect(
                ((p.flags & kVstPinIsStereo) != 0) == (pin == 0),
                which + (pin == 0 ? ": not flagged as a stereo pair's first pin" : ": flagged as a pair's first pin"));
        }
    c.group("identity (name, product, vendor, version 130, RVQ3, effect, 2 in / 2 out stereo pins, chunks)", before);
}

void checkParameters(const Effect& fx, Checks& c)
{
    const int before = c.failures;
    c.expect(fx.fx->numParams == 10, "numParams: " + std::to_string(fx.fx->numParams) + ", expected 10");
    for (int i = 0; i < 10; ++i)
        c.equal(fx.text(effGetParamName, i), parameterNames[i], "name of parameter " + std::to_string(i));

    // Defaults of program "1 default".
    const char* const defaults[10] = {"Fresh 12ax7", "0.50=>24.5", "0.50=>8", "0.50=>7", "0.50=>7",
                                      "0.50=>7",     "0.50=>24.5", "none",    "Mono",    "false"};
    for (int i = 0; i < 10; ++i)
        c.equal(fx.text(effGetParamDisplay, i), defaults[i], "default text of parameter " + std::to_string(i));

    // Host values are quantised as stored; the reported value follows the stored step.
    struct Case
    {
        int index;
        float value;
        float reported;
        const char* text;
    };
    const Case cases[] = {{2, 0.75f, 0.75f, "0.75=>12"},  {3, 0.3f, 4.0f / 14.0f, "0.29=>4"},
                          {1, 0.3f, 0.3f, "0.30=>14.7"},  {6, 1.0f, 1.0f, "1.00=>49"},
                          {7, 0.99f, 0.75f, "x8"},        {7, 0.25f, 0.25f, "x2"},
                          {8, 0.49f, 0.0f, "Mono"},       {8, 0.5f, 1.0f, "Stereo"},
                          {0, 1.0f, 1.0f, "Aged  12ax7"}, {9, 0.7f, 1.0f, "true"}};
    for (const auto& k : cases)
    {
        fx.set(k.index, k.value);
        const std::string label = "parameter " + std::to_string(k.index) + " set to " + std::to_string(k.value);
        c.near(fx.get(k.index), k.reported, 1e-6, label + ", value read back");
        c.equal(fx.text(effGetParamDisplay, k.index), k.text, label + ", text");
    }
    c.group("parameters (10 names, default texts, quantised values and texts after setParameter)", before);
}

void checkPrograms(const Effect& fx, Checks& c)
{
    const int before = c.failures;
    c.expect(fx.fx->numPrograms == 12, "numPrograms: " + std::to_string(fx.fx->numPrograms) + ", expected 12");
    for (int i = 0; i < 12; ++i)
        c.equal(fx.text(effGetProgramNameIndexed, i), programLabel(i), "name of program " + std::to_string(i));

    // Program 0 carries the parameters set above; program 5 still has the defaults.
    c.expect(fx.call(effGetProgram) == 0, "current program is not 0");
    const float gainOfProgram0 = fx.get(2);
    fx.call(effSetProgram, 0, 5);
    c.expect(fx.call(effGetProgram) == 5, "effSetProgram 5 did not select program 5");
    c.equal(fx.text(effGetProgramName), programLabel(5), "name of the current program");
    c.near(fx.get(2), 0.5, 1e-6, "Gain of untouched program 5");
    c.equal(fx.text(effGetParamDisplay, 0), "Fresh 12ax7", "valve set of untouched program 5");
    char name[32] = "Crunch";
    fx.call(effSetProgramName, 0, 0, name);
    c.equal(fx.text(effGetProgramNameIndexed, 5), "Crunch", "renamed program 5");
    fx.call(effSetProgram, 0, 0);
    c.expect(fx.call(effGetProgram) == 0, "effSetProgram 0 did not return to program 0");
    c.near(fx.get(2), gainOfProgram0, 1e-6, "Gain of program 0 after switching back");
    fx.call(effSetProgram, 0, 12); // outside the bank: ignored
    c.expect(fx.call(effGetProgram) == 0, "effSetProgram 12 changed the program");
    c.group("programs (12 names, switching keeps values per program, renaming, index 12 ignored)", before);
}

void checkChunk(const Effect& fx, Checks& c)
{
    const int before = c.failures;
    const std::vector<unsigned char> saved = fx.chunk(0);
    c.expect(saved.size() > 9, "effGetChunk returned " + std::to_string(saved.size()) + " bytes");
    if (saved.size() <= 9)
    {
        c.group("state chunk", before);
        return;
    }
    const unsigned char magic[4] = {0x56, 0x43, 0x32, 0x21};
    c.expect(std::equal(magic, magic + 4, saved.begin()), "chunk does not start with 56 43 32 21");
    const std::size_t n = saved[4] | (saved[5] << 8) | (saved[6] << 16) | (static_cast<std::size_t>(saved[7]) << 24);
    c.expect(n + 9 == saved.size(), "chunk length field " + std::to_string(n) + " does not match size "
                                        + std::to_string(saved.size()) + " - 9");
    c.expect(saved.back() == 0, "chunk does not end with a zero byte");
    const std::string text(saved.begin() + 8, saved.end() - 1);
    c.expect(text.rfind("<zub cprog=\"0\" version=\"1\"><programs><program programname=\"1 default\"", 0) == 0,
             "chunk text starts with: " + text.substr(0, 80));
    c.expect(text.find("programname=\"Crunch\"") != std::string::npos, "renamed program missing from the chunk");
    c.expect(fx.chunk(1) == saved, "program chunk (index 1) differs from the bank chunk");

    // Change program, values and a name; the saved chunk brings everything back.
    fx.call(effSetProgram, 0, 3);
    fx.set(2, 0.125f);
    char name[32] = "Changed";
    fx.call(effSetProgramName, 0, 0, name);
    fx.call(effSetProgram, 0, 0);
    fx.set(2, 0.0f);
    fx.set(5, 1.0f);
    fx.setChunk(saved);
    c.expect(fx.call(effGetProgram) == 0, "program after effSetChunk: " + std::to_string(fx.call(effGetProgram)));
    c.near(fx.get(2), 0.75, 1e-6, "Gain after effSetChunk");
    c.near(fx.get(5), 0.5, 1e-6, "Bass after effSetChunk");
    c.equal(fx.text(effGetProgramNameIndexed, 3), programLabel(3), "name of program 3 after effSetChunk");
    c.equal(fx.text(effGetProgramNameIndexed, 5), "Crunch", "name of program 5 after effSetChunk");
    c.expect(fx.chunk(0) == saved, "chunk after effSetChunk differs from the chunk that was set");

    // A chunk saved with another current program restores that program.
    fx.call(effSetProgram, 0, 7);
    const std::vector<unsigned char> onSeven = fx.chunk(0);
    fx.call(effSetProgram, 0, 2);
    fx.setChunk(onSeven);
    c.expect(fx.call(effGetProgram) == 7,
             "program after loading a chunk saved on program 7: " + std::to_string(fx.call(effGetProgram)));

    // Foreign, truncated and empty data change nothing.
    std::vector<unsigned char> foreign = saved;
    foreign[0] = 'X';
    std::vector<unsigned char> truncated(saved.begin(), saved.begin() + 8);
    for (const auto& bad : {foreign, truncated})
    {
        fx.setChunk(bad);
        c.expect(fx.call(effGetProgram) == 7, "a refused chunk changed the current program");
        c.expect(fx.chunk(0) == onSeven, "a refused chunk changed the state");
    }
    fx.setChunk(saved);
    c.group("state chunk (layout, get/set round trip, program kept, foreign and short chunks refused)", before);
}

struct Levels
{
    double peak = 0.0, sumSquares = 0.0;
    bool finite = true;
    std::size_t frames = 0;
    double peakDb() const { return peak > 0.0 ? 20.0 * std::log10(peak) : -HUGE_VAL; }
    double rmsDb() const
    {
        return sumSquares > 0.0 ? 10.0 * std::log10(sumSquares / static_cast<double>(frames)) : -HUGE_VAL;
    }
};

/// Runs `signal` (left) and `signal` x rightScale (right) through processReplacing in host-sized
/// blocks; returns the levels of each output channel and whether left and right came out equal.
void runAudio(const Effect& fx, const std::vector<float>& signal, float rightScale, int block, Levels out[2],
              bool& channelsEqual)
{
    std::vector<float> inL(static_cast<std::size_t>(block)), inR(inL.size()), outL(inL.size()), outR(inL.size());
    channelsEqual = true;
    for (std::size_t pos = 0; pos < signal.size(); pos += static_cast<std::size_t>(block))
    {
        const int n = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(block), signal.size() - pos));
        for (int i = 0; i < n; ++i)
        {
            inL[static_cast<std::size_t>(i)] = signal[pos + static_cast<std::size_t>(i)];
            inR[static_cast<std::size_t>(i)] = rightScale * signal[pos + static_cast<std::size_t>(i)];
        }
        // Outputs start as garbage so that a plug-in that leaves them alone is caught.
        std::fill(outL.begin(), outL.end(), 1e30f);
        std::fill(outR.begin(), outR.end(), 1e30f);
        float* ins[2] = {inL.data(), inR.data()};
        float* outs[2] = {outL.data(), outR.data()};
        fx.fx->processReplacing(fx.fx, ins, outs, n);
        for (int i = 0; i < n; ++i)
        {
            const float s[2] = {outL[static_cast<std::size_t>(i)], outR[static_cast<std::size_t>(i)]};
            channelsEqual = channelsEqual && s[0] == s[1];
            for (int ch = 0; ch < 2; ++ch)
            {
                const double v = s[ch];
                out[ch].finite = out[ch].finite && std::isfinite(v) && std::abs(v) < 1e29;
                out[ch].peak = std::max(out[ch].peak, std::abs(v));
                out[ch].sumSquares += v * v;
                ++out[ch].frames;
            }
        }
    }
}

void checkAudio(const Effect& fx, Checks& c, const std::vector<unsigned char>& defaultBank, double rate, int block,
                double seconds, bool allowSilence)
{
    const int before = c.failures;
    hostSampleRate = static_cast<float>(rate);
    hostBlockSize = block;
    fx.call(effMainsChanged, 0, 0);
    fx.call(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    fx.call(effSetBlockSize, 0, block);
    fx.call(effMainsChanged, 0, 1);
    // The default bank again (program 0: no oversampling, mono), reconfigured at the new rate.
    fx.setChunk(defaultBank);
    c.expect(fx.fx->initialDelay == 0, "latency without oversampling: " + std::to_string(fx.fx->initialDelay));
    fx.call(effStartProcess);

    const auto riff = ravlin::riff::renderDefaultRiff(rate);
    std::vector<float> signal(static_cast<std::size_t>(seconds * rate));
    for (std::size_t i = 0; i < signal.size(); ++i)
        signal[i] = riff[i % riff.size()];

    const auto report = [&](const char* mode, const Levels* lv) {
        std::printf("vst2host: %s: %zu frames at %.0f Hz, block %d: peak %.1f / %.1f dBFS, rms %.1f / %.1f dBFS\n",
                    mode, lv[0].frames, rate, block, lv[0].peakDb(), lv[1].peakDb(), lv[0].rmsDb(), lv[1].rmsDb());
    };
    const auto requireSound = [&](const char* mode, const Levels* lv) {
        for (int ch = 0; ch < 2; ++ch)
        {
            c.expect(lv[ch].finite, std::string(mode) + ": output channel " + std::to_string(ch) + " not finite");
            if (!allowSilence)
                c.expect(lv[ch].peak > 1e-4, std::string(mode) + ": output channel " + std::to_string(ch)
                                                 + " silent (peak " + std::to_string(lv[ch].peak) + ")");
        }
    };

    Levels mono[2];
    bool equal = false;
    runAudio(fx, signal, 0.5f, block, mono, equal);
    report("mono x1", mono);
    requireSound("mono x1", mono);
    c.expect(equal, "mono x1: the right output is not a copy of the left");

    // Stereo at 2x oversampling: two chains, each fed its own channel; latency reported.
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // earlier latency notices arrive first
    const int ioBefore = ioChangedCalls.load();
    fx.set(8, 1.0f);
    fx.set(7, 0.25f);
    c.expect(fx.fx->initialDelay == 15, "latency at x2: " + std::to_string(fx.fx->initialDelay) + ", expected 15");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (ioChangedCalls.load() == ioBefore && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    c.expect(ioChangedCalls.load() > ioBefore, "no audioMasterIOChanged after the latency changed");
    Levels stereo[2];
    std::vector<float> shortSignal(signal.begin(), signal.begin() + static_cast<std::ptrdiff_t>(signal.size() / 2));
    runAudio(fx, shortSignal, 0.5f, block, stereo, equal);
    report("stereo x2", stereo);
    requireSound("stereo x2", stereo);
    if (!allowSilence)
        c.expect(!equal, "stereo x2: left and right outputs are equal for different inputs");

    fx.call(effStopProcess);
    fx.call(effMainsChanged, 0, 0);
    c.group(allowSilence ? "audio (processReplacing finite; silence accepted: no model data)"
                         : "audio (processReplacing finite and not silent, mono copy, stereo, latency 15 at x2)",
            before);
}

} // namespace

int main(int argc, char** argv)
{
    std::string module;
    bool allowSilence = false;
    double rate = 48000.0, seconds = 2.0;
    int block = 512;
    CLI::App app("Loads a VST 2.4 module the way a host does and checks what a host relies on; exits non-zero "
                 "when any check fails.",
                 "ravlin-vst2host");
    app.add_option("MODULE", module, "the VST 2.4 module (.so) to load")->required();
    app.add_flag("--allow-silence", allowSilence, "accept silent output (the module has no model data beside it)");
    app.add_option("--rate", rate, "sample rate for the audio check (default 48000)")
        ->check(ravlin::cli::finitePositive(1e6));
    app.add_option("--block", block, "frames per processReplacing call (default 512)")
        ->check(ravlin::cli::wholeIn(1, 1000000));
    app.add_option("--seconds", seconds, "length of the test signal (default 2)")
        ->check(ravlin::cli::finitePositive(1e6));
    if (const auto exit = ravlin::cli::parse(app, argc, argv))
        return *exit;

    void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr)
    {
        std::fprintf(stderr, "vst2host: FAIL: cannot load %s: %s\n", module.c_str(), dlerror());
        return 1;
    }
    auto entry = reinterpret_cast<PluginMain>(dlsym(handle, "VSTPluginMain"));
    if (entry == nullptr)
    {
        std::fprintf(stderr, "vst2host: FAIL: %s exports no VSTPluginMain\n", module.c_str());
        return 1;
    }
    AEffect* effect = entry(hostCallback);
    if (effect == nullptr || effect->magic != effectMagic)
    {
        std::fprintf(stderr, "vst2host: FAIL: VSTPluginMain returned %s\n",
                     effect == nullptr ? "no effect" : "a bad magic");
        return 1;
    }
    Effect fx(effect);
    fx.call(effOpen);
    fx.call(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    fx.call(effSetBlockSize, 0, block);

    const std::vector<unsigned char> defaultBank = fx.chunk(0);
    Checks checks;
    checkIdentity(fx, checks);
    checkParameters(fx, checks);
    checkPrograms(fx, checks);
    checkChunk(fx, checks);
    checkAudio(fx, checks, defaultBank, rate, block, seconds, allowSilence);

    fx.call(effClose);
    // The module stays loaded: the framework's message thread may still be winding down.
    if (checks.failures > 0)
    {
        std::fprintf(stderr, "vst2host: %d check(s) failed for %s\n", checks.failures, module.c_str());
        return 1;
    }
    std::printf("vst2host: all checks passed for %s\n", module.c_str());
    return 0;
}
