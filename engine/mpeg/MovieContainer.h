// The container atoms that may precede the MPEG data of a movie file: each a
// 32-bit big-endian size (header included) and a four-character type.
// 'moov' and a 'free' right after it are skipped whole, of 'wide' and 'mdat'
// only the 8-byte header; anything else is the MPEG data.
#pragma once

#include <cstdint>

class VFile;

// Moves the file's window start past the atoms, so that position 0 is the
// MPEG data, and seeks to 0. An atom whose size is below 8 or reaches past
// the end of the file ends the walk (its first byte is taken as the data).
// Answers the bytes skipped.
int64_t SkipMovieAtoms(VFile& file);

// The first four bytes of the MPEG data say which reader it needs.
constexpr uint32_t kPackStartCode = 0x000001BA;
constexpr uint32_t kSequenceHeaderCode = 0x000001B3;
// The first 32 bits at position 0 (big-endian), or 0 when there are fewer.
uint32_t PeekMovieCode(VFile& file);
