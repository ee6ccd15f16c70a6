// Parameter quantisation, reported values, texts and the output gain table.
#include "plugin/ParameterTable.h"
#include "plugin/ProgramRecord.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace ravlin::plugin;

namespace {
std::string textFor(int index, float x)
{
    ProgramRecord r;
    r.setValue(index, x);
    return r.getValueText(index);
}
} // namespace

TEST(ParameterTable, NumericTextsOfTheExamples)
{
    EXPECT_EQ(textFor(gain, 0.5f), "0.50=>8");
    EXPECT_EQ(textFor(input, 0.5f), "0.50=>24.5");
    EXPECT_EQ(textFor(input, 0.3f), "0.30=>14.7");
    EXPECT_EQ(textFor(treble, 0.3f), "0.29=>4");
    EXPECT_EQ(textFor(output, 1.0f), "1.00=>49");
    // Gain 2 reports exactly 0.125: the half is rounded up.
    EXPECT_EQ(textFor(gain, 0.125f), "0.13=>2");
}

TEST(ParameterTable, WordsAndSwitchThresholds)
{
    EXPECT_EQ(textFor(oversampling, 1.0f), "x16");
    EXPECT_EQ(textFor(oversampling, 0.99f), "x8");
    EXPECT_EQ(textFor(oversampling, 0.25f), "x2");
    EXPECT_EQ(textFor(oversampling, 0.0f), "none");
    EXPECT_EQ(textFor(dualTriodes, 0.5f), "Aged  12ax7");
    EXPECT_EQ(textFor(dualTriodes, 0.49f), "Fresh 12ax7");
    EXPECT_EQ(textFor(monoStereo, 0.5f), "Stereo");
    EXPECT_EQ(textFor(monoStereo, 0.49f), "Mono");
    EXPECT_EQ(textFor(showSettings, 1.0f), "true");
    EXPECT_EQ(quantise(monoStereo, 0.5f), 1.0f);
    EXPECT_EQ(quantise(monoStereo, 0.49f), 0.0f);
    EXPECT_EQ(valueText(10, 0.0f), "");
}

TEST(ParameterTable, StoredAndReportedValues)
{
    ProgramRecord r;
    EXPECT_TRUE(r.setValue(input, 0.3f));
    EXPECT_EQ(r.values[input], 0.3f * 49.0f); // unrounded
    EXPECT_FLOAT_EQ(r.getValue(input), 0.3f);
    EXPECT_TRUE(r.setValue(treble, 0.3f));
    EXPECT_EQ(r.values[treble], 4.0f);
    EXPECT_EQ(r.getValue(treble), 4.0f / 14.0f);
    EXPECT_TRUE(r.setValue(gain, 0.5f));
    EXPECT_FALSE(r.setValue(gain, 0.5f)) << "an equal stored value is not a change";
    EXPECT_FALSE(r.setValue(gain, 0.53f)) << "0.53 also quantises to 8";
    EXPECT_EQ(r.getValue(gain), 0.5f);
    EXPECT_FALSE(r.setValue(10, 1.0f));
    EXPECT_EQ(r.getValue(10), 0.0f);
    EXPECT_EQ(r.getValueText(-1), "");
}

TEST(ParameterTable, OutOfRangeAndNaNStayWithinTheSteps)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (float x : {nan, -inf, -5.0f, 1.5f, 1e30f, inf})
    {
        EXPECT_GE(quantise(dualTriodes, x), 0.0f);
        EXPECT_LE(quantise(dualTriodes, x), 1.0f);
        EXPECT_LE(quantise(gain, x), 16.0f);
        EXPECT_LE(quantise(oversampling, x), 4.0f);
        EXPECT_LE(quantise(output, x), 49.0f);
        EXPECT_GE(quantise(output, x), 0.0f);
        ProgramRecord r;
        r.setValue(output, x);
        r.setValue(dualTriodes, x);
        r.setValue(oversampling, x);
        EXPECT_TRUE(std::isfinite(outputGainFor(r.stored(output))));
        EXPECT_TRUE(r.valveSet() == 0 || r.valveSet() == 1);
        EXPECT_LE(r.factorCode(), 4);
    }
    EXPECT_EQ(quantise(gain, nan), 0.0f);
    EXPECT_EQ(quantise(gain, 2.0f), 16.0f);
    // Stored values that never came through quantise (a corrupt record) still index safely.
    EXPECT_EQ(storedIndex(nan, 49), 0);
    EXPECT_EQ(storedIndex(1e30f, 49), 49);
    EXPECT_EQ(storedIndex(-3.0f, 4), 0);
    EXPECT_EQ(outputGainFor(1e30f), outputGainFor(49.0f));
}

TEST(ParameterTable, NoStoredOrReportedValueIsANegativeZero)
{
    // A negative zero prints as "-0", which reads back as +0: it would not survive a saved state.
    for (int i = 0; i < numParameters; ++i)
        for (float x : {-0.0f, 0.0f, -1e-30f, -std::numeric_limits<float>::denorm_min(), 1e-30f, 0.01f})
        {
            EXPECT_FALSE(std::signbit(quantise(i, x))) << "parameter " << i << " x " << x;
            EXPECT_FALSE(std::signbit(reportedValue(i, quantise(i, x)))) << "parameter " << i << " x " << x;
        }
}

TEST(ParameterTable, OutputGainTableAndGains)
{
    EXPECT_FLOAT_EQ(outputGainTable[0], 0.47097734f);
    EXPECT_FLOAT_EQ(outputGainTable[24], 1.678804f);
    EXPECT_FLOAT_EQ(outputGainTable[49], 6.3095737f);
    for (std::size_t i = 1; i < outputGainTable.size(); ++i)
        EXPECT_NEAR(20.0 * std::log10(outputGainTable[i] / outputGainTable[i - 1]), 0.46, 1e-5);
    EXPECT_NEAR(outputGainFor(24.5f), 0.0048660987, 1e-9);
    EXPECT_DOUBLE_EQ(inputGainFor(24.5f), 1.5);
    EXPECT_DOUBLE_EQ(outputGainFor(49.0f), static_cast<double>(outputGainTable[49]) / 345.0);
    EXPECT_DOUBLE_EQ(outputGainFor(0.0f), static_cast<double>(outputGainTable[0]) / 345.0);
}

TEST(ParameterTable, PositionsAndNames)
{
    ProgramRecord r = ProgramRecord::defaultProgram();
    EXPECT_EQ(r.tonePosition(), 1687u);
    r.setValue(treble, 8.0f / 14.0f);
    EXPECT_EQ(r.tonePosition(), 1912u);
    EXPECT_EQ(r.gainPosition(), 8u);
    EXPECT_STREQ(parameterName(0), "Dual Triodes");
    EXPECT_STREQ(parameterName(9), "Show settings");
    EXPECT_STREQ(parameterName(10), "");
    for (int i = 0; i < numParameters; ++i)
        for (int j = i + 1; j < numParameters; ++j)
            EXPECT_STRNE(parameterId(i), parameterId(j));
    ProgramRecord fresh;
    EXPECT_EQ(fresh.name, "default");
    EXPECT_EQ(fresh.values[input], 25.0f);
}

TEST(ParameterTable, EveryStoredStepIsReportedAsAHostValueThatStoresItAgain)
{
    // What the editor and the renderer rely on: a reported value goes back to its own step.
    for (int i = 0; i < numParameters; ++i)
    {
        if (parameterKind(i) == ParameterKind::continuous)
            continue;
        const int last = static_cast<int>(storedMaximum(i));
        for (int k = 0; k <= last; ++k)
            EXPECT_EQ(quantise(i, reportedValue(i, static_cast<float>(k))), static_cast<float>(k))
                << parameterName(i) << " step " << k;
        EXPECT_EQ(reportedValue(i, storedMaximum(i)), 1.0f) << parameterName(i);
    }
    // Input and Output: every whole stored value (the editor's bar steps) comes back as itself.
    for (int i : {input, output})
        for (int k = 0; k <= 49; ++k)
            EXPECT_FLOAT_EQ(quantise(i, reportedValue(i, static_cast<float>(k))), static_cast<float>(k));
}

TEST(ParameterTable, ValidUtf8KeepsWellFormedTextAndReplacesEveryMalformedByte)
{
    const std::string replacement = "\xEF\xBF\xBD";
    // Well-formed: ASCII, two-, three- and four-byte sequences at their limits.
    for (const std::string& ok : {std::string("Crunch <&>"), std::string("\xC3\xA9\xDF\xBF"),
                                  std::string("\xE0\xA0\x80\xED\x9F\xBF\xEF\xBF\xBF"),
                                  std::string("\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"), std::string()})
        EXPECT_EQ(validUtf8(ok), ok);
    // A lead byte followed by ASCII: only the lead byte goes.
    EXPECT_EQ(validUtf8("7 def\xE1ult"), "7 def" + replacement + "ult");
    // Bytes that never start a sequence, overlong forms, surrogates, values above U+10FFFF.
    EXPECT_EQ(validUtf8("\xFF\xFE"), replacement + replacement);
    EXPECT_EQ(validUtf8("\xC0\x80"), replacement + replacement);
    EXPECT_EQ(validUtf8("\xE0\x9F\xBF"), replacement + replacement + replacement);
    EXPECT_EQ(validUtf8("\xED\xA0\x80"), replacement + replacement + replacement);
    EXPECT_EQ(validUtf8("\xF4\x90\x80\x80"), replacement + replacement + replacement + replacement);
    // A sequence cut off by the end of the text.
    EXPECT_EQ(validUtf8("ab\xE2\x82"), "ab" + replacement + replacement);
    // Latin-1 text as an older host may send it.
    EXPECT_EQ(validUtf8("Cr\xE8me"), "Cr" + replacement + "me");
}

TEST(ParameterTable, StorableNameReplacesWhatXmlCannotCarry)
{
    const std::string replacement = "\xEF\xBF\xBD";
    // Tab, line feed, carriage return, DEL, C1 controls, the last characters before and after
    // U+FFFE and U+FFFF, and a four-byte character all stay.
    for (const std::string& ok : {std::string("a\tb\nc\rd\x7F"), std::string("\xC2\x85\xEF\xBF\xBD"),
                                  std::string("\xF4\x8F\xBF\xBF"), std::string("\xEF\xBE\xBF\xEF\xBF\xBD")})
        EXPECT_EQ(storableName(ok), ok);
    EXPECT_EQ(storableName(std::string("\x01x\x1F", 3)), replacement + "x" + replacement);
    EXPECT_EQ(storableName("\xEF\xBF\xBE\xEF\xBF\xBF"), replacement + replacement);
    // Malformed bytes are replaced as validUtf8 replaces them.
    EXPECT_EQ(storableName("Cr\xE8me\x02"), "Cr" + replacement + "me" + replacement);
}
