#pragma once

#include "copperrun.h"
#include "displaystate.h"

#include <array>
#include <cstdint>
#include <vector>

// The eight sprite DMA channels over one field: each reads its control words where the Copper
// points it, then one DATA and one DATB per line from VSTART to VSTOP - 1, then the next control
// words (the same sprite reused lower down) or two zero words (the end).
namespace SpriteDma {

// One use of a channel: a run of lines of one sprite.
struct Piece
{
    int channel = 0;
    int firstLine = 0;
    int lines = 0;
    int hstart = 0; // lores pixels of the beam, as DIWSTRT's horizontal start
    bool attach = false; // CTL's ATTACH, on odd channels
    int words = 1; // of each of DATA and DATB per line: 1, 2 or 4 (AGA wide sprites)
    std::uint32_t data = 0; // chip address of its first DATA word
};

// What a channel shows on one line.
struct LineData
{
    int piece = 0; // index into Field::pieces
    std::array<std::uint16_t, 4> data {};
    std::array<std::uint16_t, 4> datb {};
};

struct Field
{
    std::vector<Piece> pieces;
    std::vector<std::array<int, 8>> lineData; // per line: per channel an index into shown, or -1
    std::vector<LineData> shown;
};

// Follows the channels line by line; `step` is called once per line, in order from line 0.
class Channels
{
public:
    explicit Channels(const CopperWalk::ChipMemory &chip);
    void step(int line, const DisplayState &state);
    const Field &field() const { return m_field; }

private:
    enum class Phase { Off, Control, Waiting, Showing };
    struct Channel
    {
        Phase phase = Phase::Off;
        std::uint32_t pointer = 0;
        std::uint32_t written = 0; // the pointer register as last seen
        int vstart = 0;
        int vstop = 0;
        int hstart = 0;
        bool attach = false;
        int piece = -1;
    };

    void stepChannel(int n, int line, const DisplayState &state, std::array<int, 8> &shown);
    void readControl(int n, int line, int words);
    bool readWords(std::uint32_t &at, int count, std::uint16_t *out);

    CopperWalk::ChipMemory m_chip;
    std::array<Channel, 8> m_channels;
    Field m_field;
};

// Words of each DATA and DATB per line: FMODE bits 3-2 on AGA.
int spriteWords(const DisplayState &state);

} // namespace SpriteDma
