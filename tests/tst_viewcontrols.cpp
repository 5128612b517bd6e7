// The view's keys, sliders and radio buttons on the real window.
#include "pelvane.h"
#include "workdir.h"

#include <QTest>
#include <memory>

class TestViewControls : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void keyLimits_data();
    void keyLimits();
    void offsetKeys_data();
    void offsetKeys();
    void keysWithoutSnapshot();
    void rightToTheEndShowsColourZero();
    void slidersStoreAndRedraw();
    void modeAndSkipModeButtons();
    void bitplaneOrderSlider();
    void xTogglesSkipMode();
    void zCyclesAndRefreshSnapsBack();
    void bTurnsColourZeroMagenta();
    void kResetsPalette();

private:
    std::unique_ptr<WorkDir> m_dir;
};

void TestViewControls::init()
{
    m_dir = std::make_unique<WorkDir>();
}

void TestViewControls::cleanup()
{
    m_dir.reset();
}

// A loaded snapshot of `size` bytes, given straight to the window.
static void load(Pelvane &window, int size, std::uint8_t fill = 0xAA)
{
    RipperState &s = window.stateForTesting();
    s.fileData.assign(std::size_t(size), fill);
    s.filesize = size;
    s.fileLoaded = true;
    window.setControlsEnabled(true);
    window.form().horizontalSlider->setMaximum(size);
    window.refreshView();
}

// The refresh rewrites every label: a label marked stale shows whether one ran.
static void markStale(Pelvane &window)
{
    window.form().labelOffset->setText("stale");
}

static bool refreshed(const Pelvane &window)
{
    return window.form().labelOffset->text() != QLatin1String("stale");
}

void TestViewControls::keyLimits_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::addColumn<bool>("refresh");
    QTest::newRow("Q") << int(Qt::Key_Q) << "blXSize" << 40 << 41 << true;
    QTest::newRow("Q at 4000") << int(Qt::Key_Q) << "blXSize" << 4000 << 4000 << true;
    QTest::newRow("A") << int(Qt::Key_A) << "blXSize" << 40 << 39 << true;
    QTest::newRow("A at 1") << int(Qt::Key_A) << "blXSize" << 1 << 1 << true;
    QTest::newRow("W") << int(Qt::Key_W) << "blYSize" << 200 << 201 << true;
    QTest::newRow("W at 600") << int(Qt::Key_W) << "blYSize" << 600 << 600 << true;
    QTest::newRow("S") << int(Qt::Key_S) << "blYSize" << 200 << 199 << true;
    QTest::newRow("S at 1") << int(Qt::Key_S) << "blYSize" << 1 << 1 << true;
    QTest::newRow("E") << int(Qt::Key_E) << "bits" << 3 << 4 << true;
    QTest::newRow("E at 8") << int(Qt::Key_E) << "bits" << 8 << 8 << false;
    QTest::newRow("D") << int(Qt::Key_D) << "bits" << 3 << 2 << true;
    QTest::newRow("D at 1") << int(Qt::Key_D) << "bits" << 1 << 1 << false;
}

static int &field(RipperState &s, const QString &name)
{
    if (name == "blXSize")
        return s.blXSize;
    if (name == "blYSize")
        return s.blYSize;
    if (name == "bits")
        return s.bits;
    return s.offset;
}

void TestViewControls::keyLimits()
{
    QFETCH(int, key);
    QFETCH(QString, field);
    QFETCH(int, before);
    QFETCH(int, after);
    QFETCH(bool, refresh);
    Pelvane window;
    load(window, 100000);
    ::field(window.stateForTesting(), field) = before;
    window.refreshView();
    markStale(window);
    QTest::keyClick(&window, Qt::Key(key));
    QCOMPARE(::field(window.stateForTesting(), field), after);
    QCOMPARE(refreshed(window), refresh);
}

void TestViewControls::offsetKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("filesize");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::newRow("Up in ST, a line of all planes")
        << int(Qt::Key_Up) << 1 << 4 << 1000 << 200 << 40;
    QTest::newRow("Up in ST, no room") << int(Qt::Key_Up) << 1 << 4 << 1000 << 40 << 40;
    QTest::newRow("Up in AM") << int(Qt::Key_Up) << 0 << 4 << 1000 << 200 << 160;
    QTest::newRow("Down") << int(Qt::Key_Down) << 0 << 1 << 100 << 59 << 99;
    QTest::newRow("Down, no room") << int(Qt::Key_Down) << 0 << 1 << 100 << 60 << 60;
    QTest::newRow("Left") << int(Qt::Key_Left) << 0 << 1 << 100 << 1 << 0;
    QTest::newRow("Left at 0") << int(Qt::Key_Left) << 0 << 1 << 100 << 0 << 0;
    QTest::newRow("Right") << int(Qt::Key_Right) << 0 << 1 << 100 << 98 << 99;
    QTest::newRow("Right at the end") << int(Qt::Key_Right) << 0 << 1 << 100 << 100 << 100;
}

void TestViewControls::offsetKeys()
{
    QFETCH(int, key);
    QFETCH(int, mode);
    QFETCH(int, bits);
    QFETCH(int, filesize);
    QFETCH(int, before);
    QFETCH(int, after);
    Pelvane window;
    load(window, filesize);
    RipperState &s = window.stateForTesting();
    s.mode = mode;
    s.bits = bits;
    s.offset = before;
    window.refreshView();
    markStale(window);
    QTest::keyClick(&window, Qt::Key(key));
    QCOMPARE(s.offset, after);
    QCOMPARE(refreshed(window), after != before);
    QCOMPARE(window.form().horizontalSlider->value(), after);
}

void TestViewControls::keysWithoutSnapshot()
{
    Pelvane window;
    QTest::keyClick(&window, Qt::Key_Right);
    QTest::keyClick(&window, Qt::Key_Down);
    QCOMPARE(window.state().offset, 0);
    QTest::keyClick(&window, Qt::Key_Q);
    QCOMPARE(window.state().blXSize, 41);
    QCOMPARE(window.form().labelXSize->text(), QStringLiteral("328"));
    QVERIFY(window.form().labelPicture->pixmap().isNull());
    QTest::keyClick(&window, Qt::Key_L); // ECS: no chunk to find
    QCOMPARE(window.state().palfound, 0);
    QCOMPARE(window.state().palsearchmode, int(RipperState::PaletteECS));
}

void TestViewControls::rightToTheEndShowsColourZero()
{
    Pelvane window;
    load(window, 100, 0xFF);
    window.stateForTesting().offset = 99;
    window.refreshView();
    QCOMPARE(window.state().canvas.pixelIndex(0, 0), 1);
    QTest::keyClick(&window, Qt::Key_Right);
    QCOMPARE(window.state().offset, 100);
    QCOMPARE(window.state().canvas.pixelIndex(0, 0), 0);
    QCOMPARE(window.state().canvas.pixelIndex(319, 199), 0);
}

void TestViewControls::slidersStoreAndRedraw()
{
    Pelvane window;
    load(window, 100000);
    const Ui::PelvaneClass &ui = window.form();
    ui.sliderXSize->setValue(100);
    QCOMPARE(window.state().blXSize, 100);
    QCOMPARE(ui.labelXSize->text(), QStringLiteral("800"));
    QCOMPARE(ui.labelNums->text(), QStringLiteral("NumX: 1\nNumY: 2"));
    ui.sliderYSize->setValue(1);
    QCOMPARE(ui.labelNums->text(), QStringLiteral("NumX: 1\nNumY: 200"));
    ui.horizontalSlider->setValue(1234);
    QCOMPARE(window.state().offset, 1234);
    QCOMPARE(ui.labelOffset->text(), QStringLiteral("1234"));
    ui.sliderSkipAmount->setValue(2048);
    QCOMPARE(window.state().skip, 2048);
    QCOMPARE(ui.labelSkipAmount->text(), QStringLiteral("2048"));
    ui.sliderBits->setValue(8);
    QCOMPARE(window.state().bits, 8);
    QCOMPARE(ui.labelBits->text(), QStringLiteral("8"));
    // 0xAA in eight planes: alternating 255 and 0.
    QCOMPARE(window.state().canvas.pixelIndex(0, 0), 255);
    QCOMPARE(window.state().canvas.pixelIndex(1, 0), 0);
}

void TestViewControls::modeAndSkipModeButtons()
{
    Pelvane window;
    load(window, 1000);
    const Ui::PelvaneClass &ui = window.form();
    const QList<QRadioButton *> modes { ui.radioModeAM, ui.radioModeST, ui.radioModeSP,
        ui.radioModeCplus, ui.radioModeCminus };
    for (int mode : { 3, 1, 4, 2, 0 }) {
        modes[mode]->click();
        QCOMPARE(window.state().mode, mode);
    }
    ui.radioSkipModeBitplanes->click();
    QCOMPARE(window.state().skipmode, 1);
    ui.radioSkipModePictures->click();
    QCOMPARE(window.state().skipmode, 0);
}

void TestViewControls::bitplaneOrderSlider()
{
    Pelvane window;
    load(window, 1000);
    window.form().sliderBit5->setValue(2);
    QCOMPARE(window.state().bitplaneorder[5], 2);
    QCOMPARE(window.form().labelBit5->text(), QStringLiteral("2"));
}

void TestViewControls::xTogglesSkipMode()
{
    Pelvane window;
    load(window, 1000);
    QTest::keyClick(&window, Qt::Key_X);
    QCOMPARE(window.state().skipmode, 1);
    QVERIFY(window.form().radioSkipModeBitplanes->isChecked());
    QTest::keyClick(&window, Qt::Key_X);
    QCOMPARE(window.state().skipmode, 0);
    QVERIFY(window.form().radioSkipModePictures->isChecked());
}

void TestViewControls::zCyclesAndRefreshSnapsBack()
{
    Pelvane window;
    load(window, 1000);
    const Ui::PelvaneClass &ui = window.form();
    QCOMPARE(window.state().palsource, 2);
    QTest::keyClick(&window, Qt::Key_Z);
    QCOMPARE(window.state().palsource, 3);
    QVERIFY(ui.radioPaletteAGA->isChecked());
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(&window, Qt::Key_Z);
    QCOMPARE(window.state().palsource, 2);
    QTest::keyClick(&window, Qt::Key_Z); // AGA chosen, not searched
    QTest::keyClick(&window, Qt::Key_Q); // any refresh puts the searched source back
    QVERIFY(ui.radioPaletteECS->isChecked());
    QCOMPARE(window.state().palsource, 2);
    ui.radioPaletteSimple->click();
    QCOMPARE(window.state().palsource, 0);
    ui.sliderYSize->setValue(50);
    QVERIFY(ui.radioPaletteECS->isChecked());
    QCOMPARE(window.state().palsource, 2);
}

void TestViewControls::bTurnsColourZeroMagenta()
{
    Pelvane window;
    load(window, 100, 0x00);
    QTest::keyClick(&window, Qt::Key_B);
    QCOMPARE(window.state().canvas.color(0), qRgb(255, 0, 255));
    QCOMPARE(window.form().labelPicture->pixmap().toImage().pixel(5, 5), qRgb(255, 0, 255));
}

void TestViewControls::kResetsPalette()
{
    Pelvane window;
    load(window, 100, 0x00);
    RipperState &s = window.stateForTesting();
    s.canvas.setColor(7, qRgb(1, 2, 3));
    s.palfound = 55;
    s.palsearchpos = 56;
    QTest::keyClick(&window, Qt::Key_K);
    QCOMPARE(s.canvas.color(7), qRgb(7, 7, 7));
    QCOMPARE(s.palfound, 0);
    QCOMPARE(s.palsearchpos, 0);
    QCOMPARE(window.form().labelPalettePos->text(), QStringLiteral("0"));
}

QTEST_MAIN(TestViewControls)
#include "tst_viewcontrols.moc"
