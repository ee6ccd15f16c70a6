#pragma once
// Which of the four preamp blocks a circuit model type is; selects the block's step formulas.
#include "circuit/Model_RAVLIN_b1.h"
#include "circuit/Model_RAVLIN_b2.h"
#include "circuit/Model_RAVLIN_b3.h"
#include "circuit/Model_RAVLIN_b4.h"

namespace ravlin {

template <class Model>
struct BlockNumber;
template <class V1, class V2, class ST, class MT>
struct BlockNumber<Model_RAVLIN_b1<V1, V2, ST, MT>>
{
    static constexpr int value = 1;
};
template <class V1, class V2, class ST, class MT>
struct BlockNumber<Model_RAVLIN_b2<V1, V2, ST, MT>>
{
    static constexpr int value = 2;
};
template <class V1, class V2, class ST, class MT>
struct BlockNumber<Model_RAVLIN_b3<V1, V2, ST, MT>>
{
    static constexpr int value = 3;
};
template <class V, class ST, class MT>
struct BlockNumber<Model_RAVLIN_b4<V, ST, MT>>
{
    static constexpr int value = 4;
};

} // namespace ravlin
