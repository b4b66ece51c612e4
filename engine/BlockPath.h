#pragma once

// The block loop has a second path for processors with AVX2, on x86-64 only: 32-bit builds keep
// the SSE2 path that every processor they run on has.
#if defined(__x86_64__) || defined(_M_X64)
#define TOVREL_HAS_AVX2_PATH 1
#else
#define TOVREL_HAS_AVX2_PATH 0
#endif

namespace tovrel {

// The two ways the filter's block loop runs, with the same results to the bit (see the kernels).
enum class BlockPath { sse2, avx2 };

bool blockPathAvailable(BlockPath path);

// The path blocks take: AVX2 where the processor and the system support it, unless the
// environment variable TOVREL_BLOCK_PATH is "sse2". Chosen once per process, when the first
// filter is made (never on the audio thread).
BlockPath chosenBlockPath();

const char* blockPathName(BlockPath path);

} // namespace tovrel
