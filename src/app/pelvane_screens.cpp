// The View menu's screens: the frame the snapshot's Copper list displays, put on the view.
#include "pelvane.h"

#include "copperscan.h"
#include "screenview.h"
#include "widthguess.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

// Entries beyond these would make the menu taller than a screen; V still reaches every screen.
static constexpr int MaxScreenEntries = 32;

void Pelvane::createViewMenu()
{
    viewMenu = menuBar()->addMenu(tr("&View"));
    displayedScreenAction = createAction(tr("&Displayed Screen"), tr("V"),
        tr("Show the next screen the snapshot's Copper list displays"), &Pelvane::showNextScreen);
    viewMenu->addAction(displayedScreenAction);
    screensMenu = viewMenu->addMenu(tr("Screens"));
    memoryScreensMenu = viewMenu->addMenu(tr("Screens in &Memory"));
    createFrameEntries();
    guessWidthAction = createAction(tr("&Guess Width"), tr("G"),
        tr("Set the width to the distance at which the bytes from the offset repeat line after "
           "line"),
        &Pelvane::guessWidth);
    viewMenu->addAction(guessWidthAction);
    createMemoryMapEntry();
    findScreens();
}

void Pelvane::findScreens()
{
    m_frame = m_state.fileLoaded ? CopperWalk::walk(m_state) : CopperWalk::Frame();
    m_screenIndex = -1;
    screensMenu->clear();
    const int count = int(m_frame.screens.size());
    for (int i = 0; i < std::min(count, MaxScreenEntries); ++i) {
        QAction *entry
            = screensMenu->addAction(tr("%1: %2").arg(i + 1).arg(ScreenView::summary(m_frame, i)));
        connect(entry, &QAction::triggered, this, [this, i] { showScreen(i); });
    }
    if (count > MaxScreenEntries)
        screensMenu
            ->addAction(tr("%1 more, shown by Displayed Screen").arg(count - MaxScreenEntries))
            ->setEnabled(false);
    const bool usable = count > 0;
    displayedScreenAction->setEnabled(usable);
    screensMenu->setEnabled(usable);
    findMemoryScreens();
    findFrame();
    refreshMemoryMap(true);
}

// Only the width changes; the status bar names the best periods.
void Pelvane::guessWidth()
{
    if (!m_state.fileLoaded) {
        statusBar()->showMessage(tr("No snapshot is loaded."));
        return;
    }
    const WidthGuess::Guess guess = WidthGuess::guess(m_state);
    if (guess.width > 0) {
        m_state.blXSize = guess.width;
        refreshView();
    }
    statusBar()->showMessage(WidthGuess::describe(guess));
}

void Pelvane::findMemoryScreens()
{
    m_memoryScreens = m_state.fileLoaded ? CopperScan::screensInMemory(m_state, m_frame)
                                         : std::vector<CopperScan::MemoryScreen>();
    memoryScreensMenu->clear();
    const int count = int(m_memoryScreens.size());
    for (int i = 0; i < std::min(count, MaxScreenEntries); ++i) {
        QAction *entry
            = memoryScreensMenu->addAction(CopperScan::summary(m_memoryScreens[std::size_t(i)]));
        connect(entry, &QAction::triggered, this, [this, i] { showMemoryScreen(i); });
    }
    if (count > MaxScreenEntries)
        memoryScreensMenu->addAction(tr("%1 more, in the memory map").arg(count - MaxScreenEntries))
            ->setEnabled(false);
    memoryScreensMenu->setEnabled(count > 0);
}

void Pelvane::showMemoryScreen(int index)
{
    const CopperScan::MemoryScreen &m = m_memoryScreens[std::size_t(index)];
    m_screenIndex = -1;
    applyScreen(m.frame, m.index,
        tr("Screen in memory %1 of %2, list at %3")
            .arg(index + 1)
            .arg(m_memoryScreens.size())
            .arg(CopperWalk::chipAddressText(m.list)),
        {});
}

void Pelvane::showNextScreen()
{
    if (m_frame.screens.empty()) {
        statusBar()->showMessage(m_state.fileLoaded
                ? tr("No screen on display: %1.").arg(CopperWalk::describeNoScreen(m_frame))
                : tr("No snapshot is loaded."));
        return;
    }
    showScreen((m_screenIndex + 1) % int(m_frame.screens.size()));
}

// Sets the controls as loading a state file does, with one refresh.
void Pelvane::showScreen(int index)
{
    m_screenIndex = index;
    applyScreen(m_frame, index, tr("Screen %1 of %2").arg(index + 1).arg(m_frame.screens.size()),
        m_frame.stop != CopperWalk::Stop::End ? QStringList(CopperWalk::describeStop(m_frame))
                                              : QStringList());
}

// Puts screen `index` of `frame` on the view and says in the status bar what it is and what the
// view cannot show as the display did.
void Pelvane::applyScreen(
    const CopperWalk::Frame &frame, int index, const QString &title, QStringList notes)
{
    const ScreenView::Applied applied = ScreenView::apply(m_state, frame, index);
    refreshView();
    notes = applied.notes
        + (applied.coloursKept ? QStringList()
                               : QStringList(tr("the colours are not kept in a state file")))
        + notes;
    QString message = title + QStringLiteral(": ") + ScreenView::summary(frame, index);
    if (!notes.isEmpty())
        message += QStringLiteral(" (%1)").arg(notes.join(QStringLiteral("; ")));
    statusBar()->showMessage(message);
}
