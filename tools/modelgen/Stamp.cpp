#include "Stamp.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

namespace ravlin::modelgen {

namespace fs = std::filesystem;

namespace {

constexpr const char* kStampName = ".modelgen-stamp";

std::uint64_t fnv1a(std::uint64_t h, const unsigned char* p, std::size_t n)
{
    for (std::size_t k = 0; k < n; ++k)
    {
        h ^= p[k];
        h *= 0x100000001B3ull;
    }
    return h;
}

} // namespace

BuildOptions smallBuildOptions(unsigned threads)
{
    BuildOptions o;
    o.threads = threads;
    o.cloud.seconds = 0.08;
    o.cloud.keepEvery = 2;
    o.pointsPerNet = 250;
    o.pointsBlock1 = 250;
    o.pointsBlock4 = 150;
    o.iterationsCold = 40;
    o.iterationsWarm = 10;
    o.iterationsBlock2 = 40;
    o.iterationsBlock4 = 8;
    o.sets = {ValveSet::fresh};
    o.rates = {44100.0};
    o.block4Positions = 20;
    o.candidates = 2;
    o.heldOutSeconds = 0.1;
    o.loop = LoopOptions{64, 8, 8, 3, 0.3, 0.0}; // the refinement runs, briefly
    o.loopSeconds = 0.08;
    return o;
}

std::string inputsStamp(const BuildOptions& options)
{
    std::uint64_t h = 0xCBF29CE484222325ull;
    std::ifstream exe("/proc/self/exe", std::ios::binary);
    std::vector<unsigned char> buffer(1 << 16);
    while (exe)
    {
        exe.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
        h = fnv1a(h, buffer.data(), static_cast<std::size_t>(exe.gcount()));
    }
    const std::string text = options.describe();
    h = fnv1a(h, reinterpret_cast<const unsigned char*>(text.data()), text.size());
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
    return hex;
}

bool stampMatches(const fs::path& dir, const std::string& stamp)
{
    std::ifstream in(dir / kStampName);
    std::string first;
    if (!(in >> first) || first != stamp)
        return false;
    std::string name;
    while (in >> name)
        if (!fs::is_regular_file(dir / name))
            return false;
    return true;
}

bool writeStamp(const fs::path& dir, const std::string& stamp, const std::vector<BuiltFile>& files)
{
    std::ostringstream s;
    s << stamp << '\n';
    for (const BuiltFile& f : files)
        s << f.name << '\n';
    const std::string text = s.str();
    return writeFileAtomically(dir / kStampName, std::vector<unsigned char>(text.begin(), text.end()));
}

bool writeFileAtomically(const fs::path& path, const std::vector<unsigned char>& bytes)
{
    const fs::path tmp = path.string() + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out)
            return false;
    }
    std::error_code ec;
    fs::rename(tmp, path, ec);
    return !ec;
}

} // namespace ravlin::modelgen
