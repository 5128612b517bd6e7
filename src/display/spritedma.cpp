#include "spritedma.h"

namespace SpriteDma {

using namespace ChipRegisters;

namespace {

constexpr std::uint16_t SpriteEnable = 0x0020;
constexpr std::uint16_t DmaEnable = 0x0200;

} // namespace

int spriteWords(const DisplayState &state)
{
    if (!state.aga())
        return 1;
    const int width = (state.registers().word(FMODE) >> 2) & 3;
    return width == 0 ? 1 : width == 3 ? 4 : 2;
}

Channels::Channels(const CopperWalk::ChipMemory &chip)
    : m_chip(chip)
{
}

void Channels::step(int line, const DisplayState &state)
{
    std::array<int, 8> shown;
    shown.fill(-1);
    for (int n = 0; n < 8; ++n)
        stepChannel(n, line, state, shown);
    m_field.lineData.push_back(shown);
}

bool Channels::readWords(std::uint32_t &at, int count, std::uint16_t *out)
{
    if (std::int64_t(at) + 2 * count > m_chip.size)
        return false;
    for (int i = 0; i < count; ++i, at += 2)
        out[i] = std::uint16_t(m_chip.bytes[at] << 8 | m_chip.bytes[at + 1]);
    return true;
}

void Channels::stepChannel(int n, int line, const DisplayState &state, std::array<int, 8> &shown)
{
    Channel &c = m_channels[std::size_t(n)];
    const std::uint32_t written = state.registers().address(SPR0PT + 4 * n);
    if (written != c.written) { // the Copper (re)started the channel
        c.written = written;
        c.pointer = written;
        c.phase = written ? Phase::Control : Phase::Off;
    }
    const std::uint16_t dma = state.registers().word(DMACON);
    if (c.phase == Phase::Off || !(dma & DmaEnable) || !(dma & SpriteEnable))
        return;
    const int words = spriteWords(state);
    if (c.phase == Phase::Control || (c.phase == Phase::Showing && line == c.vstop)) {
        readControl(n, line, words);
        return;
    }
    if (c.phase == Phase::Waiting && line == c.vstart) {
        c.phase = Phase::Showing;
        c.piece = int(m_field.pieces.size());
        Piece piece;
        piece.channel = n;
        piece.firstLine = line;
        piece.data = c.pointer;
        piece.words = words;
        piece.hstart = c.hstart;
        piece.attach = c.attach;
        m_field.pieces.push_back(piece);
    }
    if (c.phase != Phase::Showing)
        return;
    LineData data;
    data.piece = c.piece;
    if (!readWords(c.pointer, words, data.data.data())
        || !readWords(c.pointer, words, data.datb.data())) {
        c.phase = Phase::Off;
        return;
    }
    ++m_field.pieces[std::size_t(c.piece)].lines;
    shown[std::size_t(n)] = int(m_field.shown.size());
    m_field.shown.push_back(data);
}

// POS and CTL, each padded to the data's width. A start already passed (two zero words end the
// chain) leaves the channel off for the rest of the frame.
void Channels::readControl(int n, int line, int words)
{
    Channel &c = m_channels[std::size_t(n)];
    std::uint16_t pos[4] {}, ctl[4] {};
    if (!readWords(c.pointer, words, pos) || !readWords(c.pointer, words, ctl)) {
        c.phase = Phase::Off;
        return;
    }
    c.vstart = (pos[0] >> 8) | (ctl[0] & 4) << 6;
    c.vstop = (ctl[0] >> 8) | (ctl[0] & 2) << 7;
    c.hstart = (pos[0] & 0xFF) << 1 | (ctl[0] & 1);
    c.attach = n % 2 && (ctl[0] & 0x80);
    c.phase = c.vstart > line && c.vstop > c.vstart ? Phase::Waiting : Phase::Off;
}

} // namespace SpriteDma
