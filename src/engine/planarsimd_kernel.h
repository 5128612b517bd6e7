#pragma once

// The block kernel, written once over an instruction set's vector operations and compiled in
// one translation unit per instruction set. Everything here has internal linkage, so code built
// for a wider instruction set never stands in for the narrower one.

#include "planarsimd.h"

// The per-plane loop must unroll so that the vectors stay in registers.
#if defined(__clang__)
#define PELVANE_UNROLL_PLANES _Pragma("unroll")
#elif defined(__GNUC__)
#define PELVANE_UNROLL_PLANES _Pragma("GCC unroll 8")
#else
#define PELVANE_UNROLL_PLANES
#endif

namespace {

using PlanarSimd::Block;
using PlanarSimd::Layout;

// The plane bytes behind each colour-index bit, one byte per group.
template<class I, Layout L> inline void planeBytes(const Block &block, typename I::V a[8])
{
    using V = typename I::V;
    const V high = I::set8(char(0xF0));
    const V low = I::set8(0x0F);
    const std::uint8_t *previous = nullptr;
    V even = I::zero(), odd = I::zero();
    PELVANE_UNROLL_PLANES
    for (int j = 0; j < 8; ++j) {
        const std::uint8_t *p = block.src[j];
        if (!p) {
            a[j] = I::zero();
        } else if (L == Layout::Bytes) {
            a[j] = I::load(p);
        } else {
            if (p != previous) // neighbouring planes of "C-" read the same bytes
                I::evenAndOdd(p, even, odd);
            previous = p;
            if (L == Layout::EvenBytes)
                a[j] = even;
            else if (block.lowNibble[j])
                a[j] = I::or_(I::and_(I::template shl16<4>(even), high), I::and_(odd, low));
            else
                a[j] = I::or_(I::and_(even, high), I::and_(I::template shr16<4>(odd), low));
        }
    }
}

// Exchanges bit b of x (b with bit `Shift` set) with bit b - Shift of y, in every byte.
template<class I, int Shift> inline void swapBits(typename I::V &x, typename I::V &y, char mask)
{
    const auto t = I::and_(I::xor_(I::template shr16<Shift>(x), y), I::set8(mask));
    y = I::xor_(y, t);
    x = I::xor_(x, I::template shl16<Shift>(t));
}

template<class I, Layout L> void decodeBlockWith(const Block &block, std::uint8_t *out)
{
    // a[j] byte t: bit b is pixel 7 - b of group t in the plane behind index bit j. Transposing
    // each 8x8 bit matrix (register, bit) leaves in a[b] bit j that same pixel's index bit j,
    // so pixel k of every group ends up in a[7 - k].
    // Written out so that the eight vectors stay in registers.
    typename I::V a[8];
    planeBytes<I, L>(block, a);
    swapBits<I, 4>(a[0], a[4], 0x0F);
    swapBits<I, 4>(a[1], a[5], 0x0F);
    swapBits<I, 4>(a[2], a[6], 0x0F);
    swapBits<I, 4>(a[3], a[7], 0x0F);
    swapBits<I, 2>(a[0], a[2], 0x33);
    swapBits<I, 2>(a[1], a[3], 0x33);
    swapBits<I, 2>(a[4], a[6], 0x33);
    swapBits<I, 2>(a[5], a[7], 0x33);
    swapBits<I, 1>(a[0], a[1], 0x55);
    swapBits<I, 1>(a[2], a[3], 0x55);
    swapBits<I, 1>(a[4], a[5], 0x55);
    swapBits<I, 1>(a[6], a[7], 0x55);
    I::storeInterleaved(a, out);
}

template<class I> void decodeBlockAnyLayout(const Block &block, std::uint8_t *out)
{
    switch (block.layout) {
    case Layout::Bytes:
        decodeBlockWith<I, Layout::Bytes>(block, out);
        break;
    case Layout::EvenBytes:
        decodeBlockWith<I, Layout::EvenBytes>(block, out);
        break;
    case Layout::Nibbles:
        decodeBlockWith<I, Layout::Nibbles>(block, out);
        break;
    }
}

} // namespace
