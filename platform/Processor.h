// What the processor says about itself: its identification signature and
// feature flags, for the engine's choice of pixel and video paths.
#pragma once

#include <cstdint>

namespace platform {

struct ProcessorIdentity {
  // False on processors of another family than x86, which have no such
  // identification; the other fields are then 0.
  bool isX86 = false;
  // Whether the identification instruction answered its first leaf (always
  // on any x86-64 processor).
  bool hasIdentification = false;
  uint32_t signature = 0;  // family, model and stepping (leaf 1, EAX)
  uint32_t features = 0;   // feature flags (leaf 1, EDX)
};

// Asks the processor; the answer does not change while the program runs.
ProcessorIdentity IdentifyProcessor();

// The widest vector instruction set the engine's kernels may use here. Each
// kernel family numbers its levels the same way (scalar, SSE2, AVX2).
enum SimdSupport : int32_t {
  kSimdNone = 0,
  kSimdSse2 = 1,
  kSimdAvx2 = 2,
};
int32_t BestSimdSupport();
// Whether SSSE3's byte shuffles are there (asked apart from the levels).
bool HasSsse3();
// Whether the 512-bit instructions on 32- and 16-bit lanes (AVX-512 F and BW)
// are there and enabled by the system (asked apart from the levels).
bool HasAvx512Bw();

}  // namespace platform

// Around kernels built for the 512-bit instructions: their intrinsics start
// from an undefined register, which GCC's flow analysis reports once they are
// inlined, and local helpers that pass vector values are noted as an ABI
// change (they are all inlined). Each BEGIN is closed by an END.
#if defined(__clang__)
#define OSTREVAN_AVX512_CODE_BEGIN                                                     \
  _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Wuninitialized\"") \
      _Pragma("GCC diagnostic ignored \"-Wpsabi\"")
#else
#define OSTREVAN_AVX512_CODE_BEGIN                                                     \
  _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Wuninitialized\"") \
      _Pragma("GCC diagnostic ignored \"-Wmaybe-uninitialized\"") _Pragma("GCC diagnostic ignored \"-Wpsabi\"")
#endif
#define OSTREVAN_AVX512_CODE_END _Pragma("GCC diagnostic pop")
