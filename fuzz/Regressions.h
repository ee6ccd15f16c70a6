#pragma once
// Inputs that once crashed or hung a fuzz target, kept as hex text so no binary file is committed.
// The unit tests feed every entry to the code its target drives on every test run, and the seed
// writer adds them to the target's corpus. When scripts/fuzz reports a failure it prints the
// offending input as hex: add it here under its target with a name saying what it broke.
#include <cstdint>
#include <string>
#include <vector>

namespace ravlin::fuzz {

struct Regression
{
    const char* target; ///< "state", "pca" or "std": the corpus folder and the code it drives
    const char* name;   ///< what the input did
    const char* hex;    ///< the input, two hex digits per byte
};

inline constexpr Regression regressions[] = {
    // Unterminated "<?" processing instructions inside the root element: the framework's XML parser
    // looped forever in its white-space skipping, so setStateInformation never returned.
    {"state", "unterminated-processing-instructions",
     "564332215a0002003c5a5542204350726f673d2232223e403c3f503d2232223e403c3f50726f677261315f5f766d69"
     "5f636c617373726f677261315f5f766d695f6373735f747970655f697970655f696e666f4350726f673d2232223e40"
     "3c3f503d2232223e403c3f50726f677261315f5f766d695f636c617373726f677261315f5f766d695f6373735f7479"
     "70655f456d73913f3e403c3f503e00"},
    // Treble saved as "-0.0": it was stored as a negative zero, saved as "-0" and read back as +0,
    // so the state handed back did not read to itself.
    {"state", "negative-zero-treble",
     "56433221c30000003c7a7562206370726f673d2230222076657273696f6e3d2231223e3c70726f6772616d733e3c70"
     "726f6772616d2070726f6772616d6e616d653d22312064656661756c7422206d6f64656c3d22302220696e3d22302e"
     "3522206f75743d22302e3522207374726f3d223022206761696e3d22302e3522207472626c3d222d302e3022206d64"
     "6c3d22302e3522206261733d22302e3522206f7672736d706c6e673d2230222073686f777365743d2230222f3e3c2f"
     "70726f6772616d733e3c2f7a75623e00"},
};

/// The bytes of a hex text (two digits per byte; anything else ends the input).
inline std::vector<std::uint8_t> bytesOfHex(const char* hex)
{
    const auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::vector<std::uint8_t> bytes;
    for (const char* p = hex; p[0] != '\0' && p[1] != '\0'; p += 2)
    {
        const int hi = digit(p[0]);
        const int lo = digit(p[1]);
        if (hi < 0 || lo < 0)
            break;
        bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
    }
    return bytes;
}

/// Every regression input of one target, named.
inline std::vector<std::pair<std::string, std::vector<std::uint8_t>>> regressionInputs(const std::string& target)
{
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> inputs;
    for (const auto& r : regressions)
        if (target == r.target)
            inputs.emplace_back(std::string("regression-") + r.name, bytesOfHex(r.hex));
    return inputs;
}

} // namespace ravlin::fuzz
