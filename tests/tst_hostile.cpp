// Inputs a user may receive from anyone, cut down from what the fuzzers and sanitizers found:
// each case once crashed, read outside the data or left a value outside its range.
#include "appsettings.h"
#include "palette.h"
#include "pelvane.h"
#include "testsnapshot.h"
#include "workdir.h"

#include <QTest>

using namespace TestSnapshot;

class TestHostile : public QObject
{
    Q_OBJECT

private slots:
    void chunkTableWhollyPastTheEnd_data();
    void chunkTableWhollyPastTheEnd();
    void windowPositionAtTheLimitsOfInt_data();
    void windowPositionAtTheLimitsOfInt();
};

void TestHostile::chunkTableWhollyPastTheEnd_data()
{
    QTest::addColumn<QByteArray>("tag");
    QTest::addColumn<int>("bytesAfterTag");

    // The colours would start 12 ("AGAC") or 240 ("CHIP") bytes after the tag: the file ends
    // after the length word, or right where the table would begin.
    QTest::newRow("AGAC header only") << QByteArray("AGAC") << 4;
    QTest::newRow("AGAC ends where the table begins") << QByteArray("AGAC") << 8;
    QTest::newRow("CHIP header only") << QByteArray("CHIP") << 4;
    QTest::newRow("CHIP ends where the table begins") << QByteArray("CHIP") << 236;
}

void TestHostile::chunkTableWhollyPastTheEnd()
{
    QFETCH(QByteArray, tag);
    QFETCH(int, bytesAfterTag);

    QByteArray bytes = QByteArray(16, '\0');
    bytes[7] = 12; // a first chunk of 12 bytes, so the tag is found second, at 16
    bytes += tag + bigEndian32(0xFFFFFFFF) + QByteArray(bytesAfterTag - 4, '\x0F');
    RipperState state;
    state.canvas = QImage(8, 8, QImage::Format_Indexed8);
    Palette::setDefaultPalette(state.canvas);
    loadInto(state, bytes);
    state.palfound = 3;

    tag == "AGAC" ? Palette::readAgaPalette(state) : Palette::readEcsPalette(state);
    QCOMPARE(state.palfound, 3);
    QCOMPARE(state.canvas.colorTable(), Palette::defaultColors());
}

void TestHostile::windowPositionAtTheLimitsOfInt_data()
{
    QTest::addColumn<QByteArray>("x");
    QTest::addColumn<QByteArray>("y");

    QTest::newRow("largest") << QByteArray("2147483647") << QByteArray("2147483647");
    QTest::newRow("smallest") << QByteArray("-2147483648") << QByteArray("-2147483648");
    QTest::newRow("just below largest") << QByteArray("2147483000") << QByteArray("26");
}

// A window that far off every screen falls back to the default place, without arithmetic on
// its corners overflowing.
void TestHostile::windowPositionAtTheLimitsOfInt()
{
    QFETCH(QByteArray, x);
    QFETCH(QByteArray, y);

    WorkDir dir;
    dir.writeFile(AppSettings::fileName(), "[General]\nwindowx=" + x + "\nwindowy=" + y + "\n");
    Pelvane window;
    QCOMPARE(window.geometry().topLeft(),
        QPoint(AppSettings::DefaultWindowX, AppSettings::DefaultWindowY));
}

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
