#pragma once
// Reading a fuzz input as a stream of choices. Every read past the end gives
// 0, so any input, however short, is a complete run.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace fuzz {

class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return pos_ >= size_; }
    std::size_t left() const { return size_ - pos_; }

    std::uint8_t u8() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::uint16_t u16() { return static_cast<std::uint16_t>(u8() | (u8() << 8)); }
    std::uint32_t u32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(u8()) << (8 * i);
        return v;
    }
    // Up to n bytes; the span stays valid as long as the input does.
    const std::uint8_t* bytes(std::size_t& n) {
        if (n > left()) n = left();
        const std::uint8_t* p = data_ + pos_;
        pos_ += n;
        return p;
    }

    // A float the game might answer with: the edges of the ranges the plugin
    // tests, the special values, or any 32-bit pattern.
    float real() {
        static constexpr float chosen[] = {
            0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 0.4999f, 0.15f, 0.05f, 20.0f, -20.0f,
            89.0f, -89.0f, 88.5f, 90.0f, -90.0f, 1e30f, -1e30f,
            std::numeric_limits<float>::max(), std::numeric_limits<float>::lowest(),
            std::numeric_limits<float>::denorm_min(), -std::numeric_limits<float>::denorm_min(),
            std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
            std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::quiet_NaN(),
            std::numeric_limits<float>::signaling_NaN(), 1.0000001f, 0.99f,
        };
        constexpr std::size_t count = sizeof chosen / sizeof chosen[0];
        const std::uint8_t code = u8();
        if (code < count * 8) return chosen[code % count];
        return std::bit_cast<float>(u32());
    }

    // An integer the game might answer with.
    std::int32_t integer() {
        static constexpr std::int32_t chosen[] = {
            0, 1, -1, 2, 3, 10, 1023, 1024, 1025, 5000, 0x100, 0x101, 0x102, 0x7FFFFFFF,
            std::numeric_limits<std::int32_t>::min(),
        };
        constexpr std::size_t count = sizeof chosen / sizeof chosen[0];
        const std::uint8_t code = u8();
        if (code < count * 8) return chosen[code % count];
        return static_cast<std::int32_t>(u32());
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

}  // namespace fuzz
