// The main window's decoding, grid and view refresh; the work is done by the core library.
#include "pelvane.h"

#include "decoder.h"
#include "grid.h"

int Pelvane::pixelValue(std::int64_t position, int x, int y) const
{
    return Decoder::pixelValue(m_state, position, x, y);
}

void Pelvane::drawPicture(QImage &dest, std::int64_t position, int left, int top) const
{
    Decoder::drawPicture(m_state, dest, position, left, top);
}

std::int64_t Pelvane::pictureStride() const
{
    return Grid::pictureStride(m_state);
}

// A grid identical to the one on screen is not drawn again: nested refreshes cost nothing.
void Pelvane::drawGrid()
{
    if (!m_state.fileLoaded)
        return;
    GridKey key = GridKey::of(m_state);
    if (m_shown == key)
        return;
    if (m_literalDecoding)
        Grid::drawGridLiteral(m_state, m_state.canvas);
    else
        Grid::drawGrid(m_state, m_state.canvas);
    m_shown = std::move(key);
    showCanvas();
}

static int clampToSlider(int value, const QSlider *slider)
{
    return std::clamp(value, slider->minimum(), slider->maximum());
}

void Pelvane::clampToControls()
{
    m_state.blXSize = clampToSlider(m_state.blXSize, ui.sliderXSize);
    m_state.blYSize = clampToSlider(m_state.blYSize, ui.sliderYSize);
    m_state.offset = clampToSlider(m_state.offset, ui.horizontalSlider);
    m_state.skip = clampToSlider(m_state.skip, ui.sliderSkipAmount);
    m_state.bits = clampToSlider(m_state.bits, ui.sliderBits);
    const QSlider *orderSliders[8] = { ui.sliderBit0, ui.sliderBit1, ui.sliderBit2, ui.sliderBit3,
        ui.sliderBit4, ui.sliderBit5, ui.sliderBit6, ui.sliderBit7 };
    for (int j = 0; j < 8; ++j)
        m_state.bitplaneorder[j] = clampToSlider(m_state.bitplaneorder[j], orderSliders[j]);
}

// Writes every parameter into the controls. Moving a control runs its slot, which stores the
// same value and refreshes once more, nested; the outer run then reads the fields afresh.
void Pelvane::writeControls()
{
    const RipperState &s = m_state;
    ui.labelXSize->setText(QString::number(8 * s.blXSize));
    ui.labelYSize->setText(QString::number(s.blYSize));
    ui.sliderXSize->setValue(s.blXSize);
    ui.sliderYSize->setValue(s.blYSize);
    ui.horizontalSlider->setValue(s.offset);
    if (s.skipmode == RipperState::SkipPictures)
        ui.radioSkipModePictures->setChecked(true);
    else if (s.skipmode == RipperState::SkipBitplanes)
        ui.radioSkipModeBitplanes->setChecked(true);
    ui.sliderSkipAmount->setValue(s.skip);
    QRadioButton *modeButtons[]
        = { ui.radioModeAM, ui.radioModeST, ui.radioModeSP, ui.radioModeCplus, ui.radioModeCminus };
    if (s.mode >= 0 && s.mode < 5)
        modeButtons[s.mode]->setChecked(true);
    QRadioButton *paletteButtons[] = { ui.radioPaletteSimple, ui.radioPaletteAdvanced,
        ui.radioPaletteECS, ui.radioPaletteAGA };
    if (s.palsearchmode >= 0 && s.palsearchmode < 4)
        paletteButtons[s.palsearchmode]->setChecked(true);
    ui.labelOffset->setText(QString::number(s.offset));
    ui.labelSkipAmount->setText(QString::number(s.skip));
    m_state.numX = Grid::columnsFor(s.blXSize);
    m_state.numY = Grid::rowsFor(s.blYSize);
    ui.labelNums->setText(QStringLiteral("NumX: %1\nNumY: %2").arg(s.numX).arg(s.numY));
    ui.labelBits->setText(QString::number(s.bits));
    ui.sliderBits->setValue(s.bits);
    ui.labelPalettePos->setText(QString::number(s.palfound));
    QLabel *orderLabels[8] = { ui.labelBit0, ui.labelBit1, ui.labelBit2, ui.labelBit3, ui.labelBit4,
        ui.labelBit5, ui.labelBit6, ui.labelBit7 };
    for (int j = 0; j < 8; ++j)
        orderLabels[j]->setText(QString::number(s.bitplaneorder[j]));
    QSlider *orderSliders[8] = { ui.sliderBit0, ui.sliderBit1, ui.sliderBit2, ui.sliderBit3,
        ui.sliderBit4, ui.sliderBit5, ui.sliderBit6, ui.sliderBit7 };
    for (int j = 0; j < 8; ++j)
        orderSliders[j]->setValue(s.bitplaneorder[j]);
}

void Pelvane::refreshView()
{
    clampToControls();
    writeControls();
    drawGrid();
    showPointerReadout();
    showSnapshotInfo();
    refreshMemoryMap(false); // the view's span moves
}

void Pelvane::setControlsEnabled(bool enabled)
{
    for (QAction *action : { saveImagesAction, openStateAction, saveStateAction })
        action->setEnabled(enabled);
    QWidget *controls[] = { ui.horizontalSlider, ui.labelOffset, ui.label, ui.label_2, ui.label_3,
        ui.sliderXSize, ui.sliderYSize, ui.labelXSize, ui.labelYSize, ui.labelNums, ui.groupBox_2,
        ui.groupBox_3, ui.groupBox, ui.groupBox_4, ui.groupBox_5 };
    for (QWidget *w : controls)
        w->setEnabled(enabled);
}
