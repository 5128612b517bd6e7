// Built with AVX-512 (F and BW) enabled where the compiler targets x86-64; only called when the
// processor has it.
#include "planarsimd.h"

#if defined(__AVX512F__) && defined(__AVX512BW__)
#include "planarsimd_kernel.h"

#include <immintrin.h>

namespace {

struct Avx512
{
    using V = __m512i;
    static V load(const std::uint8_t *p) { return _mm512_loadu_si512(p); }
    static V zero() { return _mm512_setzero_si512(); }
    static V set8(char c) { return _mm512_set1_epi8(c); }
    static V and_(V a, V b) { return _mm512_and_si512(a, b); }
    static V or_(V a, V b) { return _mm512_or_si512(a, b); }
    static V xor_(V a, V b) { return _mm512_xor_si512(a, b); }
    template<int N> static V shr16(V a) { return _mm512_srli_epi16(a, N); }
    template<int N> static V shl16(V a) { return _mm512_slli_epi16(a, N); }

    // Packing works within 128-bit lanes: the 8-group pieces come out as 0, 4, 1, 5, 2, 6, 3, 7
    // and are put back in order.
    static V inOrder(V packed)
    {
        return _mm512_permutexvar_epi64(_mm512_setr_epi64(0, 2, 4, 6, 1, 3, 5, 7), packed);
    }

    // Bytes 0, 2, 4, ... and 1, 3, 5, ... of 128 bytes at p.
    static void evenAndOdd(const std::uint8_t *p, V &even, V &odd)
    {
        const V lo = load(p);
        const V hi = load(p + 64);
        const V lowBytes = _mm512_set1_epi16(0x00FF);
        even = inOrder(_mm512_packus_epi16(and_(lo, lowBytes), and_(hi, lowBytes)));
        odd = inOrder(_mm512_packus_epi16(shr16<8>(lo), shr16<8>(hi)));
    }

    // out[8t + k] = a[7 - k] byte t. Unpacking works within lanes: lane L holds groups 16L to
    // 16L + 15, and each result holds four groups of every lane.
    static void storeInterleaved(const V a[8], std::uint8_t *out)
    {
        const V p01lo = _mm512_unpacklo_epi8(a[7], a[6]), p01hi = _mm512_unpackhi_epi8(a[7], a[6]);
        const V p23lo = _mm512_unpacklo_epi8(a[5], a[4]), p23hi = _mm512_unpackhi_epi8(a[5], a[4]);
        const V p45lo = _mm512_unpacklo_epi8(a[3], a[2]), p45hi = _mm512_unpackhi_epi8(a[3], a[2]);
        const V p67lo = _mm512_unpacklo_epi8(a[1], a[0]), p67hi = _mm512_unpackhi_epi8(a[1], a[0]);
        const V q0[4] = { _mm512_unpacklo_epi16(p01lo, p23lo), _mm512_unpackhi_epi16(p01lo, p23lo),
            _mm512_unpacklo_epi16(p01hi, p23hi), _mm512_unpackhi_epi16(p01hi, p23hi) };
        const V q4[4] = { _mm512_unpacklo_epi16(p45lo, p67lo), _mm512_unpackhi_epi16(p45lo, p67lo),
            _mm512_unpacklo_epi16(p45hi, p67hi), _mm512_unpackhi_epi16(p45hi, p67hi) };
        for (int i = 0; i < 4; ++i) {
            const V lo = _mm512_unpacklo_epi32(q0[i], q4[i]); // lane L: groups 16L+4i, 16L+4i+1
            const V hi = _mm512_unpackhi_epi32(q0[i], q4[i]); // lane L: groups 16L+4i+2, +3
            // [lo.L0 hi.L0 lo.L1 hi.L1] and [lo.L2 hi.L2 lo.L3 hi.L3]
            const V first
                = _mm512_permutex2var_epi64(lo, _mm512_setr_epi64(0, 1, 8, 9, 2, 3, 10, 11), hi);
            const V second
                = _mm512_permutex2var_epi64(lo, _mm512_setr_epi64(4, 5, 12, 13, 6, 7, 14, 15), hi);
            for (int half = 0; half < 2; ++half) {
                const V v = half == 0 ? first : second;
                const int lane = 2 * half;
                _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + 128 * lane + 32 * i),
                    _mm512_castsi512_si256(v));
                _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + 128 * (lane + 1) + 32 * i),
                    _mm512_extracti64x4_epi64(v, 1));
            }
        }
    }
};

} // namespace

void PlanarSimd::decodeBlockAvx512(const Block &block, std::uint8_t *out)
{
    decodeBlockAnyLayout<Avx512>(block, out);
}

#else

void PlanarSimd::decodeBlockAvx512(const Block &, std::uint8_t *) { }

#endif
