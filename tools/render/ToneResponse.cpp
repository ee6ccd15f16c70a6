#include <cmath>
#include <cstdio>

#include "PlotData.h"
#include "SmallSignal.h"
#include "circuit/ReferenceChain.h"

namespace ravlin::render {

std::string ToneSetting::label() const
{
    char text[64];
    std::snprintf(text, sizeof text, "Treble %u Middle %u Bass %u", treble, middle, bass);
    return text;
}

std::vector<ToneSetting> reportToneSettings()
{
    return {{7, 7, 7}, {14, 7, 7}, {0, 7, 7}, {7, 14, 7}, {7, 0, 7}, {7, 7, 14}, {7, 7, 0}, {14, 14, 14}};
}

std::vector<double> toneStackResponseDb(const ToneSetting& tone, const std::vector<double>& frequencies,
                                        double sampleRate)
{
    // The gain position only moves blocks 1 and 2; block 4's operating point depends on V3's
    // plate voltage, the resting output of block 3 that the chain's operating point provides.
    ReferenceChain preamp;
    preamp.configure({ValveSet::fresh, sampleRate, 8, tone.index()});
    const auto h = smallSignalResponse(preamp.b4.model, frequencies, sampleRate);
    std::vector<double> db(h.size());
    for (std::size_t k = 0; k < h.size(); ++k)
        db[k] = 20.0 * std::log10(std::max(std::abs(h[k]), 1e-30));
    return db;
}

} // namespace ravlin::render
