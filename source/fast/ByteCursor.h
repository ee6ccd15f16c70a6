#pragma once
// Bounds-checked little-endian decoding of an in-memory model data file. Every read first checks
// that the remaining bytes can hold it, so a count taken from the file can never size an array
// larger than the file itself; the first failure latches and every later read fails too.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace ravlin {

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "model data files are little-endian; this decoder copies bytes as they are"
#endif

class ByteCursor
{
public:
    ByteCursor(const std::uint8_t* data, std::size_t size) noexcept : begin_(data), here_(data), end_(data + size) {}

    bool ok() const noexcept { return error_.empty(); }
    const std::string& error() const noexcept { return error_; }
    std::size_t consumed() const noexcept { return static_cast<std::size_t>(here_ - begin_); }
    std::size_t remaining() const noexcept { return static_cast<std::size_t>(end_ - here_); }
    /// Number of scalar values delivered so far.
    unsigned long long values() const noexcept { return values_; }

    void fail(const std::string& why)
    {
        if (error_.empty())
            error_ = why + " (at byte " + std::to_string(consumed()) + ")";
    }

    /// True when `count` further records of at least `minBytes` each could still fit.
    bool canHold(std::uint64_t count, std::uint64_t minBytes, const char* what)
    {
        if (!ok())
            return false;
        if (minBytes != 0 && count > remaining() / minBytes)
        {
            fail(std::string(what) + " count " + std::to_string(count) + " exceeds what the file can hold");
            return false;
        }
        return true;
    }

    template <class T>
    bool scalar(T& out, const char* what)
    {
        if (!ok())
            return false;
        if (remaining() < sizeof(T))
        {
            fail(std::string("file ends inside ") + what);
            return false;
        }
        std::memcpy(&out, here_, sizeof(T));
        here_ += sizeof(T);
        ++values_;
        return true;
    }

    /// Resizes `out` to `count` elements and fills it, or fails without allocating when the
    /// remaining bytes cannot hold them.
    template <class T>
    bool array(std::vector<T>& out, std::uint64_t count, const char* what)
    {
        if (!canHold(count, sizeof(T), what))
            return false;
        out.resize(static_cast<std::size_t>(count));
        if (count != 0)
            std::memcpy(out.data(), here_, static_cast<std::size_t>(count) * sizeof(T));
        here_ += static_cast<std::size_t>(count) * sizeof(T);
        values_ += count;
        return true;
    }

private:
    const std::uint8_t* begin_;
    const std::uint8_t* here_;
    const std::uint8_t* end_;
    unsigned long long values_ = 0;
    std::string error_;
};

/// Little-endian encoder that appends to a byte vector; counts the values written.
class ByteSink
{
public:
    std::vector<std::uint8_t> bytes;
    unsigned long long values = 0;

    template <class T>
    void scalar(T v)
    {
        const auto at = bytes.size();
        bytes.resize(at + sizeof(T));
        std::memcpy(bytes.data() + at, &v, sizeof(T));
        ++values;
    }

    template <class T>
    void array(const std::vector<T>& v)
    {
        const auto at = bytes.size();
        bytes.resize(at + v.size() * sizeof(T));
        if (!v.empty())
            std::memcpy(bytes.data() + at, v.data(), v.size() * sizeof(T));
        values += v.size();
    }

    /// Overwrites a u32 written earlier at byte offset `at` (size bookkeeping filled in afterwards).
    void patch(std::size_t at, std::uint32_t v) noexcept { std::memcpy(bytes.data() + at, &v, sizeof v); }
    std::size_t size() const noexcept { return bytes.size(); }
};

/// Weight count of a network with n inputs, hidden layer sizes s1..sk and m outputs:
/// (n+1)·s1 + (s1+1)·s2 + … + (sk+1)·m, or (n+1)·m without hidden layers. Returns false on overflow
/// past 2^40, far beyond anything a file can hold.
inline bool weightCountOf(std::uint64_t n, const std::vector<std::uint32_t>& sizes, std::uint64_t m,
                          std::uint64_t& count) noexcept
{
    constexpr std::uint64_t limit = std::uint64_t(1) << 40;
    std::uint64_t total = 0;
    std::uint64_t fanIn = n;
    for (std::uint32_t s : sizes)
    {
        total += (fanIn + 1) * s;
        if (total > limit)
            return false;
        fanIn = s;
    }
    total += (fanIn + 1) * m;
    if (total > limit)
        return false;
    count = total;
    return true;
}

} // namespace ravlin
