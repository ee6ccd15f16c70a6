#include "SampleCheck.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include "ModelData.h"
#include "Stamp.h"

namespace ravlin::modelgen {

namespace fs = std::filesystem;

namespace {

constexpr const char* kIndexName = "SAMPLE";

bool readBytes(const fs::path& path, std::vector<unsigned char>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return static_cast<bool>(in) || in.eof();
}

} // namespace

std::vector<SampleComparison> compareSample(const std::vector<BuiltFile>& sample, const fs::path& dir)
{
    std::vector<SampleComparison> results;
    for (const BuiltFile& f : sample)
    {
        SampleComparison c;
        c.name = f.name;
        c.positions = f.positions.size();
        std::vector<unsigned char> bytes;
        BlockFileData data;
        if (!readBytes(dir / f.name, bytes))
            c.why = "missing or unreadable";
        else if (!decodeModelFile(bytes, f.block, data))
            c.why = "malformed";
        else
        {
            const std::vector<unsigned char> part =
                f.positions.empty() ? bytes : encodeModelFile(positionsOf(data, f.positions));
            std::size_t at = 0;
            while (at < part.size() && at < f.bytes.size() && part[at] == f.bytes[at])
                ++at;
            c.equal = part.size() == f.bytes.size() && at == part.size();
            if (!c.equal)
                c.why = "differs from byte " + std::to_string(at) + " of " + std::to_string(f.bytes.size())
                        + " (the folder's positions encode to " + std::to_string(part.size()) + " bytes)";
        }
        results.push_back(c);
    }
    return results;
}

bool writeSample(const fs::path& dir, const std::vector<BuiltFile>& sample)
{
    std::error_code ec;
    fs::create_directories(dir, ec);
    std::ostringstream index;
    for (const BuiltFile& f : sample)
    {
        if (!writeFileAtomically(dir / f.name, f.bytes))
            return false;
        index << f.block << ' ' << f.name << ' ' << f.positions.size();
        for (unsigned p : f.positions)
            index << ' ' << p;
        index << '\n';
    }
    const std::string text = index.str();
    return writeFileAtomically(dir / kIndexName, std::vector<unsigned char>(text.begin(), text.end()));
}

bool readSample(const fs::path& dir, std::vector<BuiltFile>& sample, std::string& error)
{
    sample.clear();
    std::ifstream in(dir / kIndexName);
    if (!in)
    {
        error = "no sample in " + dir.string();
        return false;
    }
    BuiltFile f;
    std::size_t count = 0;
    while (in >> f.block >> f.name >> count)
    {
        f.positions.assign(count, 0);
        for (unsigned& p : f.positions)
            in >> p;
        if (!in || !readBytes(dir / f.name, f.bytes))
        {
            error = "damaged sample in " + dir.string() + " at " + f.name;
            return false;
        }
        sample.push_back(f);
    }
    if (sample.empty())
    {
        error = "empty sample in " + dir.string();
        return false;
    }
    return true;
}

} // namespace ravlin::modelgen
