// What the plug-in carries inside: every picture decodes at the size the editor's layout needs,
// and the default bank text holds the twelve default programs.
#include "editor/EditorImages.h"

#include <RavlinResources.h>

#include <gtest/gtest.h>

namespace ravlin::test {
TEST(Resources, EveryPictureDecodesAtItsLayoutSize)
{
    const EditorImages images;
    struct Expected
    {
        const juce::Image* image;
        int width, height;
        const char* name;
    };
    const Expected expected[] = {
        {&images.backgroundImage, 460, 736, "background"},
        {&images.valveGlowStrip, 460, 8832, "valve glow"},
        {&images.valveGlowBlurredStrip, 460, 8832, "blurred valve glow"},
        {&images.monoStereoImage, 37, 44, "mono/stereo"},
        {&images.barStrip50, 208, 1150, "bar strip 50"},
        {&images.barStrip17, 208, 391, "bar strip 17"},
        {&images.barStrip15, 208, 345, "bar strip 15"},
        {&images.oversamplingStrip, 152, 145, "oversampling"},
        {&images.freshFrameNormal, 74, 21, "fresh normal"},
        {&images.freshFrameOver, 74, 21, "fresh over"},
        {&images.agedFrameNormal, 76, 21, "aged normal"},
        {&images.agedFrameOver, 76, 21, "aged over"},
    };
    for (const auto& e : expected)
    {
        ASSERT_TRUE(e.image->isValid()) << e.name;
        EXPECT_EQ(e.image->getWidth(), e.width) << e.name;
        EXPECT_EQ(e.image->getHeight(), e.height) << e.name;
    }
    // The overlay and the controls need transparency; the full-window strips are opaque pictures.
    EXPECT_TRUE(images.backgroundImage.hasAlphaChannel());
    EXPECT_TRUE(images.barStrip50.hasAlphaChannel());
    EXPECT_FALSE(images.valveGlowStrip.hasAlphaChannel());
}

TEST(Resources, GlowFramesBrightenFromFirstToLast)
{
    const EditorImages images;
    auto brightness = [](const juce::Image& strip, int frame) {
        double total = 0.0;
        for (int y = 0; y < 368; y += 4)
            for (int x = 0; x < 460; x += 4)
                total += strip.getPixelAt(x, frame * 368 + y).getBrightness();
        return total;
    };
    for (int frame = 1; frame < 24; ++frame)
        EXPECT_GT(brightness(images.valveGlowStrip, frame), brightness(images.valveGlowStrip, frame - 1))
            << "frame " << frame;
    // The upper half of the overlay is almost clear; the lower half is the panel.
    auto alpha = [&images](int y0) {
        double total = 0.0;
        for (int y = y0 + 40; y < y0 + 330; y += 3)
            for (int x = 0; x < 460; x += 3)
                total += images.backgroundImage.getPixelAt(x, y).getFloatAlpha();
        return total;
    };
    EXPECT_LT(alpha(0), 0.05 * alpha(368));
}

TEST(Resources, DefaultBankHoldsTwelveDefaultPrograms)
{
    const auto text = juce::String::fromUTF8(RavlinResources::DefaultBank_xml, RavlinResources::DefaultBank_xmlSize);
    const auto root = juce::parseXML(text);
    ASSERT_NE(root, nullptr);
    EXPECT_TRUE(root->hasTagName("zub"));
    EXPECT_EQ(root->getStringAttribute("cprog"), "0");
    EXPECT_EQ(root->getStringAttribute("version"), "1");
    const auto* programs = root->getFirstChildElement();
    ASSERT_NE(programs, nullptr);
    EXPECT_TRUE(programs->hasTagName("programs"));
    int count = 0;
    for (const auto* program : programs->getChildIterator())
    {
        ++count;
        EXPECT_TRUE(program->hasTagName("program"));
        EXPECT_EQ(program->getStringAttribute("programname"), juce::String(count) + " default");
        const char* names[] = {"gain", "ovrsmplng", "in", "out", "stro", "model", "trbl", "mdl", "bas", "showset"};
        const char* values[] = {"0.5", "0.0", "0.5", "0.5", "0.0", "0.0", "0.5", "0.5", "0.5", "0.0"};
        ASSERT_EQ(program->getNumAttributes(), 11);
        EXPECT_EQ(program->getAttributeName(0), "programname");
        for (int a = 0; a < 10; ++a)
        {
            EXPECT_EQ(program->getAttributeName(a + 1), names[a]);
            EXPECT_EQ(program->getAttributeValue(a + 1), values[a]);
        }
    }
    EXPECT_EQ(count, 12);
}
} // namespace ravlin::test
