// Built with AVX2 enabled where the compiler targets x86-64; only called when the processor
// has it.
#include "planarsimd.h"

#if defined(__AVX2__)
#include "planarsimd_kernel.h"

#include <immintrin.h>

namespace {

struct Avx2
{
    using V = __m256i;
    static V load(const std::uint8_t *p)
    {
        return _mm256_loadu_si256(reinterpret_cast<const V *>(p));
    }
    static V zero() { return _mm256_setzero_si256(); }
    static V set8(char c) { return _mm256_set1_epi8(c); }
    static V and_(V a, V b) { return _mm256_and_si256(a, b); }
    static V or_(V a, V b) { return _mm256_or_si256(a, b); }
    static V xor_(V a, V b) { return _mm256_xor_si256(a, b); }
    template<int N> static V shr16(V a) { return _mm256_srli_epi16(a, N); }
    template<int N> static V shl16(V a) { return _mm256_slli_epi16(a, N); }

    // Bytes 0, 2, 4, ... and 1, 3, 5, ... of 64 bytes at p. Packing works within 128-bit lanes,
    // so the quarters come out as groups 0-7, 16-23, 8-15, 24-31 and are put back in order.
    static void evenAndOdd(const std::uint8_t *p, V &even, V &odd)
    {
        const V lo = load(p);
        const V hi = load(p + 32);
        const V lowBytes = _mm256_set1_epi16(0x00FF);
        even = _mm256_permute4x64_epi64(
            _mm256_packus_epi16(and_(lo, lowBytes), and_(hi, lowBytes)), 0xD8);
        odd = _mm256_permute4x64_epi64(_mm256_packus_epi16(shr16<8>(lo), shr16<8>(hi)), 0xD8);
    }

    // out[8t + k] = a[7 - k] byte t. Unpacking works within lanes: lane 0 holds groups 0-15,
    // lane 1 groups 16-31, and each result is split between the two halves of the output.
    static void storeInterleaved(const V a[8], std::uint8_t *out)
    {
        const V p01lo = _mm256_unpacklo_epi8(a[7], a[6]), p01hi = _mm256_unpackhi_epi8(a[7], a[6]);
        const V p23lo = _mm256_unpacklo_epi8(a[5], a[4]), p23hi = _mm256_unpackhi_epi8(a[5], a[4]);
        const V p45lo = _mm256_unpacklo_epi8(a[3], a[2]), p45hi = _mm256_unpackhi_epi8(a[3], a[2]);
        const V p67lo = _mm256_unpacklo_epi8(a[1], a[0]), p67hi = _mm256_unpackhi_epi8(a[1], a[0]);
        const V q0[4] = { _mm256_unpacklo_epi16(p01lo, p23lo), _mm256_unpackhi_epi16(p01lo, p23lo),
            _mm256_unpacklo_epi16(p01hi, p23hi), _mm256_unpackhi_epi16(p01hi, p23hi) };
        const V q4[4] = { _mm256_unpacklo_epi16(p45lo, p67lo), _mm256_unpackhi_epi16(p45lo, p67lo),
            _mm256_unpacklo_epi16(p45hi, p67hi), _mm256_unpackhi_epi16(p45hi, p67hi) };
        for (int i = 0; i < 4; ++i) {
            const V lo = _mm256_unpacklo_epi32(q0[i], q4[i]); // groups 4i, 4i+1 | 16+4i, 17+4i
            const V hi = _mm256_unpackhi_epi32(q0[i], q4[i]); // groups 4i+2, 4i+3 | ...
            _mm256_storeu_si256(
                reinterpret_cast<V *>(out + 32 * i), _mm256_permute2x128_si256(lo, hi, 0x20));
            _mm256_storeu_si256(
                reinterpret_cast<V *>(out + 128 + 32 * i), _mm256_permute2x128_si256(lo, hi, 0x31));
        }
    }
};

} // namespace

void PlanarSimd::decodeBlockAvx2(const Block &block, std::uint8_t *out)
{
    decodeBlockAnyLayout<Avx2>(block, out);
}

#else

void PlanarSimd::decodeBlockAvx2(const Block &, std::uint8_t *) { }

#endif
