// The state chunk: layout, round trip, and every malformed or partial document.
#include "Regressions.h"
#include "TestProcessor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>

using namespace ravlin;
using namespace ravlin::test;

namespace {
juce::MemoryBlock chunkOf(const juce::String& xmlText)
{
    juce::MemoryBlock block;
    const juce::uint8 header[8] = {0x56, 0x43, 0x32, 0x21, 0, 0, 0, 0};
    block.append(header, 8);
    const auto utf8 = xmlText.toUTF8();
    const auto n = static_cast<juce::uint32>(std::strlen(utf8));
    block.append(utf8.getAddress(), n);
    block.append("\0", 1);
    const juce::uint8 length[4] = {static_cast<juce::uint8>(n), static_cast<juce::uint8>(n >> 8),
                                   static_cast<juce::uint8>(n >> 16), static_cast<juce::uint8>(n >> 24)};
    block.copyFrom(length, 4, 4);
    return block;
}

/** A chunk around raw text bytes, which need not be UTF-8. */
juce::MemoryBlock chunkOfBytes(const std::string& bytes)
{
    juce::MemoryBlock block;
    const auto n = static_cast<juce::uint32>(bytes.size());
    const juce::uint8 header[8] = {0x56,
                                   0x43,
                                   0x32,
                                   0x21,
                                   static_cast<juce::uint8>(n),
                                   static_cast<juce::uint8>(n >> 8),
                                   static_cast<juce::uint8>(n >> 16),
                                   static_cast<juce::uint8>(n >> 24)};
    block.append(header, 8);
    block.append(bytes.data(), bytes.size());
    block.append("\0", 1);
    return block;
}

void load(TestProcessor& p, const juce::MemoryBlock& b)
{
    p.setStateInformation(b.getData(), static_cast<int>(b.getSize()));
}

std::string text(const juce::MemoryBlock& b)
{
    return std::string(static_cast<const char*>(b.getData()) + 8, b.getSize() - 9);
}
} // namespace

TEST(StateChunk, LayoutOfAFreshBank)
{
    TestProcessor p;
    juce::MemoryBlock b;
    p.getStateInformation(b);
    ASSERT_GT(b.getSize(), 9u);
    const auto* bytes = static_cast<const juce::uint8*>(b.getData());
    EXPECT_EQ(bytes[0], 0x56);
    EXPECT_EQ(bytes[1], 0x43);
    EXPECT_EQ(bytes[2], 0x32);
    EXPECT_EQ(bytes[3], 0x21);
    const juce::uint32 n = juce::ByteOrder::littleEndianInt(bytes + 4);
    EXPECT_EQ(n + 9u, b.getSize());
    EXPECT_EQ(bytes[b.getSize() - 1], 0);
    const std::string xml = text(b);
    EXPECT_EQ(xml.find('\n'), std::string::npos);
    EXPECT_EQ(xml.find("<?xml"), std::string::npos);
    EXPECT_EQ(xml.rfind("<zub cprog=\"0\" version=\"1\"><programs><program programname=\"1 default\" model=\"0\" "
                        "in=\"0.5\" out=\"0.5\" stro=\"0\" gain=\"0.5\" trbl=\"0.5\" mdl=\"0.5\" bas=\"0.5\" "
                        "ovrsmplng=\"0\" showset=\"0\"/><program programname=\"2 default\"",
                        0),
              0u)
        << xml;
    EXPECT_NE(xml.find("programname=\"12 default\""), std::string::npos);
    EXPECT_EQ(xml.substr(xml.size() - 19), "/></programs></zub>");
}

TEST(StateChunk, BankRoundTripsBitExactly)
{
    TestProcessor a;
    a.setCurrentProgram(5);
    a.setParameter(1, 0.3f);
    a.setParameter(3, 0.3f);
    a.setParameter(7, 0.75f);
    a.setParameter(0, 1.0f);
    a.setParameter(6, 0.123456789f);
    a.changeProgramName(5, juce::String::fromUTF8("Crunch <&> \"\xc3\xa9\""));
    a.changeProgramName(2, "");
    juce::MemoryBlock saved;
    a.getStateInformation(saved);

    TestProcessor b;
    load(b, saved);
    EXPECT_EQ(b.getCurrentProgram(), 5);
    for (int i = 0; i < plugin::numPrograms; ++i)
    {
        EXPECT_EQ(b.getProgram(i).name, a.getProgram(i).name);
        for (int k = 0; k < plugin::numParameters; ++k)
            EXPECT_EQ(b.getProgram(i).values[static_cast<std::size_t>(k)],
                      a.getProgram(i).values[static_cast<std::size_t>(k)])
                << "program " << i << " parameter " << k;
    }
    juce::MemoryBlock again;
    b.getStateInformation(again);
    EXPECT_EQ(again, saved);
}

TEST(StateChunk, ForeignShortOrBrokenDataChangesNothing)
{
    TestProcessor p;
    p.setCurrentProgram(4);
    p.setParameter(2, 1.0f);
    juce::MemoryBlock before;
    p.getStateInformation(before);
    ChainLog::entries().clear();

    const juce::uint8 shortChunk[8] = {0x56, 0x43, 0x32, 0x21, 1, 0, 0, 0};
    p.setStateInformation(shortChunk, 8);
    p.setStateInformation(nullptr, 0);
    juce::MemoryBlock foreign = chunkOf("<zub cprog=\"1\"/>");
    static_cast<juce::uint8*>(foreign.getData())[0] = 0x57;
    load(p, foreign);
    juce::MemoryBlock zeroLength = chunkOf("<zub cprog=\"1\"/>");
    std::memset(static_cast<char*>(zeroLength.getData()) + 4, 0, 4);
    load(p, zeroLength);
    juce::MemoryBlock hugeLength = chunkOf("<zub cprog=\"1\"/>");
    std::memset(static_cast<char*>(hugeLength.getData()) + 4, 0xff, 4);
    load(p, hugeLength);
    load(p, chunkOf("this is not xml <<<"));
    load(p, chunkOf("<bank cprog=\"1\"><programs/></bank>"));

    juce::MemoryBlock after;
    p.getStateInformation(after);
    EXPECT_EQ(after, before);
    EXPECT_EQ(p.getCurrentProgram(), 4) << "a rejected chunk leaves the running program in place";
    EXPECT_TRUE(ChainLog::entries().empty()) << "no reconfiguration";
}

TEST(StateChunk, RootWithoutProgramsSelectsAndAppliesCprog)
{
    TestProcessor p;
    p.setCurrentProgram(0);
    p.setParameter(2, 1.0f); // program 0 Gain 16; program 3 stays at 8
    juce::MemoryBlock before;
    p.getStateInformation(before);
    ChainLog::entries().clear();
    load(p, chunkOf("<zub cprog=\"3\"/>"));
    EXPECT_EQ(p.getCurrentProgram(), 3);
    EXPECT_EQ(ChainLog::loads().size(), 8u);
    EXPECT_EQ(p.getProgram(0).values[plugin::gain], 16.0f) << "bank unchanged";
    load(p, chunkOf("<zub cprog=\"2\"><other/><programs/></zub>"));
    EXPECT_EQ(p.getCurrentProgram(), 2);
}

TEST(StateChunk, CprogOutsideTheBankFallsBackToZero)
{
    TestProcessor p;
    for (const char* c : {"12", "-1", "99999999999999999999", "abc", ""})
    {
        p.setCurrentProgram(7);
        load(p, juce::MemoryBlock(chunkOf(juce::String("<zub cprog=\"") + c + "\"/>")));
        EXPECT_EQ(p.getCurrentProgram(), 0) << c;
    }
    load(p, chunkOf("<zub cprog=\" 11xyz\"/>"));
    EXPECT_EQ(p.getCurrentProgram(), 11);
}

TEST(StateChunk, MissingAttributesTakeDefaultsAndNamesFallBack)
{
    TestProcessor p;
    p.setParameter(2, 0.0f);
    p.setParameter(8, 1.0f);
    load(p, chunkOf("<zub cprog=\"0\"><programs><program programname=\"Only name\"/><program gain=\"1\"/>"
                    "<program programname=\"\" model=\"0.5\" stro=\"1.4999\" gain=\"oops\"/></programs></zub>"));
    const auto& a = p.getProgram(0);
    EXPECT_EQ(a.name, "Only name");
    const auto def = plugin::ProgramRecord::defaultProgram();
    EXPECT_EQ(a.values, def.values);
    EXPECT_EQ(p.getProgram(1).name, "Not Saved");
    EXPECT_EQ(p.getProgram(1).values[plugin::gain], 16.0f);
    const auto& c = p.getProgram(2);
    EXPECT_EQ(c.name, "");
    EXPECT_EQ(c.values[plugin::dualTriodes], 1.0f);
    EXPECT_EQ(c.values[plugin::monoStereo], 1.0f);
    EXPECT_EQ(c.values[plugin::gain], 0.0f) << "not a number reads as 0";
    EXPECT_EQ(p.getProgram(3).name, "4 default") << "programs the document does not reach keep their contents";
}

TEST(StateChunk, CaseInsensitiveNamesExtraProgramsAndForeignElements)
{
    TestProcessor p;
    juce::String programs;
    programs << "<Other gain=\"1\"/>";
    for (int i = 0; i < 14; ++i)
        programs << "<PROGRAM ProgramName=\"p" << i << "\" GAIN=\"0.25\"/>";
    load(p, chunkOf("<ZUB CPROG=\"1\"><Programs>" + programs + "</Programs></ZUB>"));
    EXPECT_EQ(p.getCurrentProgram(), 1);
    EXPECT_EQ(p.getProgram(0).name, "p0");
    EXPECT_EQ(p.getProgram(11).name, "p11");
    EXPECT_EQ(p.getProgram(11).values[plugin::gain], 4.0f);
}

TEST(StateChunk, LengthBeyondTheDataParsesTheBytesPresent)
{
    TestProcessor p;
    juce::MemoryBlock b = chunkOf("<zub cprog=\"6\"/>");
    const juce::uint8 big[4] = {0x00, 0x10, 0, 0};
    b.copyFrom(big, 4, 4);
    load(p, b);
    EXPECT_EQ(p.getCurrentProgram(), 6);
}

TEST(StateChunk, SavedValuesOutsideTheRangeAreLimited)
{
    TestProcessor p;
    load(p, chunkOf("<zub cprog=\"0\"><programs><program programname=\"x\" model=\"7\" out=\"1e300\" in=\"-4\" "
                    "gain=\"2\" ovrsmplng=\"nan\" trbl=\"inf\"/></programs></zub>"));
    const auto& r = p.getProgram(0);
    EXPECT_EQ(r.values[plugin::dualTriodes], 1.0f);
    EXPECT_EQ(r.values[plugin::output], 49.0f);
    EXPECT_EQ(r.values[plugin::input], 0.0f);
    EXPECT_EQ(r.values[plugin::gain], 16.0f);
    EXPECT_LE(r.values[plugin::oversampling], 4.0f);
    EXPECT_LE(r.values[plugin::treble], 14.0f);
    EXPECT_TRUE(std::isfinite(p.getOutputGain()));
}

TEST(StateChunk, LoadSendsAChangeMessage)
{
    TestProcessor p;
    ChangeCounter counter;
    p.addChangeListener(&counter);
    load(p, chunkOf("<zub cprog=\"2\"/>"));
    p.dispatchPendingMessages();
    EXPECT_EQ(counter.count, 1);
    load(p, chunkOf("junk"));
    p.dispatchPendingMessages();
    EXPECT_EQ(counter.count, 1);
    p.removeChangeListener(&counter);
}

TEST(StateChunk, MutatedChunksKeepEveryValueInRange)
{
    TestProcessor p;
    p.setParameter(7, 0.5f);
    juce::MemoryBlock valid;
    p.getStateInformation(valid);
    juce::Random random(20261209);
    const float limits[plugin::numParameters] = {1, 49, 16, 14, 14, 14, 49, 4, 1, 1};
    for (int round = 0; round < 600; ++round)
    {
        juce::MemoryBlock m(valid);
        auto* bytes = static_cast<juce::uint8*>(m.getData());
        const int edits = 1 + random.nextInt(8);
        for (int e = 0; e < edits; ++e)
            bytes[random.nextInt(static_cast<int>(m.getSize()))] = static_cast<juce::uint8>(random.nextInt(256));
        const int size =
            random.nextBool() ? static_cast<int>(m.getSize()) : random.nextInt(static_cast<int>(m.getSize()));
        p.setStateInformation(m.getData(), size);
        ASSERT_GE(p.getCurrentProgram(), 0);
        ASSERT_LT(p.getCurrentProgram(), plugin::numPrograms);
        for (int i = 0; i < plugin::numPrograms; ++i)
            for (int k = 0; k < plugin::numParameters; ++k)
            {
                const float v = p.getProgram(i).values[static_cast<std::size_t>(k)];
                ASSERT_TRUE(v >= 0.0f && v <= limits[k]) << "program " << i << " parameter " << k << " = " << v;
            }
        ASSERT_TRUE(std::isfinite(p.getOutputGain()));
        ASSERT_TRUE(std::isfinite(p.getInputGain()));
    }
}

TEST(StateChunk, MalformedUtf8InNamesIsReadAsReplacementCharactersAndRoundTrips)
{
    const std::string replacement = "\xEF\xBF\xBD";
    TestProcessor a;
    // A name with a stray lead byte and one with a Latin-1 letter.
    load(a, chunkOfBytes("<zub cprog=\"1\"><programs><program programname=\"7 def\xE1ult\"/>"
                         "<program programname=\"Cr\xE8me\"/></programs></zub>"));
    ASSERT_EQ(a.getCurrentProgram(), 1);
    EXPECT_EQ(a.getProgram(0).name, "7 def" + replacement + "ult");
    EXPECT_EQ(a.getProgram(1).name, "Cr" + replacement + "me");
    // A character reference to a surrogate names no character: the document is not XML and is refused.
    load(a, chunkOfBytes("<zub cprog=\"2\"><programs><program programname=\"s&#xD800;\"/></programs></zub>"));
    EXPECT_EQ(a.getCurrentProgram(), 1);
    EXPECT_EQ(a.getProgram(0).name, "7 def" + replacement + "ult");
    // A host that renames a program with Latin-1 bytes.
    a.changeProgramName(3, juce::String(juce::CharPointer_UTF8("Fl\xFBte")));
    EXPECT_EQ(a.getProgram(3).name, "Fl" + replacement + "te");

    juce::MemoryBlock saved;
    a.getStateInformation(saved);
    TestProcessor b;
    load(b, saved);
    for (int i = 0; i < plugin::numPrograms; ++i)
        EXPECT_EQ(b.getProgram(i).name, a.getProgram(i).name) << "program " << i;
    juce::MemoryBlock again;
    b.getStateInformation(again);
    EXPECT_EQ(again, saved);
}

TEST(StateChunk, ChunksThatOnceBrokeTheFuzzTargetReturnAtOnceAndKeepItsRules)
{
    // Refused chunks change nothing; accepted ones give a state that reads back to itself.
    int refused = 0, accepted = 0;
    for (const auto& [name, bytes] : ravlin::fuzz::regressionInputs("state"))
    {
        TestProcessor p;
        p.setCurrentProgram(4);
        p.setParameter(2, 1.0f);
        juce::MemoryBlock before;
        p.getStateInformation(before);
        ChainLog::entries().clear();

        auto done = std::async(std::launch::async, [&p, data = bytes] {
            p.setStateInformation(data.data(), static_cast<int>(data.size()));
        });
        if (done.wait_for(std::chrono::seconds(1)) != std::future_status::ready)
        {
            // The call is stuck for good and its thread cannot be stopped: fail loudly now rather
            // than at the test runner's time-out.
            std::fprintf(stderr, "setStateInformation did not return within a second on %s\n", name.c_str());
            std::_Exit(1);
        }
        done.get();

        juce::MemoryBlock after;
        p.getStateInformation(after);
        if (!plugin::holdsBank(bytes.data(), static_cast<int>(bytes.size())))
        {
            ++refused;
            EXPECT_EQ(after, before) << name;
            EXPECT_EQ(p.getCurrentProgram(), 4) << name;
            EXPECT_TRUE(ChainLog::entries().empty()) << name << ": no reconfiguration";
            continue;
        }
        ++accepted;
        TestProcessor replay;
        load(replay, after);
        juce::MemoryBlock again;
        replay.getStateInformation(again);
        EXPECT_EQ(text(again), text(after)) << name;
        EXPECT_EQ(replay.getCurrentProgram(), p.getCurrentProgram()) << name;
        for (int i = 0; i < plugin::numPrograms; ++i)
        {
            EXPECT_EQ(replay.getProgram(i).name, p.getProgram(i).name) << name << " program " << i;
            for (int k = 0; k < plugin::numParameters; ++k)
                EXPECT_EQ(std::signbit(replay.getProgram(i).values[static_cast<std::size_t>(k)]),
                          std::signbit(p.getProgram(i).values[static_cast<std::size_t>(k)]))
                    << name << " program " << i << " parameter " << k;
        }
    }
    EXPECT_GT(refused, 0) << "the table holds refused chunks";
    EXPECT_GT(accepted, 0) << "the table holds accepted chunks";
}

TEST(StateChunk, NegativeZeroInAnySavedValueIsStoredAsZeroAndReadsBackToItself)
{
    // The reduced fuzz finding: program 1 with Treble saved as "-0.0".
    const auto inputs = ravlin::fuzz::regressionInputs("state");
    const auto found = std::find_if(inputs.begin(), inputs.end(),
                                    [](const auto& in) { return in.first == "regression-negative-zero-treble"; });
    ASSERT_NE(found, inputs.end());
    TestProcessor a;
    a.setStateInformation(found->second.data(), static_cast<int>(found->second.size()));
    const float treble = a.getProgram(0).stored(plugin::treble);
    EXPECT_EQ(treble, 0.0f);
    EXPECT_FALSE(std::signbit(treble));
    juce::MemoryBlock saved;
    a.getStateInformation(saved);
    EXPECT_NE(text(saved).find("trbl=\"0\""), std::string::npos) << text(saved);
    TestProcessor b;
    load(b, saved);
    juce::MemoryBlock again;
    b.getStateInformation(again);
    EXPECT_EQ(again, saved);

    // Every saved value, in each spelling of a negative zero the number reader keeps as one.
    const char* const attributes[] = {"model", "in",  "out", "stro",      "gain",
                                      "trbl",  "mdl", "bas", "ovrsmplng", "showset"};
    for (const char* zero : {"-0.0", "-.0", "-0e0", "-0.000", " -0.0"})
    {
        juce::String program = "<program programname=\"z\"";
        for (const char* attribute : attributes)
            program << " " << attribute << "=\"" << zero << "\"";
        TestProcessor c;
        load(c, chunkOf("<zub cprog=\"0\"><programs>" + program + "/></programs></zub>"));
        ASSERT_EQ(c.getProgram(0).name, "z") << zero;
        for (int k = 0; k < plugin::numParameters; ++k)
            EXPECT_FALSE(std::signbit(c.getProgram(0).values[static_cast<std::size_t>(k)]))
                << zero << " parameter " << k;
        juce::MemoryBlock cs, ds;
        c.getStateInformation(cs);
        EXPECT_EQ(text(cs).find("\"-"), std::string::npos) << zero << ": " << text(cs);
        TestProcessor d;
        load(d, cs);
        d.getStateInformation(ds);
        EXPECT_EQ(ds, cs) << zero;
    }

    // A host or editor that sends -0 stores the same +0 as for 0.
    TestProcessor h;
    for (int k = 0; k < plugin::numParameters; ++k)
    {
        h.setParameter(k, -0.0f);
        EXPECT_FALSE(std::signbit(h.getProgram(0).values[static_cast<std::size_t>(k)])) << "parameter " << k;
    }
}

TEST(StateChunk, NamesWithCharactersXmlCannotCarryAreSavedInAStateThatLoads)
{
    const std::string replacement = "\xEF\xBF\xBD";
    TestProcessor a;
    a.setCurrentProgram(2);
    a.setParameter(2, 0.25f);
    // Control characters and the two noncharacters U+FFFE and U+FFFF; tab, line feed and
    // carriage return are characters a document carries as references.
    a.changeProgramName(1, juce::String::fromUTF8("a\x01"
                                                  "b\x1F"
                                                  "c\x7F"));
    a.changeProgramName(3, juce::String::fromUTF8("x\xEF\xBF\xBEy\xEF\xBF\xBFz\xEF\xBF\xBD"));
    a.changeProgramName(4, juce::String::fromUTF8("t\tl\nr\r."));
    EXPECT_EQ(a.getProgram(1).name, "a" + replacement + "b" + replacement + "c\x7F");
    EXPECT_EQ(a.getProgram(3).name, "x" + replacement + "y" + replacement + "z" + replacement);
    EXPECT_EQ(a.getProgram(4).name, "t\tl\nr\r.");

    juce::MemoryBlock saved;
    a.getStateInformation(saved);
    ASSERT_TRUE(plugin::holdsBank(saved.getData(), static_cast<int>(saved.getSize()))) << text(saved);
    TestProcessor b;
    load(b, saved);
    EXPECT_EQ(b.getCurrentProgram(), 2);
    EXPECT_EQ(b.getProgram(2).stored(plugin::gain), 4.0f);
    for (int i = 0; i < plugin::numPrograms; ++i)
        EXPECT_EQ(b.getProgram(i).name, a.getProgram(i).name) << "program " << i;
    juce::MemoryBlock again;
    b.getStateInformation(again);
    EXPECT_EQ(again, saved);
}

TEST(StateChunk, DeeplyNestedOrDeclaredDocumentsAreRefused)
{
    TestProcessor p;
    p.setCurrentProgram(3);
    juce::MemoryBlock before;
    p.getStateInformation(before);
    std::string deep = "<zub cprog=\"1\"><programs>";
    for (int i = 0; i < 100000; ++i)
        deep += "<x>";
    for (int i = 0; i < 100000; ++i)
        deep += "</x>";
    deep += "</programs></zub>";
    load(p, chunkOfBytes(deep));
    load(p, chunkOfBytes("<!DOCTYPE zub [<!ENTITY n \"x\">]><zub cprog=\"2\"><programs><program "
                         "programname=\"&n;\"/></programs></zub>"));
    juce::MemoryBlock after;
    p.getStateInformation(after);
    EXPECT_EQ(after, before);
    EXPECT_EQ(p.getCurrentProgram(), 3);
}
