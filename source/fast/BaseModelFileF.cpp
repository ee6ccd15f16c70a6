#include "fast/BaseModelFileF.h"

#include <vector>

namespace ravlin {

std::FILE* BaseModelFileF::openForReading(const char* path) { return openStream(path, "rb", "cannot open"); }

std::FILE* BaseModelFileF::openForWriting(const char* path) { return openStream(path, "wb", "cannot create"); }

std::FILE* BaseModelFileF::openStream(const char* path, const char* mode, const char* failure)
{
    close();
    stream_ = path != nullptr ? std::fopen(path, mode) : nullptr;
    if (stream_ == nullptr)
        error_ = std::string(failure) + " model file " + (path != nullptr ? path : "(null)");
    return stream_;
}

void BaseModelFileF::close()
{
    if (stream_ != nullptr)
        std::fclose(stream_);
    stream_ = nullptr;
}

unsigned BaseModelFileF::read()
{
    if (stream_ == nullptr)
    {
        if (error_.empty())
            error_ = "no model file open";
        return 0;
    }
    // The whole file into memory first: parse() then checks every count against the bytes present.
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    for (;;)
    {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, stream_);
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (got < sizeof chunk)
            break;
    }
    if (std::ferror(stream_))
    {
        error_ = "read error on model file";
        return 0;
    }
    const std::size_t used = parse(bytes.data(), bytes.size());
    if (used == 0)
        return 0;
    if (used != bytes.size())
    {
        // parse() has already replaced the tree; trailing bytes are reported but harmless.
        error_ = std::to_string(bytes.size() - used) + " bytes after the last set ignored";
    }
    return static_cast<unsigned>(valuesRead_);
}

bool BaseModelFileF::writeBytes(const void* bytes, std::size_t size)
{
    if (stream_ == nullptr)
        return false;
    return std::fwrite(bytes, 1, size, stream_) == size && std::fflush(stream_) == 0;
}

} // namespace ravlin
