#include "pelvane.h"

#include "chunks.h"
#include "palette.h"
#include "prompts.h"

// The window's palette members hand the work to the core; the slots refresh where the user
// expects to see the result.

void Pelvane::setDefaultPalette(QImage &image) const
{
    Palette::setDefaultPalette(image);
}

void Pelvane::resetPalette()
{
    Palette::resetPalette(m_state);
}

int Pelvane::findChunk(const char *tag) const
{
    return Chunks::findChunk(m_state, tag);
}

void Pelvane::readEcsPalette()
{
    Palette::readEcsPalette(m_state);
}

void Pelvane::readAgaPalette()
{
    Palette::readAgaPalette(m_state);
}

void Pelvane::searchCopperSimple()
{
    Palette::searchCopperSimple(m_state);
}

void Pelvane::searchCopperAdvanced()
{
    Palette::searchCopperAdvanced(m_state);
}

void Pelvane::on_buttonResetPal_clicked()
{
    resetPalette();
    refreshView();
}

// The source buttons only select; "Search" applies. The button being cleared is notified
// first, so the selected one always has the last word.
void Pelvane::on_radioPaletteAdvanced_toggled(bool)
{
    m_state.palsource = RipperState::PaletteAdvanced;
}

void Pelvane::on_radioPaletteSimple_toggled(bool)
{
    m_state.palsource = RipperState::PaletteSimple;
}

void Pelvane::on_radioPaletteAGA_toggled(bool)
{
    m_state.palsource = RipperState::PaletteAGA;
}

void Pelvane::on_radioPaletteECS_toggled(bool)
{
    m_state.palsource = RipperState::PaletteECS;
}

// Applies the selected source; a Copper search through a large snapshot shows its progress and
// can be cancelled, which leaves everything as it was (false) and so needs no refresh.
bool Pelvane::applyPaletteSource()
{
    ReportedProgress progress(this, tr("Searching for a Copper list..."));
    if (!Palette::applySelectedSource(m_state, progress.reporter()))
        return false;
    progress.close();
    refreshView();
    return true;
}

void Pelvane::on_buttonSearchPal_clicked()
{
    applyPaletteSource();
}
