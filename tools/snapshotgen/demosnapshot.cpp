#include "demosnapshot.h"

#include "snapshotwriter.h"

#include <QColor>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

namespace DemoSnapshot {

namespace {

using SnapshotWriter::copperEnd;
using SnapshotWriter::copperMove;
using SnapshotWriter::copperMoveLong;
using SnapshotWriter::copperWait;

constexpr std::uint16_t Color00 = 0x0180;
constexpr int ScreenWidth = 320;
constexpr int ScreenHeight = 200;

// Round file offsets, so the offset slider's page steps of 1000 reach every picture.
constexpr int AdvancedListOffset = 10000;
constexpr int SimpleListOffset = 12000;

// The display, in chip RAM no picture uses.
constexpr std::uint32_t FirstListAddress = 0x40000;
constexpr std::uint32_t SecondListAddress = 0x40400;
constexpr std::uint32_t MemoryListAddress = 0x40800; // a list no display runs
constexpr std::uint32_t TitleAddress = 0x48000;
constexpr std::uint32_t PanelAddress = 0x52000;
constexpr int PanelHeight = 48;
constexpr int DisplayTop = 0x2C; // the first line of the display window

// --- Pictures --------------------------------------------------------------------------------

using PixelRule = std::function<int(int x, int y)>;

QImage drawIndices(int width, int height, const PixelRule &rule)
{
    QImage image(width, height, QImage::Format_Indexed8);
    QList<QRgb> greys;
    for (int i = 0; i < 256; ++i)
        greys << qRgb(i, i, i);
    image.setColorTable(greys);
    for (int y = 0; y < height; ++y) {
        uchar *line = image.scanLine(y);
        for (int x = 0; x < width; ++x)
            line[x] = uchar(rule(x, y));
    }
    return image;
}

// Columns that widen to the right (8, 9, 10, ... pixels) and 16-line rows: no row repeats
// within itself, so the picture's width is the only period of its lines.
QImage checkerboard()
{
    return drawIndices(ScreenWidth, ScreenHeight, [](int x, int y) {
        int column = 0;
        for (int edge = 8; edge <= x; edge += 8 + column + 1)
            ++column;
        return (column + y / 16) & 1;
    });
}

// A sphere lit from the upper left: 0 around it, 1 (darkest) to 31 (brightest) on it.
QImage shadedBall()
{
    return drawIndices(ScreenWidth, ScreenHeight, [](int x, int y) {
        const double radius = 90.0;
        const double dx = (x + 0.5 - 160.0) / radius;
        const double dy = (y + 0.5 - 100.0) / radius;
        const double rr = dx * dx + dy * dy;
        if (rr > 1.0)
            return 0;
        const double dz = std::sqrt(1.0 - rr);
        const double light = std::max(0.0, -0.45 * dx - 0.55 * dy + 0.70 * dz);
        return 1 + std::clamp(int(light * 30.0 + 0.5), 0, 30);
    });
}

QImage stripes()
{
    return drawIndices(ScreenWidth, ScreenHeight, [](int x, int y) { return ((x + y) / 10) % 16; });
}

QImage plasma()
{
    return drawIndices(ScreenWidth, ScreenHeight, [](int x, int y) {
        const double v = std::sin(x / 23.0) + std::sin(y / 17.0) + std::sin((x + y) / 31.0)
            + std::sin(std::hypot(x - 160.0, y - 100.0) / 19.0);
        return std::clamp(int((v + 4.0) / 8.0 * 256.0), 0, 255);
    });
}

// A 5 by 7 pixel font for the letters of the title.
const char *const *glyph(char letter)
{
    static const char *const P[]
        = { "####.", "#...#", "#...#", "####.", "#....", "#....", "#...." };
    static const char *const E[]
        = { "#####", "#....", "#....", "####.", "#....", "#....", "#####" };
    static const char *const L[]
        = { "#....", "#....", "#....", "#....", "#....", "#....", "#####" };
    static const char *const V[]
        = { "#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.." };
    static const char *const A[]
        = { ".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#" };
    static const char *const N[]
        = { "#...#", "##..#", "#.#.#", "#.#.#", "#..##", "#...#", "#...#" };
    static const char *const D[]
        = { "####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####." };
    static const char *const M[]
        = { "#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#" };
    static const char *const O[]
        = { ".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###." };
    switch (letter) {
    case 'P':
        return P;
    case 'E':
        return E;
    case 'L':
        return L;
    case 'V':
        return V;
    case 'A':
        return A;
    case 'N':
        return N;
    case 'D':
        return D;
    case 'M':
        return M;
    default:
        return O;
    }
}

constexpr int TextScale = 5;
constexpr int TextAdvance = 6 * TextScale;

// Whether (x, y) lies on a letter of `text` written centred on the screen from line `top`.
bool onText(const char *text, int top, int x, int y)
{
    const int length = int(std::strlen(text));
    const int left = (ScreenWidth - (length * TextAdvance - TextScale)) / 2;
    if (x < left || y < top || y >= top + 7 * TextScale)
        return false;
    const int column = (x - left) / TextAdvance;
    const int gx = (x - left) % TextAdvance / TextScale;
    if (column >= length || gx >= 5)
        return false;
    return glyph(text[column])[(y - top) / TextScale][gx] == '#';
}

bool onTitle(int x, int y)
{
    return onText("PELVANE", 40, x, y) || onText("DEMO", 100, x, y);
}

// Letters in colour 1 over a drop shadow in colour 2, and an underline in colour 3.
QImage titleText()
{
    return drawIndices(ScreenWidth, ScreenHeight, [](int x, int y) {
        if (onTitle(x, y))
            return 1;
        if (onTitle(x - 3, y - 3))
            return 2;
        if (y >= 160 && y < 166 && x >= 40 && x < 280)
            return 3;
        return 0;
    });
}

// Frame k of a small ball bouncing in a 16 by 16 sprite: outline 1, body 2, highlight 3.
QImage spriteFrame(int k)
{
    static const int drop[] = { 0, 1, 3, 6, 8, 6, 3, 1 };
    const double cx = 8.0;
    const double cy = 4.5 + drop[k % 8];
    return drawIndices(16, 16, [=](int x, int y) {
        const double dx = x + 0.5 - cx;
        const double dy = y + 0.5 - cy;
        const double rr = dx * dx + dy * dy;
        if (rr > 16.0)
            return 0;
        if (rr >= 9.0)
            return 1;
        return (dx + 1.5) * (dx + 1.5) + (dy + 1.5) * (dy + 1.5) <= 1.5 ? 3 : 2;
    });
}

bool insideArrow(int x, int y)
{
    const bool shaft = x >= 4 && x <= 17 && y >= 12 && y <= 19;
    const bool head = x >= 16 && x <= 28 && std::abs(2 * y - 31) <= 2 * (28 - x) + 1;
    return shaft || head;
}

// An arrow pointing right: outline 1, body 2, a dot of 3 on the shaft.
QImage arrow()
{
    return drawIndices(32, 32, [](int x, int y) {
        if (!insideArrow(x, y))
            return 0;
        if (!insideArrow(x - 1, y) || !insideArrow(x + 1, y) || !insideArrow(x, y - 1)
            || !insideArrow(x, y + 1))
            return 1;
        return x >= 7 && x <= 9 && y >= 15 && y <= 16 ? 3 : 2;
    });
}

// "PELVANE" in white with a dark shadow over a sky of 27 bands, and "DEMO" in yellow.
QImage titleScreen()
{
    return drawIndices(ScreenWidth, ScreenHeight, [](int x, int y) {
        if (onText("PELVANE", 50, x, y))
            return 31;
        if (onText("DEMO", 110, x, y))
            return 30;
        if (onText("PELVANE", 50, x - 3, y - 3) || onText("DEMO", 110, x - 3, y - 3))
            return 1;
        return y >= 190 ? 29 : 2 + y * 27 / 190;
    });
}

// A framed status panel: frame 1, "PANEL" in 2 over a shadow in 3.
QImage panel()
{
    return drawIndices(ScreenWidth, PanelHeight, [](int x, int y) {
        if (x < 2 || x >= ScreenWidth - 2 || y < 2 || y >= PanelHeight - 2)
            return 1;
        if (onText("PANEL", 6, x, y))
            return 2;
        return onText("PANEL", 6, x - 2, y - 2) ? 3 : 0;
    });
}

// --- Colours ---------------------------------------------------------------------------------

std::uint16_t color12(int r, int g, int b)
{
    return std::uint16_t(
        (std::clamp(r, 0, 15) << 8) | (std::clamp(g, 0, 15) << 4) | std::clamp(b, 0, 15));
}

std::uint16_t color12(const QColor &colour)
{
    return color12((colour.red() + 8) / 17, (colour.green() + 8) / 17, (colour.blue() + 8) / 17);
}

// Navy, yellow, orange and white for the small pictures, then a cool grey ramp.
QList<std::uint16_t> ecsColours()
{
    QList<std::uint16_t> colours { 0x0114, 0x0FD3, 0x0E62, 0x0FFF };
    for (int k = 4; k < 32; ++k) {
        const int v = (k - 4) * 15 / 27;
        colours << color12(v, v, std::min(15, v + 2));
    }
    return colours;
}

// Black, then a red ball shading through orange to white.
QList<std::uint16_t> simpleColours()
{
    QList<std::uint16_t> colours { 0x0000 };
    for (int k = 1; k < 32; ++k)
        colours << color12(
            2 + 13 * (k - 1) / 30, k > 16 ? (k - 16) * 14 / 15 : 0, k > 22 ? (k - 22) * 12 / 9 : 0);
    return colours;
}

QList<std::uint16_t> advancedColours()
{
    QList<std::uint16_t> colours;
    for (int k = 0; k < 16; ++k)
        colours << color12(QColor::fromHsv(k * 360 / 16, 230, 255));
    return colours;
}

QList<QRgb> agaColours()
{
    QList<QRgb> colours;
    for (int i = 0; i < 256; ++i)
        colours << QColor::fromHsv(i * 359 / 255, 210, 90 + i * 165 / 255).rgb();
    return colours;
}

// Black, a shadow, a sky from deep blue through purple to orange, ground, yellow and white.
QList<std::uint16_t> titleColours()
{
    QList<std::uint16_t> colours { 0x0000, 0x0112 };
    for (int k = 0; k < 27; ++k)
        colours << color12(1 + k * 14 / 26, k * 7 / 26, 10 - k * 8 / 26);
    return colours << 0x0242 << 0x0FD2 << 0x0FFF;
}

// The panel's own four colours; the others stay the title's.
QList<std::uint16_t> panelColours(const QList<std::uint16_t> &title)
{
    return QList<std::uint16_t> { 0x0334, 0x0AAB, 0x0FC3, 0x0620 } + title.mid(4);
}

// --- Copper lists ----------------------------------------------------------------------------

// Display set-up moves that precede the colours of both lists.
QByteArray displaySetup(std::uint16_t planes)
{
    return copperMove(0x008E, 0x2C81) + copperMove(0x0090, 0x2CC1) + copperMove(0x0092, 0x0038)
        + copperMove(0x0094, 0x00D0) + copperMove(0x0100, std::uint16_t(0x0200 | planes << 12));
}

// Colours 8 to 15 first, a wait, then colours 7 down to 0: four leading colour moves make it an
// Advanced match, and no move to COLOR00 is followed by one to COLOR01, so Simple passes it by.
QByteArray advancedList(const QList<std::uint16_t> &colours)
{
    QByteArray list;
    for (int n = 8; n < 16; ++n)
        list += copperMove(std::uint16_t(Color00 + 2 * n), colours[n]);
    list += copperWait(0x2C, 0x06);
    for (int n = 7; n >= 0; --n)
        list += copperMove(std::uint16_t(Color00 + 2 * n), colours[n]);
    return list + copperEnd();
}

// The usual order: COLOR00 to COLOR31, a wait near the bottom of the display, the end.
QByteArray simpleList(const QList<std::uint16_t> &colours)
{
    QByteArray list;
    for (int n = 0; n < 32; ++n)
        list += copperMove(std::uint16_t(Color00 + 2 * n), colours[n]);
    return list + copperWait(0xFF, 0xDE) + copperMove(Color00, 0x0000) + copperEnd();
}

// The display's first list: the title's colours, the display window for both screens and five
// line-interleaved planes; then COP2LC, a wait for the panel's first line and COPJMP2.
QByteArray firstList(const DisplayScreen &title, std::uint32_t secondList)
{
    const int widthBytes = title.widthBytes;
    QByteArray list;
    for (int n = 0; n < 32; ++n)
        list += copperMove(std::uint16_t(Color00 + 2 * n), title.colours[n]);
    const int bottom = DisplayTop + title.height + PanelHeight;
    list += copperMove(0x008E, DisplayTop << 8 | 0x81)
        + copperMove(0x0090, std::uint16_t((bottom & 0xFF) << 8 | 0xC1))
        + copperMove(0x0092, 0x0038) + copperMove(0x0094, 0x00D0);
    const auto modulo = std::uint16_t(widthBytes * (title.planes - 1));
    list += copperMove(0x0100, std::uint16_t(title.planes << 12 | 0x0200))
        + copperMove(0x0108, modulo) + copperMove(0x010A, modulo);
    for (int k = 0; k < title.planes; ++k)
        list += copperMoveLong(std::uint16_t(0x00E0 + 4 * k), title.chipAddress + k * widthBytes);
    list += copperMove(0x0104, 0x0024); // the sprites in front of the playfield
    list += DemoSprites::pointerMoves(DemoSprites::sprites());
    list += copperMoveLong(0x0084, secondList);
    list += copperWait(std::uint8_t(DisplayTop + title.height), 0x07);
    return list + copperMove(0x008A, 0x0000);
}

// The shaded ball as a screen of its own, in the Simple list's colours: a list left in chip RAM
// that nothing displays, as a game leaves its title screen's.
QByteArray memoryList(std::uint32_t ballAddress, const QList<std::uint16_t> &colours)
{
    QByteArray list;
    for (int n = 0; n < 32; ++n)
        list += copperMove(std::uint16_t(Color00 + 2 * n), colours[n]);
    list += copperMove(0x008E, 0x2C81) + copperMove(0x0090, 0xF4C1) + copperMove(0x0092, 0x0038)
        + copperMove(0x0094, 0x00D0) + copperMove(0x0100, 0x5200) + copperMove(0x0108, 0)
        + copperMove(0x010A, 0);
    for (int k = 0; k < 5; ++k)
        list += copperMoveLong(std::uint16_t(0x00E0 + 4 * k), ballAddress + k * 40 * 200);
    return list + copperEnd();
}

// The panel's colours and its two planes stored one after the other, then the end.
QByteArray secondList(const DisplayScreen &panel)
{
    QByteArray list;
    for (int n = 0; n < 4; ++n)
        list += copperMove(std::uint16_t(Color00 + 2 * n), panel.colours[n]);
    list += copperMove(0x0100, std::uint16_t(panel.planes << 12 | 0x0200))
        + copperMove(0x0108, 0x0000) + copperMove(0x010A, 0x0000);
    const int planeBytes = panel.widthBytes * panel.height;
    for (int k = 0; k < panel.planes; ++k)
        list += copperMoveLong(std::uint16_t(0x00E0 + 4 * k), panel.chipAddress + k * planeBytes);
    return list + copperEnd();
}

// The registers as the display left them at the end of the frame: the lists' last values, the
// bitplane pointers run on past each screen's last line.
void setDisplayRegisters(
    QByteArray &chip, const QByteArray &lists, const QList<DisplayScreen> &screens)
{
    // The last move to a register is its value; COLORxx keep the ECS table the pictures use.
    for (qsizetype e = 0; e + 4 <= lists.size(); e += 4) {
        const int reg = std::uint8_t(lists[e]) << 8 | std::uint8_t(lists[e + 1]);
        if (!(reg & 1) && (reg < Color00 || reg >= Color00 + 64))
            SnapshotWriter::setChipRegister(chip, reg,
                std::uint16_t(std::uint8_t(lists[e + 2]) << 8 | std::uint8_t(lists[e + 3])));
    }
    // DMA, bitplane, Copper and sprite DMA on, as a real save has them.
    SnapshotWriter::setChipRegister(chip, 0x0096, 0x03A0);
    SnapshotWriter::setChipRegister(chip, 0x0080, std::uint16_t(FirstListAddress >> 16));
    SnapshotWriter::setChipRegister(chip, 0x0082, std::uint16_t(FirstListAddress & 0xFFFF));
    for (const DisplayScreen &screen : screens) {
        const std::uint32_t line = screen.mode == RipperState::ModeST
            ? screen.widthBytes * screen.planes
            : screen.widthBytes;
        for (int k = 0; k < screen.planes; ++k) {
            const std::uint32_t start = screen.mode == RipperState::ModeST
                ? screen.chipAddress + k * screen.widthBytes
                : screen.chipAddress + k * screen.widthBytes * screen.height;
            const std::uint32_t end = start + line * screen.height;
            SnapshotWriter::setChipRegister(chip, 0x00E0 + 4 * k, std::uint16_t(end >> 16));
            SnapshotWriter::setChipRegister(chip, 0x00E2 + 4 * k, std::uint16_t(end & 0xFFFF));
        }
    }
}

// --- Assembly --------------------------------------------------------------------------------

Picture picture(const QString &name, const QString &stateName, int offset, int planes, int mode,
    int paletteSource, const QList<QImage> &frames)
{
    Picture p;
    p.name = name;
    p.stateFileName = stateName;
    p.offset = offset;
    p.widthBytes = frames.first().width() / 8;
    p.height = frames.first().height();
    p.planes = planes;
    p.mode = mode;
    p.paletteSource = paletteSource;
    p.frames = frames;
    return p;
}

QList<Picture> pictures()
{
    QList<QImage> sprite;
    for (int k = 0; k < 8; ++k)
        sprite << spriteFrame(k);
    return {
        picture("Checkerboard", "demo-checkerboard.plv", 20000, 1, RipperState::ModeAM,
            RipperState::PaletteECS, { checkerboard() }),
        picture("Title text", "demo-title.plv", 30000, 2, RipperState::ModeSP,
            RipperState::PaletteECS, { titleText() }),
        picture("Bouncing ball sprite", "demo-sprite.plv", 50000, 2, RipperState::ModeCplus,
            RipperState::PaletteECS, sprite),
        picture("Arrow", "demo-arrow.plv", 52000, 2, RipperState::ModeCminus,
            RipperState::PaletteECS, { arrow() }),
        picture("Shaded ball", "demo-ball.plv", 60000, 5, RipperState::ModeAM,
            RipperState::PaletteSimple, { shadedBall() }),
        picture("Stripes", "demo-stripes.plv", 100000, 4, RipperState::ModeST,
            RipperState::PaletteAdvanced, { stripes() }),
        picture("Plasma", "demo-plasma.plv", 140000, 8, RipperState::ModeAM,
            RipperState::PaletteAGA, { plasma() }),
    };
}

void place(QByteArray &chipRam, qsizetype cramStart, qsizetype fileOffset, const QByteArray &data)
{
    chipRam.replace(fileOffset - cramStart, data.size(), data);
}

QByteArray chipRam(const Demo &demo, qsizetype cramStart)
{
    QByteArray ram(ChipRamSize, '\0');
    const QByteArray advanced = displaySetup(4);
    place(ram, cramStart, demo.advancedListOffset - advanced.size(),
        advanced + advancedList(demo.advancedColours));
    const QByteArray simple = displaySetup(5);
    place(ram, cramStart, demo.simpleListOffset - simple.size(),
        simple + simpleList(demo.simpleColours));
    for (const Picture &p : demo.pictures) {
        qsizetype at = p.offset;
        for (const QImage &frame : p.frames) {
            const QByteArray bytes = SnapshotWriter::encodePicture(frame, p.planes, p.mode);
            place(ram, cramStart, at, bytes);
            at += qsizetype(p.planes) * p.widthBytes * p.height;
        }
    }
    for (const DisplayScreen &screen : demo.screens) {
        place(ram, cramStart, screen.offset,
            SnapshotWriter::encodePicture(screen.picture, screen.planes, screen.mode));
    }
    place(ram, cramStart, demo.copperListOffset, firstList(demo.screens[0], SecondListAddress));
    place(ram, cramStart, demo.secondCopperListOffset, secondList(demo.screens[1]));
    for (const auto &[address, data] : DemoSprites::chipData(demo.sprites))
        ram.replace(qsizetype(address), data.size(), data);
    const qsizetype ball = demo.pictures[4].offset - cramStart;
    place(
        ram, cramStart, demo.memoryListOffset, memoryList(std::uint32_t(ball), demo.simpleColours));
    return ram;
}

DisplayScreen displayScreen(const QString &name, std::uint32_t chipAddress, int planes, int mode,
    const QList<std::uint16_t> &colours, const QImage &picture)
{
    DisplayScreen screen;
    screen.name = name;
    screen.chipAddress = chipAddress;
    screen.widthBytes = picture.width() / 8;
    screen.height = picture.height();
    screen.planes = planes;
    screen.mode = mode;
    screen.colours = colours;
    screen.picture = picture;
    return screen;
}

QList<DisplayScreen> displayScreens()
{
    const QList<std::uint16_t> title = titleColours();
    return {
        displayScreen("Title screen", TitleAddress, 5, RipperState::ModeST, title, titleScreen()),
        displayScreen("Panel", PanelAddress, 2, RipperState::ModeAM, panelColours(title), panel()),
    };
}

QByteArray cpuData()
{
    // 68020, no flags, then data and address registers, PC, status and stack pointers.
    QByteArray data = SnapshotWriter::bigEndian32(68020) + SnapshotWriter::bigEndian32(0);
    for (int r = 0; r < 18; ++r)
        data += SnapshotWriter::bigEndian32(r == 15 ? 0x0007FFF0u : 0u);
    return data;
}

} // namespace

Demo build()
{
    Demo demo;
    demo.pictures = pictures();
    demo.advancedListOffset = AdvancedListOffset;
    demo.simpleListOffset = SimpleListOffset;
    demo.ecsColours = ecsColours();
    demo.agaColours = agaColours();
    demo.simpleColours = simpleColours();
    demo.advancedColours = advancedColours();

    SnapshotWriter::ChunkChain chain;
    chain.add("ASF ",
        SnapshotWriter::bigEndian32(0) + QByteArray("UAE\0", 4) + QByteArray("4.4.0\0", 6)
            + QByteArray("Pelvane demo snapshot\0", 22));
    chain.add("CPU ", cpuData());
    demo.screens = displayScreens();
    demo.sprites = DemoSprites::sprites();
    QByteArray chip = SnapshotWriter::chipData(demo.ecsColours);
    setDisplayRegisters(chip,
        firstList(demo.screens[0], SecondListAddress) + secondList(demo.screens[1]), demo.screens);
    demo.ecsTableOffset = int(chain.add("CHIP", chip)) + SnapshotWriter::ChipColourOffset;
    demo.agaTableOffset = int(chain.add("AGAC", SnapshotWriter::agacData(demo.agaColours)))
        + SnapshotWriter::ChunkHeaderSize;
    const qsizetype cramStart = chain.bytes().size() + SnapshotWriter::ChunkHeaderSize;
    for (DisplayScreen &screen : demo.screens)
        screen.offset = int(cramStart + screen.chipAddress);
    demo.copperListOffset = int(cramStart + FirstListAddress);
    demo.secondCopperListOffset = int(cramStart + SecondListAddress);
    demo.memoryListOffset = int(cramStart + MemoryListAddress);
    chain.add("CRAM", chipRam(demo, cramStart));
    chain.end();
    demo.bytes = chain.bytes();
    return demo;
}

RipperState viewOf(const Demo &demo, const Picture &picture)
{
    RipperState state;
    state.filesize = int(demo.bytes.size());
    state.fileLoaded = true;
    state.offset = picture.offset;
    state.blXSize = picture.widthBytes;
    state.blYSize = picture.height;
    state.bits = picture.planes;
    state.mode = picture.mode;
    state.palsource = picture.paletteSource;
    state.palsearchmode = picture.paletteSource;
    switch (picture.paletteSource) {
    case RipperState::PaletteSimple:
        state.palfound = demo.simpleListOffset;
        break;
    case RipperState::PaletteAdvanced:
        state.palfound = demo.advancedListOffset;
        break;
    case RipperState::PaletteAGA:
        state.palfound = demo.agaTableOffset;
        break;
    default:
        state.palfound = demo.ecsTableOffset;
        break;
    }
    state.palsearchpos = state.palfound;
    return state;
}

} // namespace DemoSnapshot
