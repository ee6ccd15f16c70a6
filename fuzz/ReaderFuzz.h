#pragma once
// Body shared by the model-file reader fuzzers. For any input bytes the reader must never crash,
// leak or trip a sanitizer, and its answers must be consistent:
//  - parse() of the buffer and read() of the same bytes from a file accept or refuse together;
//  - the file loaded into the blocks that take it (blocks 1 to 3 for "pca", block 4 for "std")
//    either fails and leaves the block exactly as it was (tree, position, active state), or
//    succeeds only for bytes the reader accepts; positions are then selected (in range, at the
//    end, past the end) and the block steps a few samples;
//  - a tree that a block accepted can be written, the written file reads back, and writing that
//    second tree gives the very same bytes (write and read are inverses). With
//    RAVLIN_FUZZ_STRICT_ROUNDTRIP=1 this holds for every tree the reader accepts, including
//    trees no block would load.
// A broken consistency rule aborts, which libFuzzer reports as a crash with the input saved.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include <type_traits>

#include "fast/ChannelChain.h"
#include "fast/ModelFileF.h"

namespace ravlin::fuzz {

/// Private scratch folder of this fuzzing process (under $TMPDIR or /tmp), created once.
inline const std::string& scratchFolder()
{
    static const std::string folder = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/ravlin-fuzz-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (mkdtemp(buffer.data()) == nullptr)
        {
            std::perror("mkdtemp");
            std::abort();
        }
        return std::string(buffer.data());
    }();
    return folder;
}

inline void writeWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || (size != 0 && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0)
    {
        std::perror(path.c_str());
        std::abort();
    }
}

inline std::vector<std::uint8_t> readWholeFile(const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        std::abort();
    std::uint8_t chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, f)) > 0;)
        bytes.insert(bytes.end(), chunk, chunk + got);
    std::fclose(f);
    return bytes;
}

inline void require(bool condition, const char* what)
{
    if (!condition)
    {
        std::fprintf(stderr, "reader consistency broken: %s\n", what);
        std::abort();
    }
}

/// Writes the reader's tree to `path` through openForWriting/write/close; the bytes written.
template <class Reader>
std::vector<std::uint8_t> writeTree(Reader& reader, const std::string& path)
{
    require(reader.openForWriting(path.c_str()) != nullptr, "cannot open the scratch file for writing");
    const unsigned values = reader.write();
    reader.close();
    require(values > 0, "write() of an accepted tree failed");
    return readWholeFile(path);
}

/// One chain for the whole run (building one is costly); its blocks carry whatever the last
/// accepted input left in them, so every load starts from a different held state.
inline ChannelChain& sharedChain()
{
    static ChannelChain chain;
    return chain;
}

/// Loads `path` into block k of the shared chain and checks the load's contract; true when the
/// block took the file.
template <class Block>
bool loadIntoBlock(Block& block, int k, const std::string& path, bool readerAccepted)
{
    ChannelChain& chain = sharedChain();
    const std::vector<std::uint8_t> heldTree = block.reader.encode();
    const std::uint32_t heldPosition = block.position;
    const bool heldActive = block.active();
    const LoadResult result = chain.loadModelFile(k, path.c_str());
    if (!result)
    {
        require(!result.message.empty(), "a failed load gave no reason");
        require(block.reader.encode() == heldTree, "a failed load changed the block's tree");
        require(block.position == heldPosition, "a failed load moved the block's position");
        require(block.active() == heldActive, "a failed load changed whether the block runs");
        return false;
    }
    require(readerAccepted, "a block loaded bytes its reader refused");
    require(!block.active(), "a freshly loaded block runs before a position is selected");
    const std::uint32_t count = block.positionCount;
    require(count > 0 && block.position < count, "the loaded block's position is outside its file");
    for (unsigned index : {0u, count / 2, count - 1, count + 7})
    {
        chain.selectPosition(k, index);
        require(block.position < count, "a selected position lies outside the file");
        if (!block.active())
            continue;
        for (int n = 0; n < 8; ++n)
        {
            block.u[0] = 0.25 * (n % 3 - 1);
            block.step();
        }
    }
    return true;
}

template <class Reader>
bool loadIntoBlocks(const std::string& path, bool readerAccepted)
{
    ChannelChain& chain = sharedChain();
    if constexpr (std::is_same_v<Reader, ModelFileF>)
        return loadIntoBlock(chain.block4(), 4, path, readerAccepted);
    else
    {
        const bool b1 = loadIntoBlock(chain.block1(), 1, path, readerAccepted);
        const bool b2 = loadIntoBlock(chain.block2(), 2, path, readerAccepted);
        const bool b3 = loadIntoBlock(chain.block3(), 3, path, readerAccepted);
        return b1 || b2 || b3;
    }
}

template <class Reader>
int fuzzReader(const std::uint8_t* data, std::size_t size)
{
    const std::string input = scratchFolder() + "/input.dat";
    const std::string first = scratchFolder() + "/first.dat";
    const std::string second = scratchFolder() + "/second.dat";

    // The buffer path (tools that embed model files).
    Reader parsed;
    const bool parseAccepted = parsed.parse(data, size) != 0;

    // The file path the block's load takes: open, read, close.
    writeWholeFile(input, data, size);
    Reader loaded;
    require(loaded.openForReading(input.c_str()) != nullptr, "cannot open the scratch input");
    const bool readAccepted = loaded.read() != 0;
    loaded.close();
    require(parseAccepted == readAccepted, "parse() and read() disagree on the same bytes");

    const bool blockAccepted = loadIntoBlocks<Reader>(input, readAccepted);
    if (!readAccepted)
        return 0;

    static const bool strict = [] {
        const char* v = std::getenv("RAVLIN_FUZZ_STRICT_ROUNDTRIP");
        return v != nullptr && v[0] == '1';
    }();
    if (!strict && !blockAccepted)
        return 0;

    const std::vector<std::uint8_t> written = writeTree(loaded, first);
    Reader again;
    require(again.openForReading(first.c_str()) != nullptr, "cannot reopen the written file");
    require(again.read() != 0, "a written tree does not read back");
    again.close();
    require(writeTree(again, second) == written, "write(read(write(tree))) differs from write(tree)");

    // A refused input leaves the held tree untouched: a truncated copy of the input given to the
    // reader that holds the accepted tree must not change what it writes.
    if (size > 0)
    {
        Reader& keeper = again;
        const std::size_t shorter = size / 2;
        if (keeper.parse(data, shorter) == 0)
            require(writeTree(keeper, second) == written, "a refused input changed the held tree");
    }
    return 0;
}

} // namespace ravlin::fuzz
