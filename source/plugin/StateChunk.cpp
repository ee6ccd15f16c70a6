#include "plugin/StateChunk.h"

#include "plugin/XmlCheck.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace ravlin::plugin {
namespace {
/** Attribute name in the document for each parameter, and its value when absent. */
struct SavedValue
{
    const char* attribute;
    Parameter parameter;
    double absent;
};

/** Written in this order after "programname". */
constexpr SavedValue savedValues[numParameters] = {
    {"model", dualTriodes, 0.0},   {"in", input, 0.5},  {"out", output, 0.5},
    {"stro", monoStereo, 0.0},     {"gain", gain, 0.5}, {"trbl", treble, 0.5},
    {"mdl", middle, 0.5},          {"bas", bass, 0.5},  {"ovrsmplng", oversampling, 0.0},
    {"showset", showSettings, 0.0}};

/** A float widened to double in general notation, enough digits to read back the same float. */
juce::String numberText(float value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", static_cast<double>(value));
    return text;
}

const juce::String* findAttribute(const juce::XmlElement& e, const char* name)
{
    for (int i = 0; i < e.getNumAttributes(); ++i)
        if (e.getAttributeName(i).equalsIgnoreCase(name))
            return &e.getAttributeValue(i);
    return nullptr;
}

/** A saved number, limited to the host range before it is narrowed to float. NaN, "-0.0" and
    anything below zero read as +0: a negative zero would be saved as "-0", which reads as +0, so
    the state handed back would not read to itself. */
float savedHostValue(const juce::XmlElement& e, const SavedValue& v)
{
    const juce::String* text = findAttribute(e, v.attribute);
    double x = text != nullptr ? text->getDoubleValue() : v.absent;
    if (!(x > 0.0))
        x = 0.0;
    if (x > 1.0)
        x = 1.0;
    return static_cast<float>(x);
}

void readProgram(const juce::XmlElement& e, ProgramRecord& record)
{
    const juce::String* name = findAttribute(e, "programname");
    record.name = name != nullptr ? storableName(name->toStdString()) : std::string("Not Saved");
    for (const auto& v : savedValues)
        record.values[static_cast<std::size_t>(v.parameter)] = quantise(v.parameter, savedHostValue(e, v));
}
} // namespace

std::unique_ptr<juce::XmlElement> bankToXml(const Bank& bank, int currentProgram)
{
    auto root = std::make_unique<juce::XmlElement>("zub");
    root->setAttribute("cprog", currentProgram);
    root->setAttribute("version", 1);
    auto* programs = root->createNewChildElement("programs");
    for (const auto& record : bank)
    {
        auto* p = programs->createNewChildElement("program");
        p->setAttribute("programname", juce::String::fromUTF8(record.name.c_str()));
        for (const auto& v : savedValues)
            p->setAttribute(v.attribute, numberText(record.getValue(v.parameter)));
    }
    return root;
}

void writeStateChunk(const juce::XmlElement& xml, juce::MemoryBlock& dest)
{
    dest.reset();
    {
        juce::MemoryOutputStream out(dest, false);
        out.writeInt(static_cast<int>(stateChunkMagic));
        out.writeInt(0);
        xml.writeTo(out, juce::XmlElement::TextFormat().singleLine().withoutHeader());
        out.writeByte(0);
    }
    const auto length = static_cast<juce::uint32>(dest.getSize() - 9);
    const juce::uint8 bytes[4] = {static_cast<juce::uint8>(length), static_cast<juce::uint8>(length >> 8),
                                  static_cast<juce::uint8>(length >> 16), static_cast<juce::uint8>(length >> 24)};
    dest.copyFrom(bytes, 4, 4);
}

std::unique_ptr<juce::XmlElement> readStateChunk(const void* data, int sizeInBytes)
{
    if (data == nullptr || sizeInBytes <= 8)
        return {};
    const auto* bytes = static_cast<const juce::uint8*>(data);
    if (juce::ByteOrder::littleEndianInt(bytes) != stateChunkMagic)
        return {};
    const juce::uint32 length = juce::ByteOrder::littleEndianInt(bytes + 4);
    if (length == 0 || length > static_cast<juce::uint32>(std::numeric_limits<int>::max()))
        return {};
    const auto available = static_cast<std::size_t>(sizeInBytes - 8);
    std::size_t textBytes = std::min<std::size_t>(length, available);
    // The text ends at its first zero byte, as a framework string would end it (a length field
    // larger than the data takes in the chunk's closing zero).
    if (const void* zero = std::memchr(bytes + 8, 0, textBytes))
        textBytes = static_cast<std::size_t>(static_cast<const juce::uint8*>(zero) - (bytes + 8));
    // The framework's XML parser trusts its text: it reads past the end of a text that ends
    // inside a malformed UTF-8 sequence, and loops forever on some malformed markup. So the text
    // is made well-formed UTF-8 and then must pass a strict XML check before the parser sees it.
    const std::string text = validUtf8(std::string(reinterpret_cast<const char*>(bytes + 8), textBytes));
    if (!isWellFormedXml(text))
        return {};
    return juce::parseXML(juce::String::fromUTF8(text.data(), static_cast<int>(text.size())));
}

std::optional<int> readBank(const juce::XmlElement& root, Bank& bank)
{
    if (!root.getTagName().equalsIgnoreCase("zub"))
        return std::nullopt;
    const juce::String* cprogText = findAttribute(root, "cprog");
    int cprog = cprogText != nullptr ? leadingInteger(*cprogText) : 0;
    if (cprog < 0 || cprog >= numPrograms)
        cprog = 0;

    const juce::XmlElement* programs = root.getFirstChildElement();
    if (programs != nullptr && programs->getTagName().equalsIgnoreCase("programs"))
    {
        std::size_t j = 0;
        for (const auto* e : programs->getChildIterator())
        {
            if (j >= bank.size())
                break;
            if (!e->getTagName().equalsIgnoreCase("program"))
                continue;
            readProgram(*e, bank[j++]);
        }
    }
    return cprog;
}

int leadingInteger(const juce::String& text) noexcept
{
    auto p = text.getCharPointer();
    while (p.isWhitespace())
        ++p;
    bool negative = false;
    if (*p == '-' || *p == '+')
    {
        negative = *p == '-';
        ++p;
    }
    long long value = 0;
    while (p.isDigit())
    {
        value = value * 10 + static_cast<long long>(*p - '0');
        if (value > std::numeric_limits<int>::max())
            return negative ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
        ++p;
    }
    return static_cast<int>(negative ? -value : value);
}
bool holdsBank(const void* data, int sizeInBytes)
{
    const auto xml = readStateChunk(data, sizeInBytes);
    Bank scratch{};
    return xml != nullptr && readBank(*xml, scratch).has_value();
}
} // namespace ravlin::plugin
