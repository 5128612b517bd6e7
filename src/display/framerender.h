#pragma once

#include "copperwalk.h"
#include "ripperstate.h"
#include "spritedma.h"

#include <QImage>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

// The displayed frame as the emulator drew it: every screen's playfields and every sprite, line by
// line in the colours of each line, clipped to the display window.
namespace FrameRender {

// One row of the frame: a line of one field.
struct Row
{
    int line = 0;
    int field = 0; // 0: the list COP1LC points at; 1: the other field of an interlaced display
    int screen = -1; // index into CopperWalk::walk()'s screens; -1 where nothing is fetched
    int fetchBytes = 0;
    std::array<std::uint32_t, 8> pointers {}; // where this line's planes are fetched from
    int planes = 0;
    int playfieldShift = 0; // log2 of frame pixels per playfield pixel
    std::array<int, 2> playfieldLeft {}; // frame column of each playfield's first pixel
};

// A sprite of the frame: one use of a channel, or an attached pair.
struct Sprite
{
    SpriteDma::Piece piece; // the even one of an attached pair
    int partner = -1; // index into `Frame::sprites` of the attached odd sprite, else -1
    bool joined = false; // the odd sprite of an attached pair, listed with its partner
    int field = 0;
    int x = 0; // lores pixels from the window's left
    int y = 0; // lines from the window's top
    int firstColour = 0;
    int lastColour = 0;
    int pixelShift = 0; // log2 of frame pixels per sprite pixel
    std::array<QRgb, 256> colours {}; // the colour registers on its first line
};

struct Frame
{
    QImage image; // RGB32; null when the snapshot shows no frame
    QString problem; // why there is none
    int scale = 1; // frame pixels per lores pixel
    bool interlaced = false;
    int left = 0; // the window's first lores pixel of the beam
    int top = 0; // its first line
    std::int64_t chipRamFirst = 0; // file position of chip address 0
    std::vector<CopperWalk::Screen> screens; // the walk's, which rows name
    std::vector<Row> rows;
    std::vector<Sprite> sprites;
    // Per pixel: the colour index, -1 where HAM made the colour; the sprite drawn, or -1.
    std::vector<std::int16_t> indices;
    std::vector<std::int16_t> spriteAt;
};

Frame render(const RipperState &state);
// The same, with the display's walk already made.
Frame render(const RipperState &state, const CopperWalk::Frame &walked);

// "Sprite 0: 16×24 at (0, 0), colours 17-19, chip $004DAC" (attached: "Sprite 2+3: ...").
QString spriteSummary(const Frame &frame, int index);

} // namespace FrameRender
