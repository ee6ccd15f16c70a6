#pragma once
// The four preamp block circuits as used by the rest of the system.
#include "circuit/Model_RAVLIN_b1.h"
#include "circuit/Model_RAVLIN_b2.h"
#include "circuit/Model_RAVLIN_b3.h"
#include "circuit/Model_RAVLIN_b4.h"
#include "circuit/SolverTraits.h"
#include "circuit/Triode.h"

namespace ravlin {

using Block1Circuit = Model_RAVLIN_b1<Triode, Triode, SolverTraits<5, 2, 4, 4, 1>, ModelTraits<17>>;
using Block2Circuit = Model_RAVLIN_b2<Triode, Triode, SolverTraits<5, 3, 4, 4, 1>, ModelTraits<17>>;
using Block3Circuit = Model_RAVLIN_b3<Triode, Triode, SolverTraits<2, 2, 4, 4, 1>, ModelTraits<0>>;
using Block4Circuit = Model_RAVLIN_b4<Triode, SolverTraits<3, 2, 2, 2, 1>, ModelTraits<15>>;

} // namespace ravlin
