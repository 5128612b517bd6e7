// The palette buttons, source buttons and the keys L and J on the real window, with a synthetic
// snapshot loaded from a file.
#include "palette.h"
#include "pelvane.h"
#include "testsnapshot.h"
#include "workdir.h"

#include <QTest>
#include <memory>

using namespace TestSnapshot;

namespace {

QList<std::uint16_t> colourWords(int count, int seed)
{
    QList<std::uint16_t> words;
    for (int i = 0; i < count; ++i)
        words.append(std::uint16_t((i * 0x123 + seed) & 0x0FFF));
    return words;
}

QRgb wordColour(std::uint16_t word)
{
    return Palette::color12ToRgb(std::uint8_t(word >> 8), std::uint8_t(word));
}

QString number(qsizetype value)
{
    return QString::number(value);
}

} // namespace

class TestPaletteWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void ecsAndAgaButtons();
    void sourceButtonsOnlySelect();
    void lStepsThroughCopperLists();
    void jReappliesCurrentList();
    void resetButton();

private:
    void load(Pelvane &window);

    std::unique_ptr<WorkDir> m_dir;
    Builder m_snapshot;
    qsizetype m_simpleLists[2] = {};
    qsizetype m_advancedList = 0;
};

void TestPaletteWindow::init()
{
    m_dir = std::make_unique<WorkDir>();
    // An Advanced list the Simple search does not take, then two Simple lists.
    QByteArray ram(512 * 1024, '\0');
    putBytes(ram, 0x100,
        copperMove(0x0182, 0x0F00) + copperMove(0x0180, 0x00F0) + copperMove(0x0186, 0x000F)
            + copperMove(0x0184, 0x0FF0) + copperEnd());
    putBytes(ram, 0x1001, copperColourMoves(colourWords(32, 7)) + copperEnd());
    putBytes(ram, 0x2000, copperColourMoves(colourWords(32, 9)) + copperEnd());
    QList<QRgb> aga;
    for (int i = 0; i < 256; ++i)
        aga.append(qRgb(i, 255 - i, 128));
    m_snapshot = standardSnapshot(ram, colourWords(63, 1), aga);
    const qsizetype cram = m_snapshot.cramDataOffset();
    m_advancedList = cram + 0x100;
    m_simpleLists[0] = cram + 0x1001;
    m_simpleLists[1] = cram + 0x2000;
}

void TestPaletteWindow::cleanup()
{
    m_dir.reset();
}

void TestPaletteWindow::load(Pelvane &window)
{
    window.loadSnapshot(m_dir->writeFile("test.uss", m_snapshot.bytes()));
    QVERIFY(window.state().fileLoaded);
}

void TestPaletteWindow::ecsAndAgaButtons()
{
    Pelvane window;
    load(window);
    const Ui::PelvaneClass &ui = window.form();

    ui.radioPaletteECS->click();
    ui.buttonSearchPal->click();
    QCOMPARE(ui.labelPalettePos->text(), number(m_snapshot.chunkOffset("CHIP") + EcsColourOffset));
    const QImage &canvas = window.state().canvas;
    QCOMPARE(canvas.color(62), wordColour(colourWords(63, 1)[62]));
    QCOMPARE(canvas.color(63), qRgb(63, 63, 63));
    // The first picture starts on the "ASF " tag, whose top-left bit is 0: colour 0 is shown.
    QCOMPARE(ui.labelPicture->pixmap().toImage().pixel(0, 0), wordColour(colourWords(63, 1)[0]));

    ui.radioPaletteAGA->click();
    ui.buttonSearchPal->click();
    QCOMPARE(ui.labelPalettePos->text(), number(m_snapshot.chunkOffset("AGAC") + AgaColourOffset));
    QCOMPARE(window.state().palsearchmode, int(RipperState::PaletteAGA));
    QVERIFY(ui.radioPaletteAGA->isChecked());
    QCOMPARE(canvas.color(255), qRgb(255, 0, 128));
}

void TestPaletteWindow::sourceButtonsOnlySelect()
{
    Pelvane window;
    load(window);
    const Ui::PelvaneClass &ui = window.form();
    ui.labelPalettePos->setText("stale");

    ui.radioPaletteAdvanced->click();
    QCOMPARE(window.state().palsource, int(RipperState::PaletteAdvanced));
    ui.radioPaletteSimple->click();
    QCOMPARE(window.state().palsource, int(RipperState::PaletteSimple));
    QCOMPARE(ui.labelPalettePos->text(), QStringLiteral("stale")); // nothing searched or redrawn
    QCOMPARE(window.state().palsearchmode, int(RipperState::PaletteECS));
}

void TestPaletteWindow::lStepsThroughCopperLists()
{
    Pelvane window;
    load(window);
    const Ui::PelvaneClass &ui = window.form();
    ui.radioPaletteSimple->click();

    QTest::keyClick(&window, Qt::Key_L);
    QCOMPARE(ui.labelPalettePos->text(), number(m_simpleLists[0]));
    QVERIFY(ui.radioPaletteSimple->isChecked());
    QTest::keyClick(&window, Qt::Key_L);
    QCOMPARE(ui.labelPalettePos->text(), number(m_simpleLists[1]));
    QCOMPARE(window.state().canvas.color(31), wordColour(colourWords(32, 9)[31]));

    QTest::keyClick(&window, Qt::Key_L); // nothing after the last list
    QCOMPARE(window.state().palsearchpos, 0);
    QCOMPARE(ui.labelPalettePos->text(), number(m_simpleLists[1]));
    QTest::keyClick(&window, Qt::Key_L);
    QCOMPARE(ui.labelPalettePos->text(), number(m_simpleLists[0]));
}

void TestPaletteWindow::jReappliesCurrentList()
{
    Pelvane window;
    load(window);
    const Ui::PelvaneClass &ui = window.form();
    ui.radioPaletteAdvanced->click();

    QTest::keyClick(&window, Qt::Key_L);
    QCOMPARE(ui.labelPalettePos->text(), number(m_advancedList));
    QCOMPARE(window.state().palsearchpos, m_advancedList + 16);
    QTest::keyClick(&window, Qt::Key_L); // the Simple lists also qualify
    QCOMPARE(ui.labelPalettePos->text(), number(m_simpleLists[0]));

    window.stateForTesting().canvas.setColor(0, qRgb(1, 2, 3));
    QTest::keyClick(&window, Qt::Key_J);
    QCOMPARE(ui.labelPalettePos->text(), number(m_simpleLists[0]));
    QCOMPARE(window.state().canvas.color(0), wordColour(colourWords(32, 7)[0]));

    QTest::keyClick(&window, Qt::Key_K); // after a reset J starts again from the beginning
    QTest::keyClick(&window, Qt::Key_J);
    QCOMPARE(ui.labelPalettePos->text(), number(m_advancedList));
    QCOMPARE(window.state().canvas.color(1), wordColour(0x0F00));
}

void TestPaletteWindow::resetButton()
{
    Pelvane window;
    load(window);
    const Ui::PelvaneClass &ui = window.form();
    ui.buttonSearchPal->click();
    QVERIFY(ui.labelPalettePos->text() != QStringLiteral("0"));

    ui.buttonResetPal->click();
    QCOMPARE(ui.labelPalettePos->text(), QStringLiteral("0"));
    QCOMPARE(window.state().palsearchpos, 0);
    QCOMPARE(window.state().canvas.colorTable(), Palette::defaultColors());
    QCOMPARE(ui.labelPicture->pixmap().toImage().pixel(0, 0), qRgb(255, 255, 255));
}

QTEST_MAIN(TestPaletteWindow)
#include "tst_palettewindow.moc"
