#include "plugin/StateChunk.h"

#include <cstdio>

namespace ravlin::plugin
{
namespace
{
/** Attribute name, parameter index and value used when the attribute is missing, in the order the
    attributes are written. */
struct SavedValue
{
    const char* attribute;
    Parameter parameter;
    double missing;
};

constexpr SavedValue savedValues[numParameters] = {
    {"model", dualTriodes, 0.0}, {"in", input, 0.5},       {"out", output, 0.5},         {"stro", monoStereo, 0.0},
    {"gain", gain, 0.5},         {"trbl", treble, 0.5},    {"mdl", middle, 0.5},         {"bas", bass, 0.5},
    {"ovrsmplng", oversampling, 0.0}, {"showset", showSettings, 0.0}};

/** The attribute's value whatever the letter case of its name; nullptr when absent. */
const juce::String* findAttribute(const juce::XmlElement& e, const char* name)
{
    for (int i = 0; i < e.getNumAttributes(); ++i)
        if (e.getAttributeName(i).equalsIgnoreCase(name))
            return &e.getAttributeValue(i);
    return nullptr;
}

bool hasTag(const juce::XmlElement& e, const char* tag) { return e.getTagName().equalsIgnoreCase(tag); }

void readProgram(const juce::XmlElement& e, ProgramRecord& record)
{
    const juce::String* name = findAttribute(e, "programname");
    record.name = name != nullptr ? name->toStdString() : std::string("Not Saved");
    for (const SavedValue& v : savedValues)
    {
        const juce::String* text = findAttribute(e, v.attribute);
        const double value = text != nullptr ? text->getDoubleValue() : v.missing;
        record.values[static_cast<std::size_t>(v.parameter)] = quantise(v.parameter, static_cast<float>(value));
    }
}
} // namespace

juce::String formatValue(float reported)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", static_cast<double>(reported));
    return text;
}

std::unique_ptr<juce::XmlElement> bankToXml(const ProgramBank& bank, int currentProgram)
{
    auto root = std::make_unique<juce::XmlElement>("zub");
    root->setAttribute("cprog", currentProgram);
    root->setAttribute("version", 1);
    auto* programs = new juce::XmlElement("programs");
    for (const ProgramRecord& record : bank)
    {
        auto* p = new juce::XmlElement("program");
        p->setAttribute("programname", juce::String::fromUTF8(record.name.c_str()));
        for (const SavedValue& v : savedValues)
            p->setAttribute(v.attribute, formatValue(record.getValue(v.parameter)));
        programs->addChildElement(p);
    }
    root->addChildElement(programs);
    return root;
}

BankReadResult xmlToBank(const juce::XmlElement* document, ProgramBank& bank)
{
    BankReadResult result;
    if (document == nullptr || !hasTag(*document, "zub"))
        return result;
    result.applied = true;
    const juce::String* cprog = findAttribute(*document, "cprog");
    const int requested = cprog != nullptr ? cprog->getIntValue() : 0;
    result.currentProgram = requested >= 0 && requested < numPrograms ? requested : 0;

    const juce::XmlElement* programs = document->getFirstChildElement();
    if (programs == nullptr || !hasTag(*programs, "programs"))
        return result;
    for (const juce::XmlElement* e = programs->getFirstChildElement(); e != nullptr && result.programsRead < numPrograms;
         e = e->getNextElement())
        if (hasTag(*e, "program"))
            readProgram(*e, bank[static_cast<std::size_t>(result.programsRead++)]);
    return result;
}
} // namespace ravlin::plugin
