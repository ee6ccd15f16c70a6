#include "ImageBlur.h"

#include <algorithm>
#include <array>
#include <vector>

namespace ravlin::art {
namespace {
using Plane = std::vector<std::array<float, 4>>;

// One box pass along a line of `count` pixels spaced `stride` apart; edges repeat the end pixel.
void boxLine(Plane& data, std::vector<std::array<float, 4>>& scratch, int start, int stride, int count, int radius)
{
    scratch.resize(static_cast<size_t>(count));
    const float norm = 1.0f / static_cast<float>(2 * radius + 1);
    auto at = [&](int i) -> const std::array<float, 4>& {
        i = std::clamp(i, 0, count - 1);
        return data[static_cast<size_t>(start + i * stride)];
    };
    std::array<float, 4> acc{};
    for (int i = -radius; i <= radius; ++i)
        for (int c = 0; c < 4; ++c)
            acc[static_cast<size_t>(c)] += at(i)[static_cast<size_t>(c)];
    for (int i = 0; i < count; ++i)
    {
        for (int c = 0; c < 4; ++c)
            scratch[static_cast<size_t>(i)][static_cast<size_t>(c)] = acc[static_cast<size_t>(c)] * norm;
        const auto& leaving = at(i - radius);
        const auto& entering = at(i + radius + 1);
        for (int c = 0; c < 4; ++c)
            acc[static_cast<size_t>(c)] += entering[static_cast<size_t>(c)] - leaving[static_cast<size_t>(c)];
    }
    for (int i = 0; i < count; ++i)
        data[static_cast<size_t>(start + i * stride)] = scratch[static_cast<size_t>(i)];
}
} // namespace

juce::Image blurred(const juce::Image& source, int radius)
{
    const int w = source.getWidth();
    const int h = source.getHeight();
    juce::Image result(juce::Image::ARGB, w, h, false);
    if (w == 0 || h == 0)
        return result;

    // Work on premultiplied channels so transparent pixels do not darken their neighbours.
    Plane plane(static_cast<size_t>(w * h));
    {
        const juce::Image::BitmapData in(source, juce::Image::BitmapData::readOnly);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
            {
                const auto c = in.getPixelColour(x, y);
                const float a = c.getFloatAlpha();
                plane[static_cast<size_t>(y * w + x)] = {c.getFloatRed() * a, c.getFloatGreen() * a,
                                                         c.getFloatBlue() * a, a};
            }
    }
    std::vector<std::array<float, 4>> scratch;
    for (int pass = 0; pass < 3; ++pass)
    {
        for (int y = 0; y < h; ++y)
            boxLine(plane, scratch, y * w, 1, w, radius);
        for (int x = 0; x < w; ++x)
            boxLine(plane, scratch, x, w, h, radius);
    }
    juce::Image::BitmapData out(result, juce::Image::BitmapData::writeOnly);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const auto& p = plane[static_cast<size_t>(y * w + x)];
            const float a = p[3];
            const float inv = a > 1.0e-6f ? 1.0f / a : 0.0f;
            out.setPixelColour(x, y, juce::Colour::fromFloatRGBA(p[0] * inv, p[1] * inv, p[2] * inv, a));
        }
    return result;
}
} // namespace ravlin::art
