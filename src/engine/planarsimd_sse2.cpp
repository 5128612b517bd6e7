#include "planarsimd.h"

#if defined(__SSE2__) || defined(_M_X64)
#include "planarsimd_kernel.h"

#include <emmintrin.h>

namespace {

struct Sse2
{
    using V = __m128i;
    static V load(const std::uint8_t *p) { return _mm_loadu_si128(reinterpret_cast<const V *>(p)); }
    static V zero() { return _mm_setzero_si128(); }
    static V set8(char c) { return _mm_set1_epi8(c); }
    static V and_(V a, V b) { return _mm_and_si128(a, b); }
    static V or_(V a, V b) { return _mm_or_si128(a, b); }
    static V xor_(V a, V b) { return _mm_xor_si128(a, b); }
    template<int N> static V shr16(V a) { return _mm_srli_epi16(a, N); }
    template<int N> static V shl16(V a) { return _mm_slli_epi16(a, N); }

    // Bytes 0, 2, 4, ... and 1, 3, 5, ... of 32 bytes at p.
    static void evenAndOdd(const std::uint8_t *p, V &even, V &odd)
    {
        const V lo = load(p);
        const V hi = load(p + 16);
        const V lowBytes = _mm_set1_epi16(0x00FF);
        even = _mm_packus_epi16(and_(lo, lowBytes), and_(hi, lowBytes));
        odd = _mm_packus_epi16(shr16<8>(lo), shr16<8>(hi));
    }

    // out[8t + k] = a[7 - k] byte t.
    static void storeInterleaved(const V a[8], std::uint8_t *out)
    {
        const V p01lo = _mm_unpacklo_epi8(a[7], a[6]), p01hi = _mm_unpackhi_epi8(a[7], a[6]);
        const V p23lo = _mm_unpacklo_epi8(a[5], a[4]), p23hi = _mm_unpackhi_epi8(a[5], a[4]);
        const V p45lo = _mm_unpacklo_epi8(a[3], a[2]), p45hi = _mm_unpackhi_epi8(a[3], a[2]);
        const V p67lo = _mm_unpacklo_epi8(a[1], a[0]), p67hi = _mm_unpackhi_epi8(a[1], a[0]);
        const V q0[4] = { _mm_unpacklo_epi16(p01lo, p23lo), _mm_unpackhi_epi16(p01lo, p23lo),
            _mm_unpacklo_epi16(p01hi, p23hi), _mm_unpackhi_epi16(p01hi, p23hi) };
        const V q4[4] = { _mm_unpacklo_epi16(p45lo, p67lo), _mm_unpackhi_epi16(p45lo, p67lo),
            _mm_unpacklo_epi16(p45hi, p67hi), _mm_unpackhi_epi16(p45hi, p67hi) };
        V *dst = reinterpret_cast<V *>(out);
        for (int i = 0; i < 4; ++i) {
            _mm_storeu_si128(dst + 2 * i, _mm_unpacklo_epi32(q0[i], q4[i]));
            _mm_storeu_si128(dst + 2 * i + 1, _mm_unpackhi_epi32(q0[i], q4[i]));
        }
    }
};

} // namespace

void PlanarSimd::decodeBlockSse2(const Block &block, std::uint8_t *out)
{
    decodeBlockAnyLayout<Sse2>(block, out);
}

#else

void PlanarSimd::decodeBlockSse2(const Block &, std::uint8_t *) { }

#endif
