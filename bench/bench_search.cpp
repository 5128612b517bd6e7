// The Copper searches over a snapshot with 512 MiB of fast RAM that holds no list, so each scans
// everything; against the floor of finding every byte 0x01 (the first byte of every colour
// move, and of the BPLCON0 move every list has) with memchr. The scan for lists in chip RAM
// over the first 2 MiB of the same bytes and over all of them.
#include "copperscan.h"
#include "palette.h"

#include <benchmark/benchmark.h>
#include <cstring>

namespace {

constexpr std::size_t MemorySize = std::size_t(512) << 20;
constexpr std::size_t PageSize = 4096;

// Whole pages of zeros (most of it), of picture-like random bytes and of code-like big-endian
// words, some of them the first half of a colour move; the same in every run.
std::vector<std::uint8_t> generatedMemory()
{
    static const std::uint16_t codeWords[] = { 0x4E75, 0x2F0E, 0x7001, 0x0001, 0x6100, 0x41F9,
        0x0180, 0x302E, 0x4A80, 0x6700, 0x0100, 0x2040, 0x0182, 0xFFFF, 0x0000, 0x0000 };
    std::vector<std::uint8_t> bytes(MemorySize);
    std::uint64_t x = 0x9E3779B97F4A7C15u;
    const auto next = [&x] { // xorshift64
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        return x;
    };
    for (std::size_t page = 0; page < MemorySize; page += PageSize) {
        const unsigned kind = unsigned(next() % 10);
        std::uint8_t *p = bytes.data() + page;
        if (kind < 6)
            continue;
        for (std::size_t i = 0; i < PageSize; i += 8) {
            const std::uint64_t r = next();
            if (kind < 8) {
                std::memcpy(p + i, &r, 8);
                continue;
            }
            for (int k = 0; k < 4; ++k) {
                const std::uint16_t w = (r >> (16 * k)) & 0x100 ? codeWords[(r >> (16 * k)) & 15]
                                                                : std::uint16_t(r >> (16 * k));
                p[i + 2 * k] = std::uint8_t(w >> 8);
                p[i + 2 * k + 1] = std::uint8_t(w);
            }
        }
    }
    return bytes;
}

// The memory as a loaded snapshot; any chance match is broken up so every search misses.
RipperState &missState()
{
    static RipperState state = [] {
        RipperState s;
        s.canvas = QImage(1, 1, QImage::Format_Indexed8);
        Palette::setDefaultPalette(s.canvas);
        s.fileData = generatedMemory();
        s.filesize = int(s.fileData.size());
        s.fileLoaded = true;
        for (auto search : { Palette::searchCopperSimple, Palette::searchCopperAdvanced }) {
            for (search(s); s.palsearchpos != 0; search(s))
                s.fileData[std::size_t(s.palfound)] = 0;
        }
        return s;
    }();
    return state;
}

void memchrFloor(benchmark::State &bench, std::size_t size)
{
    const RipperState &s = missState();
    for (auto _ : bench) {
        std::size_t count = 0;
        const std::uint8_t *p = s.bytes();
        const std::uint8_t *end = p + size;
        while (const void *hit = std::memchr(p, 0x01, std::size_t(end - p))) {
            ++count;
            p = static_cast<const std::uint8_t *>(hit) + 1;
        }
        benchmark::DoNotOptimize(count);
        bench.counters["bytes 0x01"] = double(count);
    }
    bench.SetBytesProcessed(std::int64_t(bench.iterations()) * std::int64_t(size));
}

// The same bytes as chip RAM, scanned for Copper lists.
void copperScan(benchmark::State &bench, std::size_t size)
{
    const CopperWalk::ChipMemory chip { missState().bytes(), std::int64_t(size) };
    for (auto _ : bench)
        benchmark::DoNotOptimize(CopperScan::findLists(chip));
    bench.SetBytesProcessed(std::int64_t(bench.iterations()) * std::int64_t(size));
}

void searchMiss(benchmark::State &bench, void (*search)(RipperState &))
{
    RipperState &s = missState();
    for (auto _ : bench) {
        s.palsearchpos = 0;
        search(s);
        benchmark::DoNotOptimize(s.palsearchpos);
    }
    bench.SetBytesProcessed(std::int64_t(bench.iterations()) * std::int64_t(MemorySize));
}

const bool registered = [] {
    benchmark::RegisterBenchmark("Search/memchr-floor", memchrFloor, MemorySize)
        ->Unit(benchmark::kMillisecond);
    for (auto [name, size] :
        { std::pair("chip-2MiB", std::size_t(2) << 20), { "fastram-512MiB", MemorySize } }) {
        benchmark::RegisterBenchmark(
            (std::string("CopperScan/memchr-") + name).c_str(), memchrFloor, size)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((std::string("CopperScan/") + name).c_str(), copperScan, size)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RegisterBenchmark("Search/simple-miss", searchMiss, Palette::searchCopperSimple)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Search/advanced-miss", searchMiss, Palette::searchCopperAdvanced)
        ->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace
