#include "displaystate.h"

using namespace ChipRegisters;

namespace {

constexpr std::uint16_t SetClear = 0x8000;
constexpr std::uint16_t DmaEnable = 0x0200;
constexpr std::uint16_t BitplaneEnable = 0x0100;

} // namespace

std::uint32_t widenedColour(std::uint16_t word)
{
    return ((word >> 8) & 0xF) * 0x110000u + ((word >> 4) & 0xF) * 0x1100u + (word & 0xF) * 0x11u;
}

int planeCount(std::uint16_t bplcon0, bool aga)
{
    const int planes = (bplcon0 >> 12) & 7;
    if (aga && planes == 0 && (bplcon0 & 0x0010))
        return 8;
    // Without AGA the DMA fetches four planes when seven are asked for.
    return !aga && planes == 7 ? 4 : planes;
}

DisplayState::DisplayState(const Saved &saved, const std::array<std::uint32_t, 256> &aga)
    : m_registers(saved.registers)
    , m_aga(saved.aga)
    , m_ecs(saved.ecs)
{
    for (int i = 0; i < ColourRegisters; ++i)
        ecsColours[std::size_t(i)] = m_registers.word(COLOR00 + 2 * i) & 0x0FFF;
    if (m_aga)
        agaColours = aga;
}

void DisplayState::write(int reg, std::uint16_t value)
{
    reg &= 0x1FE;
    if (reg == DMACON) {
        const std::uint16_t bits = value & ~SetClear;
        const std::uint16_t old = m_registers.word(DMACON);
        value = value & SetClear ? old | bits : old & ~bits;
    }
    m_registers.set(reg, value);
    if (reg == DIWHIGH)
        m_diwHighWritten = true;
    if (reg >= COLOR00 && reg < COLOR00 + 2 * ColourRegisters)
        setColour((reg - COLOR00) / 2, value);
}

// AGA: BPLCON3 picks the bank; with LOCT the write sets the low nibbles only.
void DisplayState::setColour(int index, std::uint16_t value)
{
    ecsColours[std::size_t(index)] = value & 0x0FFF;
    if (!m_aga)
        return;
    const std::uint16_t control = m_registers.word(BPLCON3);
    const bool low = control & 0x0200;
    std::uint32_t &colour = agaColours[std::size_t((control >> 13) * ColourRegisters + index)];
    const std::uint32_t nibbles = widenedColour(value) & 0x0F0F0F;
    colour = low ? (colour & 0xF0F0F0) | nibbles : widenedColour(value);
}

int DisplayState::planes() const
{
    return planeCount(m_registers.word(BPLCON0), m_aga);
}

bool DisplayState::bitplaneDma() const
{
    const std::uint16_t both = DmaEnable | BitplaneEnable;
    return (m_registers.word(DMACON) & both) == both;
}

int DisplayState::windowStart() const
{
    const int start = m_registers.word(DIWSTRT) >> 8;
    return m_ecs && m_diwHighWritten ? (m_registers.word(DIWHIGH) & 7) << 8 | start : start;
}

// Without DIWHIGH the stop line's bit 8 is the inverse of its bit 7.
int DisplayState::windowStop() const
{
    const int stop = m_registers.word(DIWSTOP) >> 8;
    if (m_ecs && m_diwHighWritten)
        return (m_registers.word(DIWHIGH) & 0x0700) | stop;
    return stop + (stop & 0x80 ? 0 : 0x100);
}

int DisplayState::windowLeft() const
{
    const int left = m_registers.word(DIWSTRT) & 0xFF;
    return m_ecs && m_diwHighWritten ? (m_registers.word(DIWHIGH) & 0x0020) << 3 | left : left;
}

// Without DIWHIGH the stop's bit 8 is set.
int DisplayState::windowRight() const
{
    const int right = m_registers.word(DIWSTOP) & 0xFF;
    return m_ecs && m_diwHighWritten ? (m_registers.word(DIWHIGH) & 0x2000) >> 5 | right
                                     : right | 0x100;
}
