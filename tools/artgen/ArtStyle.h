#pragma once
// Shared look of all editor pictures: the palette of a warm, dimly lit amp interior (amber light on
// dark steel), the fonts, and a few drawing helpers every picture uses.
#include <juce_graphics/juce_graphics.h>

namespace ravlin::art {
/** Window size of the editor in pixels; every full-window picture is drawn at this size. */
inline constexpr int windowWidth = 460;
inline constexpr int windowHeight = 368;

namespace colours {
inline const juce::Colour amber{0xffffb347};     // lit labels, bar fill
inline const juce::Colour amberDeep{0xffd9771e}; // bar fill, low end
inline const juce::Colour cream{0xfff3e6c8};     // legends and outlines
inline const juce::Colour creamDim{0xff9c927e};  // unlit legends
inline const juce::Colour steel{0xff2a2b2e};     // chassis
inline const juce::Colour night{0xff0d0c0c};     // back wall
inline const juce::Colour heater{0xffff6a1a};    // heater glow
inline const juce::Colour heaterHot{0xffffd27a}; // centre of a bright heater
} // namespace colours

/** Sans-serif face used for every legend; bold when asked. */
juce::Font legendFont(float height, bool bold = true);

/** Draws text with a soft halo of the given colour around it (a lit legend). */
void drawGlowingText(juce::Graphics& g, const juce::String& text, juce::Rectangle<float> area,
                     juce::Justification justification, juce::Colour textColour, juce::Colour haloColour,
                     float haloStrength);

/** Fills an ellipse with a radial gradient from `centre` colour to fully transparent: light spill. */
void fillGlow(juce::Graphics& g, juce::Point<float> centre, float radiusX, float radiusY, juce::Colour colour);

/** Deterministic fine noise (grain) over an area, for brushed metal and tolex. */
void addGrain(juce::Graphics& g, juce::Rectangle<int> area, float strength, int seed);
} // namespace ravlin::art
