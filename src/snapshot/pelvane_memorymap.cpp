// The memory map: the whole snapshot as a strip, what the display and the view use marked on it,
// a click moving the view there.
#include "pelvane.h"

#include "grid.h"
#include "memorymapview.h"

#include <QAction>
#include <QMenu>
#include <QVBoxLayout>

namespace {

using MemoryMap::Overlay;

// Each plane of a screen, first byte to last, a row `step` bytes apart.
void addScreen(std::vector<Overlay> &overlays, const CopperWalk::Frame &frame,
    const CopperWalk::Screen &screen, int kind, const QString &name)
{
    const int planes = planeCount(screen.registers.word(ChipRegisters::BPLCON0), frame.aga);
    for (int k = 0; k < planes; ++k) {
        const std::int64_t step = screen.rowStep(k);
        const std::int64_t first = frame.chipRamFirst + screen.pointer(k);
        const std::int64_t last
            = first + std::int64_t(screen.rows() - 1) * step + screen.fetchBytes - 1;
        overlays.push_back({ std::min(first, last), std::max(first, last), kind,
            QStringLiteral("%1, plane %2").arg(name).arg(k + 1), step > 0 ? step : 0 });
    }
}

void addList(std::vector<Overlay> &overlays, const CopperWalk::Frame &frame, const QString &name)
{
    const std::int64_t first = frame.chipRamFirst + frame.listAddress;
    const std::int64_t last = frame.chipRamFirst + frame.stopAddress + 3;
    if (last >= first) // a list that jumps back ends before it starts: its first part is marked
        overlays.push_back({ first, last, MemoryMap::CopperList, name, 0 });
    else
        overlays.push_back({ first, first + 3, MemoryMap::CopperList, name, 0 });
}

} // namespace

void Pelvane::createMemoryMapEntry()
{
    memoryMapAction = createAction(tr("Memory &Map"), tr("Ctrl+M"),
        tr("Show the whole snapshot as a map of what lies where"), &Pelvane::showMemoryMap);
    viewMenu->addAction(memoryMapAction);
}

void Pelvane::showMemoryMap()
{
    if (!m_memoryMap) {
        m_memoryMapWindow = new QWidget(this, Qt::Window);
        m_memoryMapWindow->setWindowTitle(tr("Memory Map"));
        m_memoryMapWindow->resize(320, 860);
        m_memoryMap = new MemoryMapView(m_memoryMapWindow);
        auto *box = new QVBoxLayout(m_memoryMapWindow);
        box->addWidget(m_memoryMap);
        connect(m_memoryMap, &MemoryMapView::positionPicked, this, &Pelvane::jumpToPosition);
        m_memoryMap->setOverview(m_state.fileLoaded ? &m_overview : nullptr, &m_state);
        m_memoryMap->setOverlays(mapOverlays());
    }
    m_memoryMapWindow->show();
    m_memoryMapWindow->raise();
}

// What the display shows and the view covers, in file positions.
std::vector<MemoryMap::Overlay> Pelvane::mapOverlays() const
{
    std::vector<Overlay> overlays;
    if (!m_state.fileLoaded)
        return overlays;
    for (std::size_t i = 0; i < m_frame.screens.size(); ++i)
        addScreen(overlays, m_frame, m_frame.screens[i], MemoryMap::DisplayedScreen,
            tr("screen %1").arg(i + 1));
    if (!m_frame.screens.empty())
        addList(overlays, m_frame, tr("displayed Copper list"));
    for (std::size_t i = 0; i < m_memoryScreens.size(); ++i) {
        const CopperScan::MemoryScreen &m = m_memoryScreens[i];
        addScreen(overlays, m.frame, m.frame.screens[std::size_t(m.index)], MemoryMap::MemoryScreen,
            tr("screen in memory %1").arg(i + 1));
        addList(overlays, m.frame, tr("Copper list %1").arg(CopperWalk::chipAddressText(m.list)));
    }
    for (std::size_t i = 0; i < m_displayedFrame.sprites.size(); ++i) {
        const SpriteDma::Piece &p = m_displayedFrame.sprites[i].piece;
        const std::int64_t data = m_displayedFrame.chipRamFirst + p.data;
        overlays.push_back({ data - 4 * p.words, data + std::int64_t(p.lines) * 4 * p.words - 1,
            MemoryMap::Sprite, tr("sprite %1").arg(p.channel), 4 * p.words });
    }
    const std::int64_t span = Grid::pictureStride(m_state) * m_state.numX * m_state.numY;
    overlays.push_back({ m_state.offset, m_state.offset + std::max<std::int64_t>(span, 1) - 1,
        MemoryMap::View, tr("the view"), 0 });
    return overlays;
}

void Pelvane::refreshMemoryMap(bool newSnapshot)
{
    if (!m_memoryMap)
        return;
    if (newSnapshot)
        m_memoryMap->setOverview(m_state.fileLoaded ? &m_overview : nullptr, &m_state);
    m_memoryMap->setOverlays(mapOverlays());
}

// As a double-click jump: one step back with Backspace.
void Pelvane::jumpToPosition(qint64 position)
{
    const int target = int(std::clamp<qint64>(position, 0, ui.horizontalSlider->maximum()));
    if (!m_state.fileLoaded || target == m_state.offset)
        return;
    rememberJump();
    m_state.offset = target;
    refreshView();
}
