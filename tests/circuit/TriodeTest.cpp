#include <cmath>

#include <gtest/gtest.h>

#include "circuit/Triode.h"

namespace ravlin {
namespace {

void expectRel(double expected, double actual, double rel = 5e-6)
{
    if (expected == 0.0)
        EXPECT_EQ(actual, 0.0);
    else
        EXPECT_NEAR(actual, expected, std::abs(expected) * rel);
}

TEST(Triode, ReferenceTable)
{
    struct Row
    {
        double vgk, vak, ig, ik, dig, dikg, dika;
    };
    const Row rows[] = {
        {0, 100, 1.87629e-5, 0.00218481, 0.000175767, 0.00270917, 2.62541e-5},
        {0.5, 150, 0.000248907, 0.00521392, 0.000648492, 0.00335782, 3.25382e-5},
        {-1.5, 200, 1.01684e-13, 0.000930967, 1.31861e-12, 0.00192217, 1.86305e-5},
        {-5, 250, 0, 7.68085e-9, 0, 3.2867e-8, 3.18816e-10},
    };
    Triode t;
    for (const Row& r : rows)
    {
        SCOPED_TRACE(r.vgk);
        t.evaluate(r.vgk, r.vak);
        EXPECT_EQ(t.vgk, r.vgk);
        EXPECT_EQ(t.vak, r.vak);
        expectRel(r.ig, t.ig);
        expectRel(r.ik, t.ik);
        expectRel(r.dig, t.dIgdVgk);
        expectRel(r.dikg, t.dIkdVgk);
        expectRel(r.dika, t.dIkdVak);
    }
}

TEST(Triode, CutOffGivesExactZeros)
{
    Triode t;
    t.evaluate(-20.0, 100.0); // Ck*t far below -36.7
    EXPECT_EQ(t.ig, 0.0);
    EXPECT_EQ(t.ik, 0.0);
    EXPECT_EQ(t.dIgdVgk, 0.0);
    EXPECT_EQ(t.dIkdVgk, 0.0);
    EXPECT_EQ(t.dIkdVak, 0.0);
}

TEST(Triode, LargeVoltagesStayFinite)
{
    Triode t;
    for (double vg : {50.0, 71.0, 72.0, 100.0, 500.0, 1000.0})
        for (double va : {-1000.0, 0.0, 400.0, 5000.0})
        {
            t.evaluate(vg, va);
            EXPECT_TRUE(std::isfinite(t.ig)) << vg;
            EXPECT_TRUE(std::isfinite(t.ik)) << vg;
            EXPECT_TRUE(std::isfinite(t.dIgdVgk));
            EXPECT_TRUE(std::isfinite(t.dIkdVgk));
            EXPECT_TRUE(std::isfinite(t.dIkdVak));
            EXPECT_GT(t.ig, 0.0);
            EXPECT_GT(t.dIgdVgk, 0.0);
        }
    // Continuity across the switch-over of the softplus forms.
    EXPECT_NEAR(softplus(30.0), softplus(std::nextafter(30.0, 31.0)), 1e-12);
    EXPECT_NEAR(softplus(30.0), 30.0 + std::exp(-30.0), 1e-13);
}

TEST(Triode, RepeatedEvaluationIsBitIdentical)
{
    Triode a, b;
    a.evaluate(-0.7, 180.0);
    b.evaluate(3.0, 10.0);
    b.evaluate(-0.7, 180.0);
    EXPECT_EQ(a.ig, b.ig);
    EXPECT_EQ(a.ik, b.ik);
    EXPECT_EQ(a.dIgdVgk, b.dIgdVgk);
    EXPECT_EQ(a.dIkdVgk, b.dIkdVgk);
    EXPECT_EQ(a.dIkdVak, b.dIkdVak);
}

} // namespace
} // namespace ravlin
