#pragma once
// The handful of VST 2.4 binary-interface declarations this host needs: the effect record that
// VSTPluginMain returns, the dispatcher opcodes it sends and the host opcodes it answers. Values
// and layout follow the clean-room description of the interface (Debian fst-dev); declared here so
// the host depends on nothing the plug-in was built with.
#include <cstdint>

namespace ravlin::vst2host {

using VstIntPtr = std::intptr_t;

struct AEffect;
using HostCallback = VstIntPtr (*)(AEffect*, std::int32_t opcode, std::int32_t index, VstIntPtr value, void* ptr,
                                   float opt);
using DispatcherProc = VstIntPtr (*)(AEffect*, std::int32_t opcode, std::int32_t index, VstIntPtr value, void* ptr,
                                     float opt);
using ProcessProc = void (*)(AEffect*, float** inputs, float** outputs, std::int32_t frames);
using ProcessDoubleProc = void (*)(AEffect*, double** inputs, double** outputs, std::int32_t frames);
using SetParameterProc = void (*)(AEffect*, std::int32_t index, float value);
using GetParameterProc = float (*)(AEffect*, std::int32_t index);
using PluginMain = AEffect* (*)(HostCallback);

/// The effect record. 64-bit layout: pointer-sized flags and reserved fields, 4-byte counts.
struct AEffect
{
    std::int32_t magic; ///< 'VstP'
    DispatcherProc dispatcher;
    ProcessProc process; ///< accumulating process, unused since 2.4
    SetParameterProc setParameter;
    GetParameterProc getParameter;
    std::int32_t numPrograms;
    std::int32_t numParams;
    std::int32_t numInputs;
    std::int32_t numOutputs;
    VstIntPtr flags;
    VstIntPtr reserved1;
    VstIntPtr reserved2;
    std::int32_t initialDelay;
    std::int32_t realQualities;
    std::int32_t offQualities;
    float ioRatio;
    void* object;
    void* user;
    std::int32_t uniqueID;
    std::int32_t version;
    ProcessProc processReplacing;
    ProcessDoubleProc processDoubleReplacing;
    char future[56];
};

constexpr std::int32_t effectMagic = 0x56737450; // 'VstP'

// Effect flags.
constexpr VstIntPtr effFlagsHasEditor = 1 << 0;
constexpr VstIntPtr effFlagsCanReplacing = 1 << 4;
constexpr VstIntPtr effFlagsProgramChunks = 1 << 5;
constexpr VstIntPtr effFlagsIsSynth = 1 << 8;

// Dispatcher opcodes (host to effect).
enum : std::int32_t
{
    effOpen = 0,
    effClose = 1,
    effSetProgram = 2,
    effGetProgram = 3,
    effSetProgramName = 4,
    effGetProgramName = 5,
    effGetParamLabel = 6,
    effGetParamDisplay = 7,
    effGetParamName = 8,
    effSetSampleRate = 10,
    effSetBlockSize = 11,
    effMainsChanged = 12,
    effGetChunk = 23,
    effSetChunk = 24,
    effGetProgramNameIndexed = 29,
    effGetInputProperties = 33,
    effGetOutputProperties = 34,
    effGetPlugCategory = 35,
    effGetEffectName = 45,
    effGetVendorString = 47,
    effGetProductString = 48,
    effGetVendorVersion = 49,
    effGetVstVersion = 58,
    effStartProcess = 71,
    effStopProcess = 72,
};

// Host opcodes (effect to host).
enum : std::int32_t
{
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterGetTime = 7,
    audioMasterIOChanged = 13,
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterGetCurrentProcessLevel = 23,
    audioMasterGetVendorString = 32,
    audioMasterGetProductString = 33,
    audioMasterGetVendorVersion = 34,
    audioMasterCanDo = 37,
    audioMasterUpdateDisplay = 42,
    audioMasterBeginEdit = 43,
    audioMasterEndEdit = 44,
};

constexpr std::int32_t kPlugCategEffect = 1;

/// What effGetInputProperties / effGetOutputProperties fill in for one pin.
struct PinProperties
{
    char label[64];
    std::int32_t flags;
    std::int32_t arrangementType;
    char shortLabel[8];
    char future[48];
};

constexpr std::int32_t kVstPinIsActive = 1 << 0;
constexpr std::int32_t kVstPinIsStereo = 1 << 1;

} // namespace ravlin::vst2host
