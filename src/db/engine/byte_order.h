#pragma once

#include <cstdint>

// Fixed-order integers in file bytes. dBASE tables, memo files and indexes store their counts
// and pointers little-endian; FoxPro memo headers and dBASE 7 sortable numbers big-endian.
// The helpers take any byte pointer, so record buffers (char) and header arrays (unsigned
// char) read alike.
namespace db::bytes {

[[nodiscard]] inline const unsigned char *u8(const void *p) {
    return static_cast<const unsigned char *>(p);
}

[[nodiscard]] inline std::uint16_t le16(const void *p) {
    const unsigned char *b = u8(p);
    return static_cast<std::uint16_t>(b[0] | b[1] << 8);
}

[[nodiscard]] inline std::uint32_t le32(const void *p) {
    const unsigned char *b = u8(p);
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

[[nodiscard]] inline std::uint64_t le64(const void *p) {
    return le32(p) | static_cast<std::uint64_t>(le32(u8(p) + 4)) << 32;
}

[[nodiscard]] inline std::uint16_t be16(const void *p) {
    const unsigned char *b = u8(p);
    return static_cast<std::uint16_t>(b[0] << 8 | b[1]);
}

[[nodiscard]] inline std::uint32_t be32(const void *p) {
    const unsigned char *b = u8(p);
    return static_cast<std::uint32_t>(b[0]) << 24 | static_cast<std::uint32_t>(b[1]) << 16 |
           static_cast<std::uint32_t>(b[2]) << 8 | static_cast<std::uint32_t>(b[3]);
}

[[nodiscard]] inline std::uint64_t be64(const void *p) {
    return static_cast<std::uint64_t>(be32(p)) << 32 | be32(u8(p) + 4);
}

inline void putLe16(void *p, std::uint16_t v) {
    auto *b = static_cast<unsigned char *>(p);
    b[0] = static_cast<unsigned char>(v);
    b[1] = static_cast<unsigned char>(v >> 8);
}

inline void putLe32(void *p, std::uint32_t v) {
    auto *b = static_cast<unsigned char *>(p);
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<unsigned char>(v >> (8 * i));
}

inline void putBe16(void *p, std::uint16_t v) {
    auto *b = static_cast<unsigned char *>(p);
    b[0] = static_cast<unsigned char>(v >> 8);
    b[1] = static_cast<unsigned char>(v);
}

inline void putBe32(void *p, std::uint32_t v) {
    auto *b = static_cast<unsigned char *>(p);
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<unsigned char>(v >> (8 * (3 - i)));
}

} // namespace db::bytes
