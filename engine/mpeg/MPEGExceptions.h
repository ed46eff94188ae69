// The two errors of the MPEG readers: a bit stream that ran dry, and data that
// breaks the syntax. Both are caught by whoever drives the decoding step.
#pragma once

#include <stdexcept>

class VBitstreamEmptyException : public std::runtime_error {
 public:
  VBitstreamEmptyException() : std::runtime_error("bit stream empty") {}
};

class VMPEGException : public std::runtime_error {
 public:
  explicit VMPEGException(const char* what = "bad MPEG data") : std::runtime_error(what) {}
};
