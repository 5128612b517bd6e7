#include "decoder.h"
#include "demosnapshot.h"
#include "grid.h"
#include "palette.h"
#include "statefile.h"
#include "testsnapshot.h"
#include "viewranges.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestDemo : public QObject
{
    Q_OBJECT

    DemoSnapshot::Demo m_demo;
    QTemporaryDir m_dir; // what make-demo writes
    QList<QList<QRgb>> m_colours; // the leading colours of each palette source, Simple to AGA

private slots:
    void initTestCase();
    void picturesAsDocumented_data();
    void picturesAsDocumented();
    void documentedTable();
};

void TestDemo::initTestCase()
{
    m_demo = DemoSnapshot::build();
    const auto fromWords = [](const QList<std::uint16_t> &words) {
        QList<QRgb> colours;
        for (std::uint16_t word : words)
            colours << Palette::color12ToRgb(std::uint8_t(word >> 8), std::uint8_t(word & 0xFF));
        return colours;
    };
    m_colours = { fromWords(m_demo.simpleColours), fromWords(m_demo.advancedColours),
        fromWords(m_demo.ecsColours), m_demo.agaColours };
    QProcess generator;
    generator.start(QStringLiteral(PELVANE_MAKE_DEMO), { m_dir.path() });
    QVERIFY(generator.waitForFinished(60000));
    QCOMPARE(generator.exitCode(), 0);
    QFile written(m_dir.filePath(QStringLiteral("demo.uss")));
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), m_demo.bytes);
}

void TestDemo::picturesAsDocumented_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < m_demo.pictures.size(); ++i)
        QTest::newRow(qPrintable(m_demo.pictures[i].name)) << i;
}

// Each state file make-demo wrote, opened as the window opens it, shows its picture in its colours;
// a search from the start finds the same colours at the same place.
void TestDemo::picturesAsDocumented()
{
    QFETCH(int, index);
    const DemoSnapshot::Picture &p = m_demo.pictures[index];
    RipperState state;
    state.canvas = QImage(Grid::CanvasWidth, Grid::CanvasHeight, QImage::Format_Indexed8);
    Palette::resetPalette(state);
    TestSnapshot::loadInto(state, m_demo.bytes);
    const StateFile::LoadResult loaded = StateFile::load(state, m_dir.filePath(p.stateFileName));
    QVERIFY(loaded.readable && !loaded.fileSizeDiffers && !loaded.offsetClamped);
    Palette::applySelectedSource(state);
    ViewRanges::clamp(state);
    const QList<int> view { state.offset, state.blXSize, state.blYSize, state.bits, state.mode };
    QCOMPARE(view, QList<int>({ p.offset, p.widthBytes, p.height, p.planes, p.mode }));
    QCOMPARE(state.palsearchmode, p.paletteSource);
    const QList<QRgb> colours = m_colours.value(p.paletteSource);
    QCOMPARE(state.canvas.colorTable().mid(0, colours.size()), colours);

    for (int k = 0; k < p.frames.size(); ++k) {
        const QImage &frame = p.frames[k];
        QImage decoded = frame.copy();
        decoded.fill(0);
        QVERIFY(decoded != frame); // something is drawn
        Decoder::drawPicture(state, decoded, state.offset + k * Grid::pictureStride(state), 0, 0);
        QCOMPARE(decoded, frame);
    }

    Palette::resetPalette(state);
    Palette::applySelectedSource(state);
    QCOMPARE(state.palfound, DemoSnapshot::viewOf(m_demo, p).palfound);
    QCOMPARE(state.canvas.colorTable().mid(0, colours.size()), colours);
}

// The table in docs/demo.md, which the README's walk-through repeats.
void TestDemo::documentedTable()
{
    QFile doc(QStringLiteral(PELVANE_SOURCE_DIR "/docs/demo.md"));
    QVERIFY(doc.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(doc.readAll());
    const QString header
        = QStringLiteral("| Picture | Offset | Width (bytes) | Height | Planes | Mode "
                         "| Palette | Palette Found | Pictures | State file |");
    QList<QStringList> rows;
    for (const QString &line : text.section(header, 1).split(QLatin1Char('\n')).mid(2)) {
        if (!line.startsWith(QLatin1Char('|')))
            break;
        rows << QStringList();
        for (const QString &cell : line.trimmed().split(QLatin1Char('|'), Qt::SkipEmptyParts))
            rows.last() << cell.trimmed();
    }
    QCOMPARE(rows.size(), m_demo.pictures.size());
    const QStringList modes { "AM", "ST", "SP", "C+", "C-" };
    const QStringList sources { "Simple", "Advanced", "ECS", "AGA" };
    const auto n = [](qsizetype value) {
        return QString::number(value);
    };
    for (int i = 0; i < rows.size(); ++i) {
        const DemoSnapshot::Picture &p = m_demo.pictures[i];
        QCOMPARE(rows[i],
            QStringList(
                { p.name, n(p.offset), n(p.widthBytes), n(p.height), n(p.planes), modes[p.mode],
                    sources[p.paletteSource], n(DemoSnapshot::viewOf(m_demo, p).palfound),
                    n(p.frames.size()), p.stateFileName }));
    }
}

QTEST_GUILESS_MAIN(TestDemo)
#include "tst_demo.moc"
