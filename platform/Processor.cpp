// Processor identification through the x86 identification instruction.
#include "platform/Processor.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace platform {

ProcessorIdentity IdentifyProcessor() {
  ProcessorIdentity identity;
#if defined(__x86_64__) || defined(__i386__)
  identity.isX86 = true;
  unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
  identity.hasIdentification = __get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0;
  if (identity.hasIdentification) {
    identity.signature = eax;
    identity.features = edx;
  }
#endif
  return identity;
}

int32_t BestSimdSupport() {
#if defined(__SSE2__)
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? kSimdAvx2 : kSimdSse2;
#else
  return kSimdNone;
#endif
}

bool HasSsse3() {
#if defined(__SSE2__)
  __builtin_cpu_init();
  return __builtin_cpu_supports("ssse3");
#else
  return false;
#endif
}

bool HasAvx512Bw() {
#if defined(__SSE2__)
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
#else
  return false;
#endif
}

}  // namespace platform
