#include "StateSeeds.h"

namespace ravlin::fuzz {

Bytes stateChunk(const std::string& xml, long declaredLength)
{
    const auto n = static_cast<std::uint32_t>(declaredLength < 0 ? static_cast<long>(xml.size()) : declaredLength);
    Bytes b = {0x56,
               0x43,
               0x32,
               0x21,
               static_cast<std::uint8_t>(n),
               static_cast<std::uint8_t>(n >> 8),
               static_cast<std::uint8_t>(n >> 16),
               static_cast<std::uint8_t>(n >> 24)};
    b.insert(b.end(), xml.begin(), xml.end());
    b.push_back(0);
    return b;
}

namespace {

std::string program(const std::string& name, const std::string& values)
{
    return "<program programname=\"" + name + "\" " + values + "/>";
}

std::string bank(int cprog, const std::vector<std::string>& programs)
{
    std::string xml = "<zub cprog=\"" + std::to_string(cprog) + "\" version=\"1\"><programs>";
    for (const auto& p : programs)
        xml += p;
    return xml + "</programs></zub>";
}

const char* const defaults =
    "model=\"0\" in=\"0.5\" out=\"0.5\" stro=\"0\" gain=\"0.5\" trbl=\"0.5\" mdl=\"0.5\" bas=\"0.5\" ovrsmplng=\"0\" "
    "showset=\"0\"";

} // namespace

std::vector<std::pair<std::string, Bytes>> stateSeeds()
{
    std::vector<std::string> twelve;
    for (int i = 1; i <= 12; ++i)
        twelve.push_back(program(std::to_string(i) + " default", defaults));

    std::vector<std::string> varied = twelve;
    varied[0] =
        program("Crunch &amp; &lt;lead&gt; &#233;", "model=\"1\" in=\"0.30000001192092896\" out=\"1\" stro=\"1\" "
                                                    "gain=\"0.75\" trbl=\"0.2857142984867096\" mdl=\"0\" bas=\"1\" "
                                                    "ovrsmplng=\"1\" showset=\"1\"");
    varied[7] = program("x16", "model=\"0\" in=\"0\" out=\"0\" stro=\"0\" gain=\"1\" trbl=\"1\" mdl=\"1\" bas=\"0\" "
                               "ovrsmplng=\"0.25\" showset=\"0\"");

    std::vector<std::string> many = twelve;
    many.push_back(program("13 extra", defaults));
    many.insert(many.begin() + 3, "<other/>");

    const std::string full = bank(0, twelve);
    return {
        {"default-bank", stateChunk(full)},
        {"varied-on-7", stateChunk(bank(7, varied))},
        {"mixed-case", stateChunk("<ZUB CProg=\"2\"><Programs><PROGRAM ProgramName=\"Loud\" GAIN=\"1\" Out=\"0.9\"/>"
                                  "</Programs></ZUB>")},
        {"no-programs", stateChunk("<zub cprog=\"3\"/>")},
        {"name-only", stateChunk(bank(1, {program("Only a name", ""), "<program/>"}))},
        {"long-length", stateChunk(full, static_cast<long>(full.size()) + 4096)},
        {"thirteen", stateChunk(bank(11, many))},
        // Malformed UTF-8: a stray lead byte in a name, and a text that ends inside sequences that
        // announce more bytes than there are (the framework's parser once read past such a text).
        {"stray-lead-byte", stateChunk(bank(6, {program("7 def\xE1ult", defaults)}))},
        {"malformed-tail", stateChunk("<zub cprog=\"1\"><programs><program/></progra\xFF\xFF\xFF\xFF\xFF\xFF\t >")},
    };
}

} // namespace ravlin::fuzz
