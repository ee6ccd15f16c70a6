#pragma once
// A channel chain whose blocks hold no model data: every load fails and the chain outputs silence.
// Stands in for ChannelChain in builds made without the fast run-time library.
namespace ravlin::plugin {
class MutedChain
{
public:
    static bool checkModelFile(int, const char*) noexcept { return false; }
    bool loadModelFile(int, const char*) noexcept { return false; }
    void selectPosition(int, unsigned) noexcept {}
    void setSampleRate(double) noexcept {}
    void startAtRest() noexcept {}
    void keepMotion() noexcept {}
    void followRests() noexcept {}
    double processSample(double) noexcept { return 0.0; }
    template <unsigned L>
    double processOversampled(double) noexcept
    {
        return 0.0;
    }
};
} // namespace ravlin::plugin
