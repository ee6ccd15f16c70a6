#include "fast/ChannelChain.h"

namespace ravlin {

ChannelChain::ChannelChain() = default;

void ChannelChain::updateReady() noexcept
{
    ready = block1().active() && block2().active() && block3().active() && block4().active();
}

namespace {
template <class Block>
void backToOperatingPoint(Block& b) noexcept
{
    b.x = b.storedX;
    b.p = b.storedP;
    b.i = b.storedI;
    b.y.setZero();
}
} // namespace

void ChannelChain::recover() noexcept
{
    backToOperatingPoint(block1());
    backToOperatingPoint(block2());
    backToOperatingPoint(block3());
    backToOperatingPoint(block4());
}

LoadResult ChannelChain::loadModelFile(int block, const char* path)
{
    LoadResult r;
    switch (block)
    {
    case 1: r = block1().loadModelFile(path); break;
    case 2: r = block2().loadModelFile(path); break;
    case 3: r = block3().loadModelFile(path); break;
    case 4: r = block4().loadModelFile(path); break;
    default: r.message = "no block " + std::to_string(block); break;
    }
    updateReady();
    return r;
}

LoadResult ChannelChain::checkModelFile(int block, const char* path)
{
    switch (block)
    {
    case 1: return Block1::checkModelFile(path);
    case 2: return Block2::checkModelFile(path);
    case 3: return Block3::checkModelFile(path);
    case 4: return Block4::checkModelFile(path);
    default: break;
    }
    LoadResult r;
    r.message = "no block " + std::to_string(block);
    return r;
}

void ChannelChain::selectPosition(int block, unsigned index)
{
    switch (block)
    {
    case 1: block1().selectPosition(index); break;
    case 2: block2().selectPosition(index); break;
    case 3: block3().selectPosition(); break;
    case 4: block4().selectPosition(index); break;
    default: break;
    }
    updateReady();
}

void ChannelChain::setSampleRate(double effectiveRate)
{
    block1().changeSampleRate(effectiveRate);
    block2().changeSampleRate(effectiveRate);
    block3().changeSampleRate(effectiveRate);
    block4().changeSampleRate(effectiveRate);
}

void ChannelChain::applyOperatingPoint()
{
    if (block1().positionSelected == 1) block1().applyOperatingPoint();
    if (block2().positionSelected == 1) block2().applyOperatingPoint();
    if (block3().positionSelected == 1) block3().applyOperatingPoint();
    if (block4().positionSelected == 1) block4().applyOperatingPoint();
}

} // namespace ravlin
