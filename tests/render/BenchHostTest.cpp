// The LV2 bench host against an installed plug-in (guitarix's preamp, the benchmark peer): it
// instantiates, processes finite non-silent audio, honours control settings and refuses what
// it cannot host with a message.
#include <gtest/gtest.h>

#include <cmath>

#include "Lv2Instance.h"
#include "UridMap.h"

using ravlin::benchhost::Lv2Instance;
using ravlin::benchhost::UridMap;

namespace {

const std::string peerUri = "http://guitarix.sourceforge.net/plugins/gx_jcm800pre_#_jcm800pre_";

class BenchHost : public ::testing::Test
{
protected:
    void SetUp() override
    {
        world = lilv_world_new();
        lilv_world_load_all(world);
        LilvNode* uri = lilv_new_uri(world, peerUri.c_str());
        const bool present = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri) != nullptr;
        lilv_node_free(uri);
        if (!present)
            GTEST_SKIP() << "guitarix-lv2 is not installed (scripts/setup-deps installs it)";
    }
    void TearDown() override { lilv_world_free(world); }

    double runSine(Lv2Instance& inst, int frames, double& peak)
    {
        std::vector<float> in(256);
        double energy = 0.0;
        peak = 0.0;
        for (int pos = 0; pos < frames; pos += 256)
        {
            for (int n = 0; n < 256; ++n)
                in[static_cast<std::size_t>(n)] = 0.1f * std::sin(0.0654f * static_cast<float>(pos + n));
            inst.run(in.data(), 256);
            for (int n = 0; n < 256; ++n)
            {
                const double y = inst.output(0)[n];
                EXPECT_TRUE(std::isfinite(y));
                energy += y * y;
                peak = std::max(peak, std::abs(y));
            }
        }
        return std::sqrt(energy / frames);
    }

    LilvWorld* world = nullptr;
};

} // namespace

TEST(UridMapTest, StableIdsAndUnmap)
{
    UridMap m;
    const auto a = m.map("urn:a");
    const auto b = m.map("urn:b");
    EXPECT_NE(a, 0u);
    EXPECT_NE(a, b);
    EXPECT_EQ(m.map("urn:a"), a);
    EXPECT_STREQ(m.unmap(b), "urn:b");
    EXPECT_EQ(m.unmap(0), nullptr);
    EXPECT_EQ(m.unmap(99), nullptr);
    EXPECT_EQ(m.mapFeature()->map(m.mapFeature()->handle, "urn:b"), b);
}

TEST_F(BenchHost, RunsThePeerAndItsControlsTakeEffect)
{
    std::string error;
    auto quiet = Lv2Instance::create(world, peerUri, 48000.0, 256, {{"P6v", 0.0f}}, error);
    ASSERT_NE(quiet, nullptr) << error;
    EXPECT_EQ(quiet->audioInputs(), 1);
    EXPECT_EQ(quiet->audioOutputs(), 1);
    auto loud = Lv2Instance::create(world, peerUri, 48000.0, 256, {{"P6v", 1.0f}}, error);
    ASSERT_NE(loud, nullptr) << error;
    double peakQuiet = 0.0, peakLoud = 0.0;
    const double rmsQuiet = runSine(*quiet, 48000, peakQuiet);
    const double rmsLoud = runSine(*loud, 48000, peakLoud);
    EXPECT_GT(rmsQuiet, 1e-5);
    EXPECT_GT(rmsLoud, rmsQuiet * 1.5) << "the pre-amp control did not reach the plug-in";
}

TEST_F(BenchHost, RefusesWhatItCannotHost)
{
    std::string error;
    EXPECT_EQ(Lv2Instance::create(world, "urn:ravlin:no-such-plugin", 48000.0, 256, {}, error), nullptr);
    EXPECT_NE(error.find("no LV2 plug-in"), std::string::npos) << error;
    EXPECT_EQ(Lv2Instance::create(world, peerUri, 48000.0, 256, {{"NoSuchPort", 1.0f}}, error), nullptr);
    EXPECT_NE(error.find("NoSuchPort"), std::string::npos) << error;
}
