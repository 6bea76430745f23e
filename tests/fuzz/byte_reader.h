#pragma once
// Reads a fuzzer's input as a stream of small numbers; past the end every read gives 0,
// so any input, however short, decodes to a complete sequence of operations.
#include <cstddef>
#include <cstdint>

namespace fuzzing {

class ByteReader {
public:
    ByteReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool done() const { return position_ >= size_; }
    uint8_t byte() { return position_ < size_ ? data_[position_++] : 0; }
    uint16_t word() { return static_cast<uint16_t>(byte() | (byte() << 8)); }
    uint32_t dword() { return static_cast<uint32_t>(word()) | (static_cast<uint32_t>(word()) << 16); }

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

}  // namespace fuzzing
