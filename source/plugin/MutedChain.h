#pragma once
// A channel chain whose blocks hold no model data: every load fails and the chain outputs silence.
// Stands in for ChannelChain in builds made without the fast run-time library.
namespace ravlin::plugin
{
class MutedChain
{
public:
    struct Block
    {
        bool loadModelFile(const char*) noexcept { return false; }
        void selectPosition(unsigned = 0) noexcept {}
    };

    double processSample(double) noexcept { return 0.0; }
    template <unsigned L>
    double processOversampled(double) noexcept
    {
        return 0.0;
    }
    void setSampleRate(double) noexcept {}
    Block& block1() noexcept { return blocks[0]; }
    Block& block2() noexcept { return blocks[1]; }
    Block& block3() noexcept { return blocks[2]; }
    Block& block4() noexcept { return blocks[3]; }

private:
    Block blocks[4];
};
} // namespace ravlin::plugin
