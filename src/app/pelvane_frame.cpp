// The displayed frame: its window, its sprites on the view, and its export.
#include "pelvane.h"

#include "appsettings.h"
#include "frameexport.h"
#include "frameprobe.h"
#include "framewindow.h"
#include "prompts.h"
#include "spriteview.h"

#include <QAction>
#include <QMenu>
#include <QStatusBar>

// As many as the Screens submenu lists.
static constexpr int MaxSpriteEntries = 32;

void Pelvane::createFrameEntries()
{
    displayedFrameAction = createAction(tr("Displayed &Frame"), tr("F"),
        tr("Show the whole frame the snapshot's display showed"), &Pelvane::showFrameWindow);
    viewMenu->addAction(displayedFrameAction);
    spritesMenu = viewMenu->addMenu(tr("Sprites"));
    exportFrameAction = createAction(tr("Export Displayed Frame..."), QString(),
        tr("Save the displayed frame as a PNG image"), &Pelvane::exportDisplayedFrame);
    fileMenu->insertAction(recentSeparator, exportFrameAction);
}

void Pelvane::findFrame()
{
    m_displayedFrame
        = m_state.fileLoaded ? FrameRender::render(m_state, m_frame) : FrameRender::Frame();
    if (!m_state.fileLoaded)
        m_displayedFrame.problem = tr("no snapshot is loaded");
    spritesMenu->clear();
    const std::vector<int> sprites = SpriteView::listed(m_displayedFrame);
    const int count = int(sprites.size());
    for (int i = 0; i < std::min(count, MaxSpriteEntries); ++i) {
        const int index = sprites[std::size_t(i)];
        QAction *entry
            = spritesMenu->addAction(FrameRender::spriteSummary(m_displayedFrame, index));
        connect(entry, &QAction::triggered, this, [this, index] { showSprite(index); });
    }
    if (count > MaxSpriteEntries)
        spritesMenu
            ->addAction(tr("%1 more, shown in the displayed frame").arg(count - MaxSpriteEntries))
            ->setEnabled(false);
    spritesMenu->setEnabled(count > 0);
    const bool shown = !m_displayedFrame.image.isNull();
    displayedFrameAction->setEnabled(shown);
    exportFrameAction->setEnabled(shown);
    if (m_frameWindow)
        m_frameWindow->setFrame(&m_displayedFrame);
}

void Pelvane::showFrameWindow()
{
    if (m_displayedFrame.image.isNull()) {
        statusBar()->showMessage(tr("No frame on display: %1.").arg(m_displayedFrame.problem));
        return;
    }
    if (!m_frameWindow) {
        m_frameWindow = new FrameWindow(this);
        connect(m_frameWindow, &FrameWindow::picked, this, &Pelvane::showFrameTarget);
    }
    m_frameWindow->setFrame(&m_displayedFrame);
    m_frameWindow->show();
    m_frameWindow->raise();
}

// A playfield pixel: its screen on the view from the clicked line down; a sprite: its view.
void Pelvane::showFrameTarget(QPoint framePixel)
{
    const FrameRender::Target target = FrameRender::targetAt(m_displayedFrame, framePixel);
    if (target.kind == FrameRender::Target::Sprite) {
        showSprite(target.sprite);
    } else if (target.kind == FrameRender::Target::Playfield) {
        showScreen(target.screen);
        m_state.offset = int(std::clamp<std::int64_t>(target.lineOffset, 0, m_state.filesize));
        refreshView();
    }
}

void Pelvane::showSprite(int index)
{
    const QStringList notes = SpriteView::apply(m_state, m_displayedFrame, index);
    refreshView();
    QString message = FrameRender::spriteSummary(m_displayedFrame, index);
    if (!notes.isEmpty())
        message += QStringLiteral(" (%1)").arg(notes.join(QStringLiteral("; ")));
    statusBar()->showMessage(message);
}

void Pelvane::exportDisplayedFrame()
{
    if (m_displayedFrame.image.isNull())
        return;
    const QString dir = SettingsFile().value(AppSettings::DefaultImageDir, QString()).toString();
    const QString fileName = Prompts::current().saveFileName(
        this, tr("Export Displayed Frame"), dir, tr("PNG (*.png)"));
    if (fileName.isEmpty())
        return;
    if (FrameExport::write(m_displayedFrame.image, fileName))
        statusBar()->showMessage(tr("Displayed frame saved to %1").arg(fileName));
    else
        Prompts::current().information(
            this, tr("Export error"), tr("The image could not be written to %1.").arg(fileName));
}
