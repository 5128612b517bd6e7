// The palette controls and the keys L, J and K on the real window, with a snapshot from a file.
#include "palette.h"
#include "pelvane.h"
#include "testsnapshot.h"
#include "workdir.h"

#include <QTest>

using namespace TestSnapshot;

class TestPaletteWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void searchesAndKeys();

private:
    WorkDir m_dir;
    Builder m_snapshot;
    QString m_path;
    QString m_lists[2];
};

void TestPaletteWindow::initTestCase()
{
    QByteArray ram(64 * 1024, '\0');
    putBytes(ram, 0x1001, copperColourMoves(sampleWords(32, 7)) + copperEnd()); // odd counts too
    putBytes(ram, 0x2000, copperColourMoves(sampleWords(32, 9)) + copperEnd());
    m_snapshot = standardSnapshot(ram, sampleWords(63, 1), QList<QRgb>(256, qRgb(1, 2, 3)));
    m_path = m_dir.writeFile("test.uss", m_snapshot.bytes());
    m_lists[0] = QString::number(m_snapshot.cramDataOffset() + 0x1001);
    m_lists[1] = QString::number(m_snapshot.cramDataOffset() + 0x2000);
}

void TestPaletteWindow::searchesAndKeys()
{
    Pelvane window;
    window.loadSnapshot(m_path);
    const Ui::PelvaneClass &ui = window.form();
    const RipperState &state = window.state();

    ui.radioPaletteECS->click();
    ui.buttonSearchPal->click();
    QCOMPARE(ui.labelPalettePos->text(), QString::number(m_snapshot.chunkOffset("CHIP") + 240));
    QCOMPARE(state.canvas.color(62), rgbOfWord(sampleWords(63, 1)[62]));
    QCOMPARE(state.canvas.color(63), qRgb(63, 63, 63));
    // The first picture starts on the "ASF " tag, whose top-left bit is 0: colour 0 is shown.
    QCOMPARE(ui.labelPicture->pixmap().toImage().pixel(0, 0), rgbOfWord(sampleWords(63, 1)[0]));

    ui.radioPaletteAGA->click();
    ui.buttonSearchPal->click();
    QCOMPARE(ui.labelPalettePos->text(), QString::number(m_snapshot.chunkOffset("AGAC") + 12));
    QCOMPARE(state.canvas.color(255), qRgb(1, 2, 3));

    // L takes one list after another; past the last it sets the cursor back to 0 and keeps the
    // palette, then starts again. J finds the current list again; after Reset or K, the first.
    const auto press = [&](Qt::Key key) {
        QTest::keyClick(&window, key);
        return ui.labelPalettePos->text();
    };

    for (QRadioButton *radio : { ui.radioPaletteSimple, ui.radioPaletteAdvanced }) {
        const int step = radio == ui.radioPaletteSimple ? 1 : 128;
        radio->click();
        for (int list : { 0, 1, -1, 0 }) { // -1: nothing after the last list
            QCOMPARE(press(Qt::Key_L), m_lists[list < 0 ? 1 : list]);
            QCOMPARE(state.palsearchpos, list < 0 ? 0 : m_lists[list].toInt() + step);
            QCOMPARE(state.canvas.color(31), rgbOfWord(sampleWords(32, list == 0 ? 7 : 9)[31]));
        }
        window.stateForTesting().canvas.setColor(0, qRgb(1, 2, 3));
        QCOMPARE(press(Qt::Key_J), m_lists[0]);
        QCOMPARE(state.canvas.color(0), rgbOfWord(sampleWords(32, 7)[0]));
        QCOMPARE(press(Qt::Key_L), m_lists[1]);
        ui.buttonResetPal->click();
        QCOMPARE(ui.labelPalettePos->text(), QStringLiteral("0"));
        QCOMPARE(ui.labelPicture->pixmap().toImage().pixel(0, 0), qRgb(255, 255, 255));
        QCOMPARE(press(Qt::Key_J), m_lists[0]);
        QCOMPARE(press(Qt::Key_K), QStringLiteral("0"));
        QCOMPARE(state.canvas.colorTable(), Palette::defaultColors());
    }
}

QTEST_MAIN(TestPaletteWindow)
#include "tst_palettewindow.moc"
