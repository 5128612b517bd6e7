#include "framerender.h"

#include "copperwalk.h"
#include "displaysource.h"
#include "framelines.h"
#include "palette.h"
#include "spritelayer.h"

#include <algorithm>
#include <cstring>

namespace FrameRender {

using namespace ChipRegisters;
using CopperWalk::DisplaySource;
using CopperWalk::LineView;
using CopperWalk::ListRun;
using namespace SpriteLayer;

namespace {

constexpr int MaxSide = 4096;
constexpr std::uint16_t Pf2Priority = 0x0040;
constexpr std::uint16_t KillEhb = 0x0200;

int playfieldPixelsPerLores(std::uint16_t bplcon0)
{
    return bplcon0 & SuperHires ? 4 : bplcon0 & Hires ? 2 : 1;
}

// The lores pixel of the beam where the first pixel fetched at DDFSTRT appears.
int playfieldStart(const Registers &r)
{
    const std::uint16_t control = r.word(BPLCON0);
    return 2 * (r.word(DDFSTRT) & 0xFF) + (control & SuperHires ? 5 : control & Hires ? 9 : 17);
}

QRgb rgb12(std::uint16_t word)
{
    return Palette::color12ToRgb(std::uint8_t(word >> 8), std::uint8_t(word & 0xFF));
}

QRgb halved(QRgb rgb)
{
    return 0xFF000000u | ((rgb >> 1) & 0x7F7F7F);
}

// The colour registers of a line, 24-bit: ECS through the program's 12-bit table.
std::array<QRgb, 256> coloursOf(const DisplayState &s)
{
    std::array<QRgb, 256> colours {};
    if (s.aga()) {
        for (std::size_t i = 0; i < colours.size(); ++i)
            colours[i] = 0xFF000000u | s.agaColours[i];
        return colours;
    }
    for (std::size_t i = 0; i < 32; ++i)
        colours[i] = rgb12(s.ecsColours[i]);
    for (std::size_t i = 32; i < colours.size(); ++i)
        colours[i] = colours[i % 32];
    return colours;
}

// For each byte of a plane, its eight pixels as eight bytes of 0 or 1, leftmost first in memory.
const std::array<std::uint64_t, 256> &spreadTable()
{
    static const std::array<std::uint64_t, 256> table = [] {
        std::array<std::uint64_t, 256> t {};
        for (int byte = 0; byte < 256; ++byte) {
            std::uint8_t pixels[8];
            for (int j = 0; j < 8; ++j)
                pixels[j] = std::uint8_t(byte >> (7 - j) & 1);
            std::memcpy(&t[std::size_t(byte)], pixels, 8);
        }
        return t;
    }();
    return table;
}

bool extraHalfBrite(const DisplayState &s)
{
    const std::uint16_t control = s.registers().word(BPLCON0);
    return s.planes() == 6 && !(control & (Ham | DualPlayfield))
        && !(s.aga() && (s.registers().word(BPLCON2) & KillEhb));
}

struct FieldPass
{
    const ListRun *run = nullptr;
    int parity = 0; // the row of its first line: 0, or 1 for an interlaced display's short field
    SpriteDma::Field sprites;
    int spriteBase = 0; // its first entry in Frame::sprites
    std::vector<int> screens; // the walk's screen for each of its own
};

class Renderer
{
public:
    Renderer(const DisplaySource &source, const std::vector<CopperWalk::Screen> &screens)
        : m_source(source)
        , m_screens(screens)
    {
        m_frame.chipRamFirst = source.chipRamFirst;
        m_frame.screens = screens;
    }

    Frame run()
    {
        m_fields.push_back({ &m_source.run, 0, {}, 0, {} });
        if (std::any_of(m_screens.begin(), m_screens.end(),
                [](const CopperWalk::Screen &s) { return s.registers.word(BPLCON0) & Interlace; }))
            m_other = CopperWalk::otherFieldRun(m_source);
        if (m_other) {
            // The saved field bit names the field just shown; COP1LC holds the next one's list.
            const bool longShown = m_source.top->registers().word(0x004) & 0x8000;
            m_fields.front().parity = longShown ? 1 : 0;
            m_fields.push_back({ &*m_other, longShown ? 0 : 1, {}, 0, {} });
            m_frame.interlaced = true;
        }
        for (FieldPass &field : m_fields)
            measure(field);
        m_frame.scale = m_scale;
        m_frame.left = m_window[0];
        m_frame.top = m_window[2];
        finishSprites();
        if (!allocate())
            return m_frame;
        for (std::size_t f = 0; f < m_fields.size(); ++f)
            draw(int(f));
        return m_frame;
    }

private:
    void measure(FieldPass &field)
    {
        SpriteDma::Channels channels(m_source.chip);
        field.spriteBase = int(m_frame.sprites.size());
        const CopperWalk::FieldLines lines
            = CopperWalk::readField(*m_source.top, *field.run, [&](const LineView &view) {
                  const DisplayState &s = view.state;
                  channels.step(view.line, s);
                  if (view.fetchBytes > 0)
                      m_scale
                          = std::max(m_scale, playfieldPixelsPerLores(s.registers().word(BPLCON0)));
                  const std::array<int, 8> &shown = channels.field().lineData.back();
                  if (std::any_of(shown.begin(), shown.end(), [](int i) { return i >= 0; }))
                      m_scale = std::max(m_scale, spritePixelsPerLores(s));
                  for (std::size_t p = m_frame.sprites.size() - std::size_t(field.spriteBase);
                       p < channels.field().pieces.size(); ++p)
                      addSprite(channels.field().pieces[p], s, int(&field - m_fields.data()));
                  m_window = { s.windowLeft(), s.windowRight(), s.windowStart(), s.windowStop() };
              });
        field.sprites = channels.field();
        for (const CopperWalk::Screen &own : lines.screens) {
            const auto same = std::find_if(m_screens.begin(), m_screens.end(),
                [&](const CopperWalk::Screen &s) { return s.firstLine == own.firstLine; });
            field.screens.push_back(same == m_screens.end() ? -1 : int(same - m_screens.begin()));
        }
    }

    void addSprite(const SpriteDma::Piece &piece, const DisplayState &s, int field)
    {
        Sprite sprite;
        sprite.piece = piece;
        sprite.field = field;
        const bool odd = piece.channel % 2;
        const int base = 16 * spriteBank(s, odd) + 4 * (piece.channel / 2);
        sprite.firstColour = base + 1;
        sprite.lastColour = base + 3;
        sprite.pixelShift = spritePixelsPerLores(s); // the ratio until the scale is known
        sprite.colours = coloursOf(s);
        m_frame.sprites.push_back(sprite);
    }

    bool allocate()
    {
        const auto [left, right, top, bottom] = m_window;
        const int width = (right - left) * m_scale;
        const int height = (bottom - top) * (m_frame.interlaced ? 2 : 1);
        if (width <= 0 || height <= 0 || width > MaxSide || height > MaxSide) {
            m_frame.problem = QStringLiteral("the display window is empty");
            return false;
        }
        m_frame.image = QImage(width, height, QImage::Format_RGB32);
        m_frame.image.fill(Qt::black);
        const std::size_t pixels = std::size_t(width) * std::size_t(height);
        m_frame.indices = std::vector<std::int16_t>(pixels); // colour 0 where nothing is drawn
        m_frame.spriteAt.resize(pixels);
        std::memset(m_frame.spriteAt.data(), 0xFF, pixels * sizeof(std::int16_t)); // all -1
        m_frame.rows.assign(std::size_t(height), Row());
        return true;
    }

    void draw(int f)
    {
        FieldPass &field = m_fields[std::size_t(f)];
        CopperWalk::readField(*m_source.top, *field.run, [&](const LineView &view) {
            const int row = (view.line - m_frame.top) * (m_frame.interlaced ? 2 : 1) + field.parity;
            if (view.line >= m_frame.top && row < m_frame.image.height())
                drawRow(view, field, f, row);
        });
    }

    void drawRow(const LineView &view, const FieldPass &field, int f, int row)
    {
        const DisplayState &s = view.state;
        if (!m_coloursValid || s.ecsColours != m_coloursFrom.first
            || s.agaColours != m_coloursFrom.second) {
            m_coloursFrom = { s.ecsColours, s.agaColours };
            m_colours = coloursOf(s);
            m_coloursValid = true;
            m_valueTableStale = true;
        }
        const std::array<QRgb, 256> &colours = m_colours;
        Row &info = m_frame.rows[std::size_t(row)];
        info.line = view.line;
        info.field = f;
        const int width = m_frame.image.width();
        QRgb *out = reinterpret_cast<QRgb *>(m_frame.image.scanLine(row));
        std::int16_t *indices = m_frame.indices.data() + std::size_t(row) * std::size_t(width);
        m_values.assign(std::size_t(width), 0);
        if (view.fetchBytes <= 0)
            std::fill(out, out + width, colours[0]);
        else {
            info.screen = view.screen >= 0 && std::size_t(view.screen) < field.screens.size()
                ? field.screens[std::size_t(view.screen)]
                : -1;
            info.fetchBytes = view.fetchBytes;
            info.pointers = view.pointers;
            info.planes = s.planes();
            playfieldValues(view, info);
            colourPlayfield(s, colours, out, indices);
        }
        if (std::size_t(view.line) < field.sprites.lineData.size()) {
            const std::size_t at = std::size_t(row) * std::size_t(width);
            SpriteLayer::draw(s, field.sprites, view.line, { m_frame.left, m_scale, width },
                m_values, colours, field.spriteBase, { out, indices, m_frame.spriteAt.data() + at },
                m_sprites);
        }
    }

    // Each frame column's bitplane value, each playfield moved on by its delay.
    void playfieldValues(const LineView &view, Row &info)
    {
        const Registers &r = view.state.registers();
        const int bytes = view.fetchBytes;
        m_words.assign(std::size_t(bytes), 0);
        const std::array<std::uint64_t, 256> &spread = spreadTable();
        for (int k = 0; k < info.planes; ++k) {
            const std::int64_t from = view.pointers[std::size_t(k)];
            const std::int64_t inside
                = std::clamp<std::int64_t>(m_source.chip.size - from, 0, bytes);
            const std::uint8_t *plane = m_source.chip.bytes + from;
            for (std::int64_t b = 0; b < inside; ++b)
                m_words[std::size_t(b)] |= spread[plane[b]] << k;
        }
        info.playfieldShift = shiftOf(m_scale / playfieldPixelsPerLores(r.word(BPLCON0)));
        const int delay[2] = { r.word(BPLCON1) & 0xF, (r.word(BPLCON1) >> 4) & 0xF };
        const int width = int(m_values.size());
        const int shift = info.playfieldShift;
        // Odd planes 1, 3, 5, 7 make playfield 1, even ones playfield 2; without delays, both
        // go on in one pass.
        const bool together = delay[0] == delay[1];
        const std::uint8_t masks[2] = { std::uint8_t(together ? 0xFF : 0x55), 0xAA };
        for (int pf = 0; pf < (together ? 1 : 2); ++pf) {
            const int first = (playfieldStart(r) + delay[pf] - m_frame.left) * m_scale;
            info.playfieldLeft[std::size_t(pf)] = first;
            if (together)
                info.playfieldLeft[1] = first;
            const int end
                = int(std::min<std::int64_t>(width, first + (std::int64_t(8 * bytes) << shift)));
            std::uint8_t *values = m_values.data();
            // The spread words hold their pixels leftmost first in memory.
            const auto *line = reinterpret_cast<const std::uint8_t *>(m_words.data());
            const std::uint8_t mask = masks[pf];
            if (shift == 0 && together) {
                const int from = std::max(first, 0);
                if (from < end)
                    std::memcpy(values + from, line + (from - first), std::size_t(end - from));
            } else if (shift == 0) {
                for (int x = std::max(first, 0); x < end; ++x)
                    values[x] |= line[x - first] & mask;
            } else {
                for (int x = std::max(first, 0); x < end; ++x)
                    values[x] |= line[(x - first) >> shift] & mask;
            }
        }
    }

    void colourPlayfield(const DisplayState &s, const std::array<QRgb, 256> &colours, QRgb *out,
        std::int16_t *indices)
    {
        if ((s.registers().word(BPLCON0) & Ham)
            && (s.planes() == 6 || (s.aga() && s.planes() == 8))) {
            holdAndModify(s, colours, out, indices);
            return;
        }
        if (m_valueTableStale || m_valueTableKey != valueTableKey(s)) {
            fillValueTable(s, colours);
            m_valueTableKey = valueTableKey(s);
            m_valueTableStale = false;
        }
        const std::uint8_t *values = m_values.data();
        for (int x = 0; x < int(m_values.size()); ++x) {
            out[x] = m_valueColour[values[x]];
            indices[x] = m_valueIndex[values[x]];
        }
    }

    // What, besides the colours, decides a bitplane value's colour.
    static std::array<std::uint16_t, 5> valueTableKey(const DisplayState &s)
    {
        const Registers &r = s.registers();
        return { std::uint16_t(s.planes() | (s.aga() ? 0x100 : 0)), r.word(BPLCON0),
            r.word(BPLCON2), r.word(BPLCON3), r.word(BPLCON4) };
    }

    // Each bitplane value's colour index and colour: dual playfield, BPLAM and half-brite.
    void fillValueTable(const DisplayState &s, const std::array<QRgb, 256> &colours)
    {
        const Registers &r = s.registers();
        const int bplam = s.aga() ? r.word(BPLCON4) >> 8 : 0;
        const bool dual = r.word(BPLCON0) & DualPlayfield;
        static const int offsets[] = { 0, 2, 4, 8, 16, 32, 64, 128 };
        const int second = s.aga() ? offsets[(r.word(BPLCON3) >> 10) & 7] : 8;
        const bool pf2Front = r.word(BPLCON2) & Pf2Priority;
        const bool halfBrite = extraHalfBrite(s);
        for (int v = 0; v < 256; ++v) {
            int index = v;
            if (dual) {
                const int v1 = oddPlanes(v);
                const int v2 = evenPlanes(v) ? evenPlanes(v) + second : 0;
                const int front = pf2Front ? v2 : v1;
                index = front ? front : pf2Front ? v1 : v2;
            }
            index = (index ^ bplam) & 0xFF;
            QRgb colour = colours[std::size_t(index)];
            // Half-brite halves each component: 12-bit ones before the program's table.
            if (halfBrite && index >= 32 && index < 64)
                colour = s.aga() ? halved(colours[std::size_t(index - 32)])
                                 : rgb12((s.ecsColours[std::size_t(index - 32)] >> 1) & 0x777);
            m_valueIndex[std::size_t(v)] = std::int16_t(index);
            m_valueColour[std::size_t(v)] = colour;
        }
    }

    // HAM6: bits 5-4 choose, bits 3-0 the register or the new component. HAM8: bits 1-0 choose,
    // bits 7-2 the register or the component's upper six bits. Each line starts from COLOR00.
    void holdAndModify(const DisplayState &s, const std::array<QRgb, 256> &colours, QRgb *out,
        std::int16_t *indices)
    {
        const bool ham8 = s.planes() == 8;
        std::uint32_t held12 = s.ecsColours[0];
        QRgb held = colours[0];
        for (int x = 0; x < int(m_values.size()); ++x) {
            const int v = m_values[std::size_t(x)];
            const int control = ham8 ? v & 3 : v >> 4 & 3;
            const int data = ham8 ? v >> 2 : v & 0xF;
            indices[x] = control ? -1 : std::int16_t(data);
            if (control == 0) {
                held = colours[std::size_t(data)];
                held12 = s.ecsColours[std::size_t(data & 31)];
            } else if (!s.aga()) { // 12-bit components through the program's table
                const int shift = control == 1 ? 0 : control == 2 ? 8 : 4;
                held12 = (held12 & ~(0xFu << shift)) | std::uint32_t(data) << shift;
                held = rgb12(std::uint16_t(held12));
            } else {
                const int shift = control == 1 ? 0 : control == 2 ? 16 : 8;
                const std::uint32_t component
                    = ham8 ? std::uint32_t(data) << 2 : std::uint32_t(data) << 4;
                const std::uint32_t kept = ham8 ? 0x03 : 0x0F;
                held = (held & ~(0xFFu << shift)) | (component | ((held >> shift) & kept)) << shift;
            }
            out[x] = held;
        }
    }

    // Positions in the window, the scale's pixel shifts, attached pairs joined.
    void finishSprites()
    {
        std::vector<Sprite> &sprites = m_frame.sprites;
        for (const FieldPass &field : m_fields) { // their lines counted to the end
            for (std::size_t p = 0; p < field.sprites.pieces.size(); ++p)
                sprites[std::size_t(field.spriteBase) + p].piece = field.sprites.pieces[p];
        }
        for (Sprite &sprite : sprites) {
            sprite.x = sprite.piece.hstart + 1 - m_frame.left;
            sprite.y = sprite.piece.firstLine - m_frame.top;
            sprite.pixelShift = shiftOf(m_scale / sprite.pixelShift);
        }
        for (std::size_t i = 0; i < sprites.size(); ++i) {
            Sprite &odd = sprites[i];
            if (!odd.piece.attach)
                continue;
            for (std::size_t j = 0; j < sprites.size(); ++j) {
                Sprite &even = sprites[j];
                if (even.field == odd.field && even.piece.channel == odd.piece.channel - 1
                    && even.piece.firstLine == odd.piece.firstLine) {
                    even.partner = int(i);
                    even.firstColour = odd.firstColour - 4 * (odd.piece.channel / 2);
                    even.lastColour = even.firstColour + 14;
                    odd.joined = true;
                }
            }
        }
    }

    const DisplaySource &m_source;
    const std::vector<CopperWalk::Screen> &m_screens;
    std::optional<ListRun> m_other;
    std::vector<FieldPass> m_fields;
    Frame m_frame;
    int m_scale = 1;
    std::array<int, 4> m_window {}; // left, right, top, bottom
    // The last line's colour registers and what they give.
    bool m_coloursValid = false;
    std::pair<std::array<std::uint16_t, 32>, std::array<std::uint32_t, 256>> m_coloursFrom;
    std::array<QRgb, 256> m_colours {};
    // The playfield's colour for each bitplane value, and what it was made from.
    bool m_valueTableStale = true;
    std::array<std::uint16_t, 5> m_valueTableKey {};
    std::array<std::int16_t, 256> m_valueIndex {};
    std::array<QRgb, 256> m_valueColour {};
    std::vector<std::uint64_t> m_words; // one line's fetched pixels, eight at a time
    std::vector<std::uint8_t> m_values; // per frame column
    std::vector<std::uint8_t> m_sprites; // per channel and frame column
};

} // namespace

Frame render(const RipperState &state)
{
    return render(state, CopperWalk::walk(state));
}

Frame render(const RipperState &state, const CopperWalk::Frame &walked)
{
    const DisplaySource source = CopperWalk::openDisplay(state);
    if (!source.usable) {
        Frame frame;
        frame.problem = CopperWalk::describeStop(walked);
        return frame;
    }
    return Renderer(source, walked.screens).run();
}

QString spriteSummary(const Frame &frame, int index)
{
    const Sprite &s = frame.sprites[std::size_t(index)];
    const QString name = s.partner >= 0
        ? QStringLiteral("%1+%2").arg(s.piece.channel).arg(s.piece.channel + 1)
        : QString::number(s.piece.channel);
    return QStringLiteral("Sprite %1: %2\u00D7%3 at (%4, %5), colours %6-%7, chip %8")
        .arg(name)
        .arg(16 * s.piece.words)
        .arg(s.piece.lines)
        .arg(s.x)
        .arg(s.y)
        .arg(s.firstColour)
        .arg(s.lastColour)
        .arg(CopperWalk::chipAddressText(s.piece.data));
}

} // namespace FrameRender
