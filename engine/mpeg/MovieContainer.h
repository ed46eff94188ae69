// The container atoms that may precede the MPEG data of a movie file: each a
// 32-bit big-endian size (header included) and a four-character type.
// 'moov' and a 'free' right after it are skipped whole, of 'wide' and 'mdat'
// only the 8-byte header; anything else is the MPEG data. Then the start of
// the MPEG data itself, which may lie behind a few bytes of something else.
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

// What the MPEG data of a movie is.
enum class MovieStreamKind {
  kSystemStream,     // starts with a pack header
  kVideoStream,      // a video elementary stream: starts with a sequence header
  kTransportStream,  // MPEG transport packets (188 bytes, or 192 with a time code)
  kUnknown,          // neither a pack header nor a sequence header near the start
};

// How far into the data the first pack header (or sequence header) is
// looked for. A Video CD's ".DAT" file puts a RIFF "CDXA" header (44 bytes)
// and a 24-byte sector header in front of the first pack, and a track may
// begin with 15 to 30 empty sectors of 2352 bytes (up to about 70 KB); half
// a megabyte covers that with ample room, while a file that holds no MPEG
// data is refused after reading no more than that.
constexpr int64_t kMovieStreamSearchLimit = 512 * 1024;

// Judges the data at position 0 (after SkipMovieAtoms). A system stream or
// video stream that does not start at once (a pack header or sequence
// header found further on, within the search limit) gets the file's window
// start moved to that header, so that position 0 is where it begins; the
// file is then at position 0. A transport stream is recognised by its sync
// bytes and not moved.
MovieStreamKind LocateMovieStream(VFile& file);
