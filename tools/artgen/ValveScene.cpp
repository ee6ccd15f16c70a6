#include "ValveScene.h"

#include "ArtStyle.h"
#include "ImageBlur.h"

#include <cmath>

namespace ravlin::art {
namespace {
constexpr float chassisTop = 292.0f;
constexpr float valveCentres[] = {150.0f, 310.0f};
constexpr float glassTop = 46.0f;
constexpr float glassBottom = 298.0f;
constexpr float glassHalfWidth = 43.0f;

/** Colour of a glowing heater: dull red when weak, orange, then yellow-white when strong. */
juce::Colour heaterColour(float strength)
{
    const juce::Colour dull{0xff8a1c06};
    if (strength < 0.75f)
        return dull.interpolatedWith(colours::heater, strength / 0.75f);
    return colours::heater.interpolatedWith(juce::Colour(0xffff9a3c), (strength - 0.75f) * 4.0f);
}

void drawRoom(juce::Graphics& g, float strength)
{
    // Back wall of the cabinet: almost black, a touch warmer towards the chassis.
    g.setGradientFill(
        juce::ColourGradient(colours::night, 0.0f, 0.0f, juce::Colour(0xff1d1512), 0.0f, chassisTop, false));
    g.fillRect(0.0f, 0.0f, static_cast<float>(windowWidth), chassisTop);
    addGrain(g, {0, 0, windowWidth, static_cast<int>(chassisTop)}, 0.05f, 11);
    // Light of the heaters on the wall behind the valves.
    for (float cx : valveCentres)
        fillGlow(g, {cx, 175.0f}, 160.0f, 160.0f, heaterColour(strength).withAlpha(0.04f + 0.36f * strength));
}

void drawChassis(juce::Graphics& g, float strength)
{
    const float h = static_cast<float>(windowHeight) - chassisTop;
    juce::ColourGradient steel(juce::Colour(0xff55575c), 0.0f, chassisTop, juce::Colour(0xff17171a), 0.0f,
                               static_cast<float>(windowHeight), false);
    steel.addColour(0.15, juce::Colour(0xff3c3e43));
    g.setGradientFill(steel);
    g.fillRect(0.0f, chassisTop, static_cast<float>(windowWidth), h);
    // Brushed finish: long faint horizontal streaks.
    juce::Random random(7);
    for (int i = 0; i < 260; ++i)
    {
        const float y = chassisTop + 2.0f + random.nextFloat() * (h - 2.0f);
        const float x = random.nextFloat() * static_cast<float>(windowWidth) - 60.0f;
        const float len = 40.0f + random.nextFloat() * 160.0f;
        g.setColour((random.nextBool() ? juce::Colours::white : juce::Colours::black)
                        .withAlpha(0.03f + 0.04f * random.nextFloat()));
        g.fillRect(x, y, len, 1.0f);
    }
    // Front edge catching the light.
    g.setColour(juce::Colours::white.withAlpha(0.22f));
    g.fillRect(0.0f, chassisTop, static_cast<float>(windowWidth), 1.0f);
    g.setColour(juce::Colours::black.withAlpha(0.5f));
    g.fillRect(0.0f, chassisTop - 1.0f, static_cast<float>(windowWidth), 1.0f);

    for (float cx : valveCentres)
        fillGlow(g, {cx, chassisTop + 12.0f}, 120.0f, 26.0f,
                 heaterColour(strength).withAlpha(0.04f + 0.30f * strength));

    // Engraved maker's mark and the valve positions stamped beside the sockets.
    g.setFont(legendFont(22.0f));
    const juce::Rectangle<float> logo(18.0f, 322.0f, 200.0f, 30.0f);
    g.setColour(juce::Colours::black.withAlpha(0.65f));
    g.drawText("RAVLIN", logo, juce::Justification::centredLeft, false);
    g.setColour(juce::Colours::white.withAlpha(0.16f));
    g.drawText("RAVLIN", logo.translated(0.0f, 1.0f), juce::Justification::centredLeft, false);
    g.setFont(legendFont(9.0f));
    g.setColour(juce::Colours::white.withAlpha(0.28f));
    g.drawText("PREAMP  -  FOUR TRIODE STAGES", logo.translated(1.0f, 20.0f), juce::Justification::centredLeft, false);
    const char* stamps[] = {"V2", "V3"};
    for (int i = 0; i < 2; ++i)
    {
        g.setColour(juce::Colours::white.withAlpha(0.30f));
        g.drawText(stamps[i], juce::Rectangle<float>(valveCentres[i] + 56.0f, 306.0f, 30.0f, 12.0f),
                   juce::Justification::centredLeft, false);
    }
}

void drawSocket(juce::Graphics& g, float cx)
{
    // Ceramic socket on the chassis, seen slightly from above.
    const juce::Rectangle<float> outer(cx - 56.0f, chassisTop - 4.0f, 112.0f, 26.0f);
    g.setColour(juce::Colours::black.withAlpha(0.55f));
    g.fillEllipse(outer.translated(0.0f, 5.0f).expanded(4.0f, 2.0f));
    g.setGradientFill(juce::ColourGradient(juce::Colour(0xffcfc6b4), cx, outer.getY(), juce::Colour(0xff6d675c), cx,
                                           outer.getBottom(), false));
    g.fillEllipse(outer);
    g.setColour(juce::Colour(0xff2b2824));
    g.fillEllipse(outer.reduced(16.0f, 5.0f));
    // Retaining screws.
    for (float dx : {-48.0f, 48.0f})
    {
        g.setColour(juce::Colour(0xff9a9a9a));
        g.fillEllipse(cx + dx - 3.0f, chassisTop + 6.0f, 6.0f, 4.0f);
    }
}

void drawPlate(juce::Graphics& g, juce::Rectangle<float> plate, float strength)
{
    // Seam in the middle of the plate through which the cathode and its heater are seen.
    const float cx = plate.getCentreX();
    const juce::Colour hot = heaterColour(strength);
    const juce::Rectangle<float> seam(cx - 2.5f, plate.getY() + 14.0f, 5.0f, plate.getHeight() - 28.0f);
    g.setColour(juce::Colour(0xff050404));
    g.fillRect(seam);
    juce::ColourGradient seamGlow(hot.withAlpha(0.25f + 0.55f * strength), cx, seam.getY(),
                                  hot.withAlpha(0.25f + 0.55f * strength), cx, seam.getBottom(), false);
    seamGlow.addColour(0.5, hot.withAlpha(0.45f + 0.55f * strength));
    g.setGradientFill(seamGlow);
    g.fillRect(seam.reduced(1.0f, 0.0f));

    // Two plate halves of dark, slightly ribbed metal.
    for (int side = 0; side < 2; ++side)
    {
        const juce::Rectangle<float> half = side == 0 ? plate.withRight(seam.getX()) : plate.withLeft(seam.getRight());
        juce::ColourGradient metal(juce::Colour(0xff1e1f21), half.getX(), 0.0f, juce::Colour(0xff1e1f21),
                                   half.getRight(), 0.0f, false);
        metal.addColour(side == 0 ? 0.35 : 0.65, juce::Colour(0xff5a5c60));
        g.setGradientFill(metal);
        g.fillRect(half);
        for (float y = half.getY() + 10.0f; y < half.getBottom() - 6.0f; y += 9.0f)
        {
            g.setColour(juce::Colours::white.withAlpha(0.07f));
            g.fillRect(half.getX() + 2.0f, y, half.getWidth() - 4.0f, 1.0f);
            g.setColour(juce::Colours::black.withAlpha(0.25f));
            g.fillRect(half.getX() + 2.0f, y + 1.0f, half.getWidth() - 4.0f, 1.0f);
        }
        // Warm light of the heater on the inner plate edges.
        g.setGradientFill(juce::ColourGradient(hot.withAlpha(0.10f + 0.30f * strength), cx, half.getCentreY(),
                                               hot.withAlpha(0.0f), side == 0 ? half.getX() : half.getRight(),
                                               half.getCentreY(), false));
        g.fillRect(half);
    }
    // Folded edges (flanges) of the plate.
    g.setColour(juce::Colour(0xff3b3c40));
    g.fillRect(plate.getX() - 2.0f, plate.getY() + 4.0f, 2.0f, plate.getHeight() - 8.0f);
    g.fillRect(plate.getRight(), plate.getY() + 4.0f, 2.0f, plate.getHeight() - 8.0f);

    // The heater shows brightest where it leaves the plate, above and below it.
    for (float y : {plate.getY() - 5.0f, plate.getBottom() + 5.0f})
    {
        fillGlow(g, {cx, y}, 26.0f * (0.35f + strength), 12.0f * (0.45f + strength),
                 hot.withAlpha(0.30f + 0.70f * strength));
        g.setColour(hot.brighter(0.2f + 0.6f * strength).withAlpha(0.6f + 0.4f * strength));
        g.fillRoundedRectangle(cx - 1.5f, y - 3.5f, 3.0f, 7.0f, 1.5f);
    }
}

void drawValve(juce::Graphics& g, float cx, float strength)
{
    const juce::Colour hot = heaterColour(strength);
    const float left = cx - glassHalfWidth;
    const float width = 2.0f * glassHalfWidth;

    juce::Path glass;
    glass.addRoundedRectangle(left, glassTop, width, glassBottom - glassTop, glassHalfWidth, 12.0f, true, true, true,
                              true);

    // Inside first: a touch of glow filling the envelope.
    {
        juce::Graphics::ScopedSaveState state(g);
        g.reduceClipRegion(glass);
        g.setColour(juce::Colour(0xff0c0b0b).withAlpha(0.55f));
        g.fillPath(glass);
        fillGlow(g, {cx, 175.0f}, 70.0f, 120.0f, hot.withAlpha(0.06f + 0.40f * strength));

        // Glass press and lead wires at the bottom.
        g.setGradientFill(juce::ColourGradient(juce::Colour(0x3399aa99), cx, 262.0f, juce::Colour(0x66556655), cx,
                                               glassBottom, false));
        g.fillRect(left, 270.0f, width, glassBottom - 270.0f);
        for (int i = 0; i < 7; ++i)
        {
            const float x = cx - 27.0f + 9.0f * static_cast<float>(i);
            g.setColour(juce::Colour(0xffa5a8ad).withAlpha(0.75f));
            g.drawLine(x, 252.0f, x + (x - cx) * 0.15f, glassBottom, 1.0f);
        }
        // Support rods and micas.
        g.setColour(juce::Colour(0xff9fa2a6));
        for (float dx : {-31.0f, -1.5f, 1.5f, 31.0f})
            g.drawLine(cx + dx, 96.0f, cx + dx, 262.0f, 1.2f);
        const juce::Colour mica = juce::Colour(0xffcdbf9e);
        for (float y : {100.0f, 246.0f})
        {
            g.setGradientFill(
                juce::ColourGradient(mica.withAlpha(0.55f), left + 4.0f, y, mica.withAlpha(0.85f), cx, y, true));
            g.fillRoundedRectangle(left + 4.0f, y, width - 8.0f, 6.0f, 2.0f);
            g.setColour(hot.withAlpha(0.15f + 0.45f * strength));
            g.fillRoundedRectangle(left + 4.0f, y + (y < 200.0f ? 4.0f : 0.0f), width - 8.0f, 2.0f, 1.0f);
        }
        // The two triode sections side by side.
        drawPlate(g, {cx - 36.0f, 114.0f, 31.0f, 124.0f}, strength);
        drawPlate(g, {cx + 5.0f, 114.0f, 31.0f, 124.0f}, strength);

        // Silvered getter flash in the top of the dome.
        juce::ColourGradient getter(juce::Colour(0xff8d9196), cx - 20.0f, glassTop + 8.0f, juce::Colour(0xff1a1b1d),
                                    cx + 40.0f, glassTop + 40.0f, true);
        getter.addColour(0.4, juce::Colour(0xff4a4d52));
        g.setGradientFill(getter);
        g.fillRect(left, glassTop, width, 42.0f);
        juce::ColourGradient fade(juce::Colour(0xff2a2c2e), cx, glassTop + 34.0f, juce::Colour(0x002a2c2e), cx,
                                  glassTop + 56.0f, false);
        g.setGradientFill(fade);
        g.fillRect(left, glassTop + 34.0f, width, 22.0f);
        g.setColour(juce::Colour(0xffb7bbc0).withAlpha(0.7f));
        g.drawEllipse(cx - 12.0f, glassTop + 44.0f, 24.0f, 6.0f, 1.2f);
        // The glow mirrored in the silvering.
        fillGlow(g, {cx, glassTop + 40.0f}, 36.0f, 10.0f, hot.withAlpha(0.10f + 0.35f * strength));
    }

    // Glass: faint body, edges and two vertical highlights.
    g.setColour(juce::Colours::white.withAlpha(0.05f));
    g.fillPath(glass);
    g.setGradientFill(juce::ColourGradient(juce::Colours::white.withAlpha(0.38f), left + 8.0f, 0.0f,
                                           juce::Colours::white.withAlpha(0.0f), left + 17.0f, 0.0f, false));
    g.fillRoundedRectangle(left + 5.0f, glassTop + 24.0f, 12.0f, glassBottom - glassTop - 44.0f, 6.0f);
    g.setColour(juce::Colours::white.withAlpha(0.16f));
    g.fillRoundedRectangle(left + width - 12.0f, glassTop + 34.0f, 3.0f, glassBottom - glassTop - 70.0f, 1.5f);
    g.setColour(juce::Colours::white.withAlpha(0.22f));
    g.strokePath(glass, juce::PathStrokeType(1.2f));
    // Nib at the top of the dome.
    g.setColour(juce::Colour(0xff6b6f74));
    g.fillEllipse(cx - 4.0f, glassTop - 5.0f, 8.0f, 8.0f);
    g.setColour(juce::Colours::white.withAlpha(0.5f));
    g.fillEllipse(cx - 2.5f, glassTop - 4.0f, 3.0f, 3.0f);
    // A soft halo around the whole valve when it is hot.
    fillGlow(g, {cx, 176.0f}, 70.0f, 110.0f, hot.withAlpha(0.22f * strength));
    // Bloom of the two hot sections seen through the plate seams.
    for (float dx : {-20.0f, 21.0f})
        fillGlow(g, {cx + dx, 176.0f}, 16.0f + 14.0f * strength, 70.0f, hot.withAlpha(0.28f * strength));
}
} // namespace

float heaterStrength(int frame)
{
    const float t = static_cast<float>(frame) / static_cast<float>(glowFrames - 1);
    return 0.06f + 0.94f * std::pow(t, 1.15f);
}

void drawValveScene(juce::Graphics& g, float strength)
{
    drawRoom(g, strength);
    drawChassis(g, strength);
    for (float cx : valveCentres)
    {
        drawSocket(g, cx);
        drawValve(g, cx, strength);
    }
    // Vignette: darker corners draw the eye to the valves.
    juce::ColourGradient vignette(juce::Colours::transparentBlack, windowWidth * 0.5f, windowHeight * 0.45f,
                                  juce::Colours::black.withAlpha(0.55f), 0.0f, 0.0f, true);
    g.setGradientFill(vignette);
    g.fillRect(0, 0, windowWidth, windowHeight);
}

juce::Image makeValveGlowStrip()
{
    juce::Image strip(juce::Image::RGB, windowWidth, windowHeight * glowFrames, true);
    juce::Graphics g(strip);
    for (int frame = 0; frame < glowFrames; ++frame)
    {
        juce::Graphics::ScopedSaveState state(g);
        g.setOrigin(0, frame * windowHeight);
        g.reduceClipRegion(0, 0, windowWidth, windowHeight);
        drawValveScene(g, heaterStrength(frame));
    }
    return strip;
}

juce::Image makeBlurredStrip(const juce::Image& strip)
{
    juce::Image result(juce::Image::RGB, strip.getWidth(), strip.getHeight(), true);
    juce::Graphics g(result);
    for (int frame = 0; frame < glowFrames; ++frame)
    {
        // Blur each frame on its own so no light bleeds from one frame into the next.
        const auto one = strip.getClippedImage({0, frame * windowHeight, windowWidth, windowHeight});
        g.drawImageAt(blurred(one.createCopy(), 5), 0, frame * windowHeight);
    }
    return result;
}
} // namespace ravlin::art
