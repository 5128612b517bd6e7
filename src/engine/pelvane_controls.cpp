// The view's sliders, radio buttons and keys: each stores a value and refreshes.
#include "pelvane.h"

#include <QKeyEvent>

void Pelvane::setBitplaneOrderEntry(int entry, int value)
{
    m_state.bitplaneorder[entry] = value;
    refreshView();
}

void Pelvane::on_sliderBit0_valueChanged(int)
{
    setBitplaneOrderEntry(0, ui.sliderBit0->value());
}
void Pelvane::on_sliderBit1_valueChanged(int)
{
    setBitplaneOrderEntry(1, ui.sliderBit1->value());
}
void Pelvane::on_sliderBit2_valueChanged(int)
{
    setBitplaneOrderEntry(2, ui.sliderBit2->value());
}
void Pelvane::on_sliderBit3_valueChanged(int)
{
    setBitplaneOrderEntry(3, ui.sliderBit3->value());
}
void Pelvane::on_sliderBit4_valueChanged(int)
{
    setBitplaneOrderEntry(4, ui.sliderBit4->value());
}
void Pelvane::on_sliderBit5_valueChanged(int)
{
    setBitplaneOrderEntry(5, ui.sliderBit5->value());
}
void Pelvane::on_sliderBit6_valueChanged(int)
{
    setBitplaneOrderEntry(6, ui.sliderBit6->value());
}
void Pelvane::on_sliderBit7_valueChanged(int)
{
    setBitplaneOrderEntry(7, ui.sliderBit7->value());
}

void Pelvane::on_sliderBits_valueChanged(int)
{
    m_state.bits = ui.sliderBits->value();
    refreshView();
}

void Pelvane::on_sliderSkipAmount_valueChanged(int)
{
    m_state.skip = ui.sliderSkipAmount->value();
    refreshView();
}

void Pelvane::on_sliderYSize_valueChanged(int)
{
    m_state.blYSize = ui.sliderYSize->value();
    refreshView();
}

void Pelvane::on_sliderXSize_valueChanged(int)
{
    m_state.blXSize = ui.sliderXSize->value();
    refreshView();
}

void Pelvane::on_horizontalSlider_valueChanged(int)
{
    m_state.offset = ui.horizontalSlider->value();
    refreshView();
}

void Pelvane::setSkipModeIfChecked(bool checked, int skipmode)
{
    if (!checked)
        return;
    m_state.skipmode = skipmode;
    refreshView();
}

void Pelvane::on_radioSkipModeBitplanes_toggled(bool checked)
{
    setSkipModeIfChecked(checked, RipperState::SkipBitplanes);
}

void Pelvane::on_radioSkipModePictures_toggled(bool checked)
{
    setSkipModeIfChecked(checked, RipperState::SkipPictures);
}

void Pelvane::setModeIfChecked(bool checked, int mode)
{
    if (!checked)
        return;
    m_state.mode = mode;
    refreshView();
}

void Pelvane::on_radioModeCminus_toggled(bool checked)
{
    setModeIfChecked(checked, RipperState::ModeCminus);
}
void Pelvane::on_radioModeCplus_toggled(bool checked)
{
    setModeIfChecked(checked, RipperState::ModeCplus);
}
void Pelvane::on_radioModeSP_toggled(bool checked)
{
    setModeIfChecked(checked, RipperState::ModeSP);
}
void Pelvane::on_radioModeST_toggled(bool checked)
{
    setModeIfChecked(checked, RipperState::ModeST);
}
void Pelvane::on_radioModeAM_toggled(bool checked)
{
    setModeIfChecked(checked, RipperState::ModeAM);
}

void Pelvane::stepOffset(int delta, bool allowed)
{
    if (!allowed)
        return;
    m_state.offset += delta;
    refreshView();
}

void Pelvane::keyPressEvent(QKeyEvent *event)
{
    RipperState &s = m_state;
    // One line of one bitplane; in "ST" one line of all bitplanes.
    const int step = s.mode == RipperState::ModeST ? s.blXSize * s.bits : s.blXSize;
    switch (event->key()) {
    case Qt::Key_Q:
        if (s.blXSize < ui.sliderXSize->maximum())
            ++s.blXSize;
        refreshView();
        break;
    case Qt::Key_A:
        if (s.blXSize > 1)
            --s.blXSize;
        refreshView();
        break;
    case Qt::Key_W:
        if (s.blYSize < ui.sliderYSize->maximum())
            ++s.blYSize;
        refreshView();
        break;
    case Qt::Key_S:
        if (s.blYSize > 1)
            --s.blYSize;
        refreshView();
        break;
    case Qt::Key_E:
        if (s.bits < 8) {
            ++s.bits;
            refreshView();
        }
        break;
    case Qt::Key_D:
        if (s.bits > 1) {
            --s.bits;
            refreshView();
        }
        break;
    case Qt::Key_Up:
        stepOffset(-step, s.offset >= step);
        break;
    case Qt::Key_Down:
        stepOffset(step, s.offset < s.filesize - step);
        break;
    case Qt::Key_Left:
        stepOffset(-1, s.offset > 0);
        break;
    case Qt::Key_Right:
        stepOffset(1, s.offset < s.filesize);
        break;
    case Qt::Key_L:
        on_buttonSearchPal_clicked();
        break;
    case Qt::Key_J: {
        const int cursor = s.palsearchpos; // back where it was if the search is cancelled
        s.palsearchpos = s.palfound;
        if (!applyPaletteSource())
            s.palsearchpos = cursor;
        break;
    }
    case Qt::Key_K:
        resetPalette();
        refreshView();
        break;
    case Qt::Key_B:
        s.canvas.setColor(0, qRgba(255, 0, 255, 255));
        refreshView();
        break;
    case Qt::Key_Z:
        selectNextPaletteSource();
        break;
    case Qt::Key_Backspace:
        undoJump();
        break;
    case Qt::Key_V: // only while "Displayed Screen" is off, to say why
        showNextScreen();
        break;
    case Qt::Key_X:
        if (s.skipmode == RipperState::SkipPictures) {
            ui.radioSkipModeBitplanes->setChecked(true);
            s.skipmode = RipperState::SkipBitplanes;
        } else {
            ui.radioSkipModePictures->setChecked(true);
            s.skipmode = RipperState::SkipPictures;
        }
        break;
    default:
        break;
    }
}

// Only moves the selection; the next search uses it. A source outside the four (from an edited
// state file) starts the cycle again at the first.
void Pelvane::selectNextPaletteSource()
{
    const int next = m_state.palsource >= 0 && m_state.palsource < 3 ? m_state.palsource + 1 : 0;
    m_state.palsource = next;
    QRadioButton *buttons[] = { ui.radioPaletteSimple, ui.radioPaletteAdvanced, ui.radioPaletteECS,
        ui.radioPaletteAGA };
    buttons[next]->setChecked(true);
}
