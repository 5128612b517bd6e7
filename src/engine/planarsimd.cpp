#include "planarsimd.h"

#if defined(__SSE2__) || defined(_M_X64)
#define PELVANE_HAVE_SSE2 1
#include <emmintrin.h>
#endif

namespace PlanarSimd {

namespace {

bool switchedOn = true;

#ifdef PELVANE_HAVE_SSE2

bool cpuHasSse2()
{
#if defined(__GNUC__)
    return __builtin_cpu_supports("sse2");
#else
    return true; // every x86-64 processor has it
#endif
}

inline __m128i load(const std::uint8_t *p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
}

const __m128i lowBytes16 = _mm_set1_epi16(0x00FF);

// Bytes 0, 2, 4, ... and 1, 3, 5, ... of 32 bytes at p.
inline void evenAndOdd(const std::uint8_t *p, __m128i &even, __m128i &odd)
{
    const __m128i lo = load(p);
    const __m128i hi = load(p + 16);
    even = _mm_packus_epi16(_mm_and_si128(lo, lowBytes16), _mm_and_si128(hi, lowBytes16));
    odd = _mm_packus_epi16(_mm_srli_epi16(lo, 8), _mm_srli_epi16(hi, 8));
}

// The 16 plane bytes behind each colour-index bit, one byte per group.
template<Layout L>
inline void planeBytes(const Block &block, __m128i a[8])
{
    const __m128i high = _mm_set1_epi8(char(0xF0));
    const __m128i low = _mm_set1_epi8(0x0F);
    const std::uint8_t *previous = nullptr;
    __m128i even = _mm_setzero_si128(), odd = _mm_setzero_si128();
    for (int j = 0; j < 8; ++j) {
        const std::uint8_t *p = block.src[j];
        if (!p) {
            a[j] = _mm_setzero_si128();
        } else if (L == Layout::Bytes) {
            a[j] = load(p);
        } else {
            if (p != previous) // neighbouring planes of "C-" read the same bytes
                evenAndOdd(p, even, odd);
            previous = p;
            if (L == Layout::EvenBytes)
                a[j] = even;
            else if (block.lowNibble[j])
                a[j] = _mm_or_si128(_mm_and_si128(_mm_slli_epi16(even, 4), high),
                                    _mm_and_si128(odd, low));
            else
                a[j] = _mm_or_si128(_mm_and_si128(even, high),
                                    _mm_and_si128(_mm_srli_epi16(odd, 4), low));
        }
    }
}

// Exchanges bit b of a (b with bit `shift` set) with bit b - shift of b, in every byte.
template<int Shift>
inline void swapBits(__m128i &a, __m128i &b, int mask)
{
    const __m128i t = _mm_and_si128(_mm_xor_si128(_mm_srli_epi16(a, Shift), b),
                                    _mm_set1_epi8(char(mask)));
    b = _mm_xor_si128(b, t);
    a = _mm_xor_si128(a, _mm_slli_epi16(t, Shift));
}

#endif

} // namespace

bool available()
{
#ifdef PELVANE_HAVE_SSE2
    static const bool hasSse2 = cpuHasSse2();
    return hasSse2;
#else
    return false;
#endif
}

void setEnabled(bool enabled)
{
    switchedOn = enabled;
}

bool enabled()
{
    return switchedOn && available();
}

#ifdef PELVANE_HAVE_SSE2
template<Layout L>
static void decode(const Block &block, std::uint8_t *out)
{
    // a[j] byte t: bit b is pixel 7 - b of group t in the plane behind index bit j. Transposing
    // each 8x8 bit matrix (register, bit) leaves in a[b] bit j that same pixel's index bit j.
    __m128i a[8];
    planeBytes<L>(block, a);
    swapBits<4>(a[0], a[4], 0x0F);
    swapBits<4>(a[1], a[5], 0x0F);
    swapBits<4>(a[2], a[6], 0x0F);
    swapBits<4>(a[3], a[7], 0x0F);
    swapBits<2>(a[0], a[2], 0x33);
    swapBits<2>(a[1], a[3], 0x33);
    swapBits<2>(a[4], a[6], 0x33);
    swapBits<2>(a[5], a[7], 0x33);
    swapBits<1>(a[0], a[1], 0x55);
    swapBits<1>(a[2], a[3], 0x55);
    swapBits<1>(a[4], a[5], 0x55);
    swapBits<1>(a[6], a[7], 0x55);
    // Pixel k of every group is now a[7 - k]; interleave into 8 bytes per group.
    const __m128i p01lo = _mm_unpacklo_epi8(a[7], a[6]), p01hi = _mm_unpackhi_epi8(a[7], a[6]);
    const __m128i p23lo = _mm_unpacklo_epi8(a[5], a[4]), p23hi = _mm_unpackhi_epi8(a[5], a[4]);
    const __m128i p45lo = _mm_unpacklo_epi8(a[3], a[2]), p45hi = _mm_unpackhi_epi8(a[3], a[2]);
    const __m128i p67lo = _mm_unpacklo_epi8(a[1], a[0]), p67hi = _mm_unpackhi_epi8(a[1], a[0]);
    const __m128i q0[4] = { _mm_unpacklo_epi16(p01lo, p23lo), _mm_unpackhi_epi16(p01lo, p23lo),
                            _mm_unpacklo_epi16(p01hi, p23hi), _mm_unpackhi_epi16(p01hi, p23hi) };
    const __m128i q4[4] = { _mm_unpacklo_epi16(p45lo, p67lo), _mm_unpackhi_epi16(p45lo, p67lo),
                            _mm_unpacklo_epi16(p45hi, p67hi), _mm_unpackhi_epi16(p45hi, p67hi) };
    __m128i *dst = reinterpret_cast<__m128i *>(out);
    for (int i = 0; i < 4; ++i) {
        _mm_storeu_si128(dst + 2 * i, _mm_unpacklo_epi32(q0[i], q4[i]));
        _mm_storeu_si128(dst + 2 * i + 1, _mm_unpackhi_epi32(q0[i], q4[i]));
    }
}
#endif

void decode16Groups(const Block &block, std::uint8_t *out)
{
#ifdef PELVANE_HAVE_SSE2
    switch (block.layout) {
    case Layout::Bytes: decode<Layout::Bytes>(block, out); break;
    case Layout::EvenBytes: decode<Layout::EvenBytes>(block, out); break;
    case Layout::Nibbles: decode<Layout::Nibbles>(block, out); break;
    }
#else
    (void)block;
    (void)out;
#endif
}

} // namespace PlanarSimd
