// CRC-32 (reflected polynomial 0xEDB88320) as RAR archives use it for their
// members' contents and headers.
#pragma once

#include <cstddef>
#include <cstdint>

// Continues crc (start with 0) over size bytes.
uint32_t RarCrc32(uint32_t crc, const uint8_t* data, size_t size);
