#pragma once
// The saved state: a chunk of magic 0x21324356 (little-endian), the length N of the XML text, the
// text itself (one line, no declaration) and a zero byte. The document, root <zub cprog version>,
// holds the whole bank of twelve programs with their host values 0..1.
#include "plugin/ProgramRecord.h"

#include <juce_core/juce_core.h>

#include <array>
#include <optional>

namespace ravlin::plugin {
using Bank = std::array<ProgramRecord, numPrograms>;

inline constexpr juce::uint32 stateChunkMagic = 0x21324356;

/** The <zub> document for `bank` with `currentProgram` as "cprog". */
std::unique_ptr<juce::XmlElement> bankToXml(const Bank& bank, int currentProgram);

/** Wraps `xml` into a state chunk: magic, N, one-line text without declaration, zero byte. */
void writeStateChunk(const juce::XmlElement& xml, juce::MemoryBlock& dest);

/** Parses the document inside a chunk: longer than 8 bytes, the magic, N > 0, then at most
    min(N, size - 8) bytes of UTF-8 text. No document for anything else. */
std::unique_ptr<juce::XmlElement> readStateChunk(const void* data, int sizeInBytes);

/** Fills `bank` from a <zub> document (tag and attribute names compared without letter case) and
    returns its "cprog" limited to a program index (a value outside 0..11 falls back to 0). No
    result, and `bank` untouched, when the root is not <zub>. Programs that the document does
    not reach keep their contents; absent values take the defaults of program "1 default". */
std::optional<int> readBank(const juce::XmlElement& root, Bank& bank);

/** True when `data` is a chunk whose document holds a bank that setStateInformation would load;
    anything else is ignored by the processor. */
bool holdsBank(const void* data, int sizeInBytes);

/** Leading integer of a text (blanks, sign, digits), saturated to the int range; 0 without digits. */
int leadingInteger(const juce::String& text) noexcept;
} // namespace ravlin::plugin
