#include "planarsimd.h"

#include <algorithm>

namespace PlanarSimd {

namespace {

Level detect()
{
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    __builtin_cpu_init();
#if defined(PELVANE_HAVE_AVX512_KERNEL)
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw"))
        return Level::Avx512;
#endif
#if defined(PELVANE_HAVE_AVX2_KERNEL)
    if (__builtin_cpu_supports("avx2"))
        return Level::Avx2;
#endif
    if (__builtin_cpu_supports("sse2"))
        return Level::Sse2;
    return Level::Scalar;
#elif defined(_M_X64)
    return Level::Sse2; // every x86-64 processor has it
#else
    return Level::Scalar;
#endif
}

Level maxLevel = Level::Avx512;

} // namespace

Level available()
{
    static const Level best = detect();
    return best;
}

Level level()
{
    return std::min(available(), maxLevel);
}

void setMaxLevel(Level cap)
{
    maxLevel = cap;
}

int groupsPerBlock()
{
    switch (level()) {
    case Level::Avx512:
        return 64;
    case Level::Avx2:
        return 32;
    case Level::Sse2:
        return 16;
    case Level::Scalar:
        break;
    }
    return 0;
}

void decodeBlock(const Block &block, std::uint8_t *out)
{
    const Level in = level();
    if (in == Level::Avx512)
        decodeBlockAvx512(block, out);
    else if (in == Level::Avx2)
        decodeBlockAvx2(block, out);
    else
        decodeBlockSse2(block, out);
}

} // namespace PlanarSimd
