#pragma once

#include <QByteArray>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// An invariant of the code under test; a broken one aborts, and libFuzzer keeps the input.
inline void require(bool condition, const char *invariant)
{
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", invariant);
        std::abort();
    }
}

// The fuzzer's bytes, taken from the front; past the end a byte reads 0 and bytes come empty.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}

    bool atEnd() const { return pos_ == size_; }
    std::uint8_t byte() { return atEnd() ? 0 : data_[pos_++]; }
    QByteArray bytes(std::size_t count)
    {
        count = std::min(count, size_ - pos_);
        const QByteArray taken(reinterpret_cast<const char *>(data_ + pos_), qsizetype(count));
        pos_ += count;
        return taken;
    }
    QByteArray rest() { return bytes(size_ - pos_); }

private:
    const std::uint8_t *data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};
