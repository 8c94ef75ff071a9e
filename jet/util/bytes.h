// Bounds-checked little-endian reads over a byte span. Every read from file
// data goes through these helpers, so a short or hostile buffer yields a
// jet::Error (Corrupt) naming `what`, never an out-of-bounds access.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "jet/error.h"

namespace jet {

using Bytes = std::span<const uint8_t>;

inline void requireRange(Bytes data, size_t offset, size_t length, const char* what) {
    if (offset > data.size() || length > data.size() - offset) {
        throwCorrupt(std::string(what) + " lies outside its page or record");
    }
}

inline uint8_t readU8(Bytes data, size_t offset, const char* what = "a field") {
    requireRange(data, offset, 1, what);
    return data[offset];
}

inline uint16_t readU16(Bytes data, size_t offset, const char* what = "a field") {
    requireRange(data, offset, 2, what);
    return static_cast<uint16_t>(data[offset] | (data[offset + 1] << 8));
}

inline uint32_t readU24(Bytes data, size_t offset, const char* what = "a field") {
    requireRange(data, offset, 3, what);
    return static_cast<uint32_t>(data[offset]) | (static_cast<uint32_t>(data[offset + 1]) << 8) |
           (static_cast<uint32_t>(data[offset + 2]) << 16);
}

inline uint32_t readU32(Bytes data, size_t offset, const char* what = "a field") {
    requireRange(data, offset, 4, what);
    return static_cast<uint32_t>(data[offset]) | (static_cast<uint32_t>(data[offset + 1]) << 8) |
           (static_cast<uint32_t>(data[offset + 2]) << 16) |
           (static_cast<uint32_t>(data[offset + 3]) << 24);
}

inline uint64_t readU64(Bytes data, size_t offset, const char* what = "a field") {
    requireRange(data, offset, 8, what);
    return static_cast<uint64_t>(readU32(data, offset)) |
           (static_cast<uint64_t>(readU32(data, offset + 4)) << 32);
}

inline int16_t readI16(Bytes data, size_t offset, const char* what = "a field") {
    return static_cast<int16_t>(readU16(data, offset, what));
}
inline int32_t readI32(Bytes data, size_t offset, const char* what = "a field") {
    return static_cast<int32_t>(readU32(data, offset, what));
}
inline int64_t readI64(Bytes data, size_t offset, const char* what = "a field") {
    return static_cast<int64_t>(readU64(data, offset, what));
}

inline float readF32(Bytes data, size_t offset, const char* what = "a field") {
    uint32_t bits = readU32(data, offset, what);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

inline double readF64(Bytes data, size_t offset, const char* what = "a field") {
    uint64_t bits = readU64(data, offset, what);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

inline Bytes subBytes(Bytes data, size_t offset, size_t length, const char* what = "a field") {
    requireRange(data, offset, length, what);
    return data.subspan(offset, length);
}

inline void writeU16(std::span<uint8_t> data, size_t offset, uint16_t v) {
    requireRange(data, offset, 2, "a written field");
    data[offset] = static_cast<uint8_t>(v);
    data[offset + 1] = static_cast<uint8_t>(v >> 8);
}

inline void writeU32(std::span<uint8_t> data, size_t offset, uint32_t v) {
    requireRange(data, offset, 4, "a written field");
    for (int i = 0; i < 4; ++i) data[offset + i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace jet
