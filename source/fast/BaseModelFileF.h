#pragma once
// Abstract reader/writer of a model data file. The run-time uses openForReading, read and close;
// tools use allocateSets, openForWriting and write. A failed read or parse leaves the tree exactly
// as it was and says why in lastError().
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

namespace ravlin {

class BaseModelFileF
{
public:
    BaseModelFileF() = default;
    BaseModelFileF(const BaseModelFileF&) = delete;
    BaseModelFileF& operator=(const BaseModelFileF&) = delete;
    /// Moving transfers the open stream, if any.
    BaseModelFileF(BaseModelFileF&& other) noexcept
        : stream_(other.stream_), error_(std::move(other.error_)), valuesRead_(other.valuesRead_)
    {
        other.stream_ = nullptr;
    }
    BaseModelFileF& operator=(BaseModelFileF&& other) noexcept
    {
        if (this != &other)
        {
            close();
            stream_ = other.stream_;
            other.stream_ = nullptr;
            error_ = std::move(other.error_);
            valuesRead_ = other.valuesRead_;
        }
        return *this;
    }
    virtual ~BaseModelFileF() { close(); }

    /// Opens `path` (UTF-8) for binary reading; returns the stream, or null when it cannot be opened.
    virtual std::FILE* openForReading(const char* path);
    /// Opens `path` for binary writing (truncating); returns the stream or null.
    virtual std::FILE* openForWriting(const char* path);
    virtual void close();
    /// Discards the tree and creates `count` empty sets.
    virtual void allocateSets(unsigned count) = 0;
    /// Fills in the size bookkeeping, then writes the tree to the open stream. Returns the number of
    /// values written, 0 when nothing is open or the write failed.
    virtual unsigned write() = 0;
    /// Reads the whole open stream into a new tree. Returns the number of values read, or 0 (tree
    /// untouched, lastError() set) when the stream is missing, short or holds impossible counts.
    virtual unsigned read();
    /// Builds a new tree from `size` bytes at `data`. Returns the bytes consumed, or 0 on failure
    /// (tree untouched, lastError() set).
    virtual std::size_t parse(const std::uint8_t* data, std::size_t size) = 0;

    std::FILE* stream() const noexcept { return stream_; }
    const std::string& lastError() const noexcept { return error_; }
    /// Values delivered by the last successful parse.
    unsigned long long valuesRead() const noexcept { return valuesRead_; }

protected:
    /// Closes any open stream, then opens `path` with `mode`; on failure lastError() says
    /// "<failure> model file <path>".
    std::FILE* openStream(const char* path, const char* mode, const char* failure);
    /// Writes `bytes` to the open stream; false on failure.
    bool writeBytes(const void* bytes, std::size_t size);

    std::FILE* stream_ = nullptr;
    std::string error_;
    unsigned long long valuesRead_ = 0;
};

} // namespace ravlin
