#include "pelvane.h"

#include "prompts.h"
#include "statefile.h"

void Pelvane::saveState()
{
    const QString fileName = Prompts::current().saveFileName(
        this, tr("Save Ripper State"), QString(), tr("Pelvane State (*.plv)"));
    if (fileName.isEmpty())
        return;
    // An unwritable path goes unreported, as with the other files the program writes.
    StateFile::save(m_state, fileName);
}

void Pelvane::openState()
{
    const QString fileName = Prompts::current().openFileName(
        this, tr("Open Ripper State"), QString(), tr("Pelvane State (*.plv)"));
    if (fileName.isEmpty())
        return;
    loadState(fileName);
}

void Pelvane::loadState(QString fileName)
{
    const StateFile::LoadResult loaded = StateFile::load(m_state, fileName);
    if (!loaded.readable) {
        Prompts::current().information(this, tr("File error"), tr("Can't open file!"));
        return;
    }
    if (loaded.fileSizeDiffers)
        Prompts::current().information(this, tr("Warning"),
            QStringLiteral("File size in saved state is not the same as the .uss-file."));
    if (loaded.offsetClamped)
        Prompts::current().information(
            this, tr("Warning"), QStringLiteral("Offset was set outside the end of file."));
    // Restores the stored palette source at the stored position, then refreshes the view; a
    // cancelled search keeps the colours but the loaded view is still shown.
    if (!applyPaletteSource())
        refreshView();
}
