#include "framelines.h"

#include "fetchrule.h"

#include <tuple>

namespace CopperWalk {

using namespace ChipRegisters;

namespace {

// DIWHIGH reaches line 2047; nothing is displayed below.
constexpr int LastLine = 2047;

// What must stay the same for lines to continue one screen.
auto layoutKey(const DisplayState &s)
{
    const Registers &r = s.registers();
    const std::uint16_t control = r.word(BPLCON0);
    return std::make_tuple(s.planes(),
        control & (Hires | SuperHires | Ham | DualPlayfield | Interlace), r.word(DDFSTRT),
        r.word(DDFSTOP), s.aga() ? r.word(FMODE) & 3 : 0, r.word(BPL1MOD), r.word(BPL2MOD));
}

bool isPointer(int reg)
{
    return reg >= BPL1PT && reg < BPL1PT + 32;
}

class LineReader
{
public:
    LineReader(const DisplayState &top, const ListRun &run,
        const std::array<std::uint32_t, 8> &pointers, bool forceDma, const LineVisitor &visit)
        : m_state(top)
        , m_run(run)
        , m_pointers(pointers)
        , m_forceDma(forceDma)
        , m_visit(visit)
    {
    }

    FieldLines read()
    {
        for (int line = 0; line <= LastLine; ++line) {
            if (m_next == m_run.moves.size() && line >= m_state.windowStop())
                break;
            applyMoves(line);
            readLine(line);
        }
        return m_field;
    }

private:
    void applyMoves(int line)
    {
        m_changedPointers = 0;
        m_changedColours.reset();
        for (; m_next < m_run.moves.size() && m_run.moves[m_next].line <= line; ++m_next) {
            const Move &move = m_run.moves[m_next];
            if (isPointer(move.reg))
                setPointer(move.reg, move.value);
            if (move.reg >= COLOR00 && move.reg < COLOR00 + 2 * DisplayState::ColourRegisters)
                writeColour(move.reg, move.value);
            else
                m_state.write(move.reg, move.value);
        }
    }

    // Notes the table entry the write changes: on AGA, in the bank BPLCON3 picks.
    void writeColour(int reg, std::uint16_t value)
    {
        const std::size_t n = std::size_t(reg - COLOR00) / 2;
        const std::size_t entry
            = m_state.aga() ? (m_state.registers().word(BPLCON3) >> 13) * 32u + n : n;
        const std::uint32_t before
            = m_state.aga() ? m_state.agaColours[entry] : m_state.ecsColours[entry];
        m_state.write(reg, value);
        const std::uint32_t after
            = m_state.aga() ? m_state.agaColours[entry] : m_state.ecsColours[entry];
        if (after != before)
            m_changedColours.set(entry);
    }

    void setPointer(int reg, std::uint16_t value)
    {
        const int plane = (reg - BPL1PT) / 4;
        std::uint32_t &pointer = m_pointers[std::size_t(plane)];
        const std::uint32_t before = pointer;
        pointer = reg % 4 ? (pointer & 0xFFFF0000u) | value
                          : std::uint32_t(value) << 16 | (pointer & 0xFFFFu);
        m_written |= 1u << plane;
        if (pointer != before)
            m_changedPointers |= 1u << plane;
    }

    void readLine(int line)
    {
        const bool inWindow = line >= m_state.windowStart() && line < m_state.windowStop();
        const int planes = m_state.planes();
        const FetchRule::Fetch fetch = FetchRule::perLine(m_state.registers(), m_state.aga());
        const bool dma = inWindow && planes > 0 && (m_forceDma || m_state.bitplaneDma());
        if (dma && fetch.runaway && !m_field.runaway) {
            m_field.runaway = true;
            m_field.runawayStart = m_state.registers().word(DDFSTRT);
            m_field.runawayStop = m_state.registers().word(DDFSTOP);
        }
        if (!dma || fetch.bytes == 0) {
            m_open = -1;
            if (m_visit)
                m_visit({ line, m_state, m_pointers, 0, -1 });
            return;
        }
        const std::uint32_t fetched = (1u << planes) - 1;
        if (m_open < 0 || m_openKey != layoutKey(m_state) || (m_changedPointers & fetched))
            openScreen(line, fetch.bytes, fetched);
        else
            openScreen().colourChanges |= m_changedColours;
        ++openScreen().lines;
        m_field.fetched = true;
        if (m_visit)
            m_visit({ line, m_state, m_pointers, fetch.bytes, m_open });
        for (int k = 0; k < planes; ++k) {
            const int step = fetch.bytes + m_state.registers().modulo(k);
            m_pointers[std::size_t(k)] += std::uint32_t(step);
            m_field.advance[std::size_t(k)] += step;
        }
    }

    void openScreen(int line, int fetchBytes, std::uint32_t fetched)
    {
        Screen screen;
        screen.firstLine = line;
        screen.fetchBytes = fetchBytes;
        screen.registers = m_state.registers();
        for (int k = 0; k < 8; ++k) {
            const std::uint32_t pointer = m_pointers[std::size_t(k)];
            screen.registers.set(BPL1PT + 4 * k, std::uint16_t(pointer >> 16));
            screen.registers.set(BPL1PT + 4 * k + 2, std::uint16_t(pointer & 0xFFFF));
        }
        screen.ecsColours = m_state.ecsColours;
        screen.agaColours = m_state.agaColours;
        for (std::size_t move : m_run.colourRunMoves)
            screen.colourRuns += move < m_next ? 1 : 0;
        if ((m_written & fetched) != fetched)
            screen.notes << QStringLiteral("pointers from the registers");
        m_open = int(m_field.screens.size());
        m_field.screens.push_back(screen);
        m_openKey = layoutKey(m_state);
    }

    Screen &openScreen() { return m_field.screens[std::size_t(m_open)]; }

    DisplayState m_state;
    const ListRun &m_run;
    std::array<std::uint32_t, 8> m_pointers;
    bool m_forceDma;
    const LineVisitor &m_visit;
    FieldLines m_field;
    std::size_t m_next = 0; // the first move not yet in effect
    std::uint32_t m_written = 0; // planes whose pointer the list has written
    std::uint32_t m_changedPointers = 0; // on this line
    std::bitset<256> m_changedColours; // on this line
    int m_open = -1; // the screen the previous line belongs to
    decltype(layoutKey(std::declval<DisplayState>())) m_openKey;
};

} // namespace

FieldLines readLines(const DisplayState &top, const ListRun &run,
    const std::array<std::uint32_t, 8> &pointers, bool forceDma, const LineVisitor &visit)
{
    return LineReader(top, run, pointers, forceDma, visit).read();
}

// Bitplane pointers moved `back` from the saved ones.
static std::array<std::uint32_t, 8> pointersBefore(
    const Registers &r, const std::array<std::int64_t, 8> &back)
{
    std::array<std::uint32_t, 8> pointers {};
    for (int k = 0; k < 8; ++k)
        pointers[std::size_t(k)] = r.address(BPL1PT + 4 * k) - std::uint32_t(back[std::size_t(k)]);
    return pointers;
}

FieldLines readField(const DisplayState &top, const ListRun &run, const LineVisitor &visit)
{
    const std::array<std::uint32_t, 8> saved = pointersBefore(top.registers(), {});
    const FieldLines asSaved = readLines(top, run, saved, false);
    if (!asSaved.fetched) {
        FieldLines forced = readLines(top, run, saved, true, visit);
        for (Screen &screen : forced.screens)
            screen.notes << QStringLiteral("bitplane DMA off");
        return forced;
    }
    return readLines(top, run, pointersBefore(top.registers(), asSaved.advance), false, visit);
}

} // namespace CopperWalk
