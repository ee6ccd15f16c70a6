#include "fast/ChannelChain.h"

#include <algorithm>
#include <iterator>

namespace ravlin {

ChannelChain::ChannelChain()
{
    chainKernels(); // the instruction set is chosen here, never first on the audio thread
}

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

void recoverChain(ChannelChain& chain) noexcept { chain.recover(); }

namespace {

template <class Block, class View>
void bindBlock(Block& b, View& v) noexcept
{
    v.x = b.x.data();
    v.u = b.u.data();
    v.p = b.p.data();
    v.i = b.i.data();
    v.y = b.y.data();
    v.z = b.networkInput;
    v.G.d = b.G.data();
    v.H.d = b.H.data();
    v.A.d = b.A.data();
    v.B.d = b.B.data();
    v.C.d = b.C.data();
    v.D.d = b.D.data();
    v.E.d = b.E.data();
    v.F.d = b.F.data();
    v.projection = b.projectionMatrix;
    v.featureEnabled = b.featureEnabled;
    v.componentCount = b.componentCount;
    v.projectionEnabled = b.projectionEnabled == 1;
    if (b.active())
    {
        const std::size_t first = static_cast<std::size_t>(b.positionNetworks - b.networks.data());
        v.networks = b.positionNetworks;
        v.layouts = b.networkLayouts().data() + first;
        v.lastNetwork = &b.lastNetwork;
        v.networkCount = b.positionNetworkCount;
    }
    else
    {
        v.networks = nullptr;
        v.layouts = nullptr;
        v.lastNetwork = nullptr;
        v.networkCount = 0;
    }
}

void bindOversampler(Upsampler& up, Downsampler& down, OversamplerView& v) noexcept
{
    v.upHistory = up.history;
    v.upWrite = &up.writeIndex;
    v.upRow = &up.row;
    v.upCoefficients = up.coefficients.data();
    v.upMask = 16u * up.factor() - 1u;
    v.downHistory = down.history.data();
    v.downWrite = &down.writeIndex;
    v.downRow = &down.row;
    v.downCoefficients = down.coefficients.data();
    v.downMask = down.length() - 1u;
}

} // namespace

void ChannelChain::prepareView() noexcept
{
    updateReady();
    bindBlock(block1(), view.b1);
    bindBlock(block2(), view.b2);
    bindBlock(block3(), view.b3);
    bindBlock(block4(), view.b4);
    view.statistics = &block4().runningStatistics;
    for (int k = 0; k < 4; ++k)
        bindOversampler(upsamplers[k], downsamplers[k], view.oversamplers[k]);
    view.chain = this;
    view.active = ready;
    view.generation = generation();
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

void ChannelChain::settleBlocks() noexcept
{
    const double y1 = block1().settle(0.0);
    const double y2 = block2().settle(y1);
    const double y3 = block3().settle(y2);
    block4().settle(y3);
}

void ChannelChain::keepMotion() noexcept
{
    motion.x1 = block1().x - block1().storedX;
    motion.x2 = block2().x - block2().storedX;
    motion.x3 = block3().x - block3().storedX;
    motion.x4 = block4().x - block4().storedX;
}

void ChannelChain::followRests() noexcept
{
    if (!ready)
        return;
    settleBlocks();
    block1().x += motion.x1;
    block2().x += motion.x2;
    block3().x += motion.x3;
    block4().x += motion.x4;
}

void ChannelChain::startAtRest() noexcept
{
    if (!ready)
        return;
    settleBlocks();
    for (Upsampler& up : upsamplers)
        std::fill(std::begin(up.history), std::end(up.history), 0.0);
    for (Downsampler& down : downsamplers)
        down.history.setZero();
}

void ChannelChain::applyOperatingPoint()
{
    if (block1().positionSelected == 1)
        block1().applyOperatingPoint();
    if (block2().positionSelected == 1)
        block2().applyOperatingPoint();
    if (block3().positionSelected == 1)
        block3().applyOperatingPoint();
    if (block4().positionSelected == 1)
        block4().applyOperatingPoint();
}

} // namespace ravlin
