#pragma once
// The saved state: the bank of 12 programs and the current program index as a one-line XML
// document (root "zub", child "programs", one "program" element per record) inside the
// framework's binary XML wrapper (magic 0x21324356, length, UTF-8 text, zero byte).
#include <juce_audio_processors/juce_audio_processors.h>

#include <array>

#include "plugin/ProgramRecord.h"

namespace ravlin::plugin
{
using ProgramBank = std::array<ProgramRecord, numPrograms>;

/** The XML document for the bank: cprog, version 1, twelve programs with their reported values. */
std::unique_ptr<juce::XmlElement> bankToXml(const ProgramBank& bank, int currentProgram);

/** Outcome of reading a document into the bank. */
struct BankReadResult
{
    bool applied = false; ///< false: no usable document (no data, foreign data, root not "zub")
    int currentProgram = 0; ///< always 0..11; a "cprog" outside that range gives 0
    int programsRead = 0;
};

/** Reads a parsed document into `bank`: names and values of the programs it holds, the rest left
    as they were. Tag and attribute names are compared without regard to letter case. Values are
    quantised like host values, so none lies outside its listed range. */
BankReadResult xmlToBank(const juce::XmlElement* document, ProgramBank& bank);

/** The number written for a reported value: the float widened to double, "%.17g" (shortest form
    for 0, 0.5, 1; enough digits to read back the same float). */
juce::String formatValue(float reported);
} // namespace ravlin::plugin
