#include "chunks.h"
#include "decoder.h"
#include "demosnapshot.h"
#include "grid.h"
#include "palette.h"
#include "pelvane.h"
#include "scriptedprompts.h"
#include "statefile.h"
#include "testsnapshot.h"
#include "viewranges.h"
#include "workdir.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSet>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString buildDir()
{
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral(".."));
}

// The source tree, as the build's CMake cache names it.
QString sourceDir()
{
#ifdef PELVANE_SOURCE_DIR
    return QStringLiteral(PELVANE_SOURCE_DIR);
#else
    QFile cache(buildDir() + QStringLiteral("/CMakeCache.txt"));
    if (!cache.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray key = "CMAKE_HOME_DIRECTORY:INTERNAL=";
    while (!cache.atEnd()) {
        const QByteArray line = cache.readLine().trimmed();
        if (line.startsWith(key))
            return QString::fromUtf8(line.mid(key.size()));
    }
    return QString();
#endif
}

QStringList cells(const QString &line)
{
    QStringList parts = line.trimmed().split(QLatin1Char('|'));
    if (parts.size() < 3)
        return {};
    parts = parts.mid(1, parts.size() - 2);
    for (QString &part : parts)
        part = part.trimmed();
    return parts;
}

// The body rows of the Markdown table whose header is `header`.
QList<QStringList> tableRows(const QString &markdown, const QStringList &header)
{
    const QStringList lines = markdown.split(QLatin1Char('\n'));
    QList<QStringList> rows;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (cells(lines[i]) != header)
            continue;
        for (qsizetype j = i + 2; j < lines.size() && lines[j].startsWith(QLatin1Char('|')); ++j)
            rows << cells(lines[j]);
        break;
    }
    return rows;
}

QString demoDoc()
{
    QFile file(sourceDir() + QStringLiteral("/docs/demo.md"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

const QStringList ModeCaptions { "AM", "ST", "SP", "C+", "C-" };
const QStringList SourceNames { "Simple", "Advanced", "ECS", "AGA" };

RipperState openedView(const QByteArray &bytes)
{
    RipperState state;
    state.canvas = QImage(Grid::CanvasWidth, Grid::CanvasHeight, QImage::Format_Indexed8);
    Palette::resetPalette(state);
    TestSnapshot::loadInto(state, bytes);
    return state;
}

QList<QRgb> fromWords(const QList<std::uint16_t> &words)
{
    QList<QRgb> colours;
    for (std::uint16_t word : words)
        colours << Palette::color12ToRgb(std::uint8_t(word >> 8), std::uint8_t(word & 0xFF));
    return colours;
}

// The colours the picture's palette source puts in the leading entries.
QList<QRgb> intendedColours(const DemoSnapshot::Demo &demo, int source)
{
    switch (source) {
    case RipperState::PaletteSimple:
        return fromWords(demo.simpleColours);
    case RipperState::PaletteAdvanced:
        return fromWords(demo.advancedColours);
    case RipperState::PaletteAGA:
        return demo.agaColours;
    default:
        return fromWords(demo.ecsColours);
    }
}

// The first picture frame that does not decode to its intended indices, as text.
QString decodingMismatch(const RipperState &state, const DemoSnapshot::Picture &picture)
{
    const std::int64_t stride = Grid::pictureStride(state);
    for (int k = 0; k < picture.frames.size(); ++k) {
        const QImage &frame = picture.frames[k];
        QImage decoded(frame.size(), QImage::Format_Indexed8);
        Palette::setDefaultPalette(decoded);
        Decoder::drawPicture(state, decoded, state.offset + k * stride, 0, 0);
        for (int y = 0; y < frame.height(); ++y) {
            for (int x = 0; x < frame.width(); ++x) {
                if (decoded.pixelIndex(x, y) != frame.pixelIndex(x, y))
                    return QStringLiteral("frame %1 pixel (%2, %3): %4 instead of %5")
                        .arg(k)
                        .arg(x)
                        .arg(y)
                        .arg(decoded.pixelIndex(x, y))
                        .arg(frame.pixelIndex(x, y));
            }
        }
    }
    return QString();
}

int coloursUsed(const QImage &image)
{
    QSet<int> used;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            used.insert(image.pixelIndex(x, y));
    }
    return int(used.size());
}

} // namespace

class TestDemo : public QObject
{
    Q_OBJECT

private:
    DemoSnapshot::Demo m_demo;

    const DemoSnapshot::Picture *pictureNamed(const QString &name) const
    {
        for (const DemoSnapshot::Picture &picture : m_demo.pictures) {
            if (picture.name == name)
                return &picture;
        }
        return nullptr;
    }

private slots:
    void initTestCase();
    void chunkChain();
    void picturesDecodeAsDrawn();
    void picturesLieInsideChipRam();
    void searchesFromTheStart();
    void stateFilesShowEachPicture();
    void documentedTable();
    void documentedCopperLists();
    void documentedKeysReachEachPicture_data();
    void documentedKeysReachEachPicture();
    void generatorWritesSnapshotAndStates();
};

void TestDemo::initTestCase()
{
    m_demo = DemoSnapshot::build();
    QVERIFY2(
        !demoDoc().isEmpty(), qPrintable(sourceDir() + QStringLiteral("/docs/demo.md is missing")));
}

void TestDemo::chunkChain()
{
    const RipperState state = openedView(m_demo.bytes);
    QCOMPARE(m_demo.bytes.size(), 526032);
    QCOMPARE(Chunks::findChunk(state, "ASF "), 0);
    for (const char *tag : { "CPU ", "CHIP", "AGAC", "CRAM", "END " })
        QVERIFY2(Chunks::findChunk(state, tag) > 0, tag);
    QCOMPARE(Chunks::findChunk(state, "CHIP") + 240, m_demo.ecsTableOffset);
    QCOMPARE(Chunks::findChunk(state, "AGAC") + 12, m_demo.agaTableOffset);
    const int cram = Chunks::findChunk(state, "CRAM");
    // A length that is a multiple of four is followed by four bytes of padding.
    QCOMPARE(Chunks::findChunk(state, "END "), cram + 12 + DemoSnapshot::ChipRamSize + 4);
}

void TestDemo::picturesDecodeAsDrawn()
{
    QCOMPARE(m_demo.pictures.size(), 7);
    QSet<int> modes;
    for (const DemoSnapshot::Picture &picture : m_demo.pictures) {
        RipperState state = openedView(m_demo.bytes);
        const RipperState view = DemoSnapshot::viewOf(m_demo, picture);
        state.offset = view.offset;
        state.blXSize = view.blXSize;
        state.blYSize = view.blYSize;
        state.bits = view.bits;
        state.mode = view.mode;
        const QString mismatch = decodingMismatch(state, picture);
        QVERIFY2(mismatch.isEmpty(), qPrintable(picture.name + QStringLiteral(": ") + mismatch));
        modes.insert(picture.mode);
        QVERIFY2(coloursUsed(picture.frames.first()) >= 2, qPrintable(picture.name));
    }
    QCOMPARE(modes.size(), 5);
}

void TestDemo::picturesLieInsideChipRam()
{
    const RipperState state = openedView(m_demo.bytes);
    const int cramData = Chunks::findChunk(state, "CRAM") + 12;
    QVector<QPair<int, int>> spans { { m_demo.advancedListOffset - 20,
                                         m_demo.advancedListOffset + 72 },
        { m_demo.simpleListOffset - 20, m_demo.simpleListOffset + 140 } };
    for (const DemoSnapshot::Picture &p : m_demo.pictures)
        spans.append(
            { p.offset, p.offset + int(p.frames.size()) * p.planes * p.widthBytes * p.height });
    std::sort(spans.begin(), spans.end());
    QVERIFY(spans.first().first >= cramData);
    QVERIFY(spans.last().second <= cramData + DemoSnapshot::ChipRamSize);
    for (qsizetype i = 1; i < spans.size(); ++i)
        QVERIFY2(spans[i - 1].second <= spans[i].first, "two pieces overlap");
}

void TestDemo::searchesFromTheStart()
{
    RipperState state = openedView(m_demo.bytes);
    Palette::searchCopperSimple(state);
    QCOMPARE(state.palfound, m_demo.simpleListOffset);
    QCOMPARE(state.canvas.colorTable().mid(0, 32), fromWords(m_demo.simpleColours));
    Palette::searchCopperSimple(state);
    QCOMPARE(state.palsearchpos, 0); // the only Simple match in the file

    Palette::resetPalette(state);
    Palette::searchCopperAdvanced(state);
    QCOMPARE(state.palfound, m_demo.advancedListOffset);
    QCOMPARE(state.canvas.colorTable().mid(0, 16), fromWords(m_demo.advancedColours));

    Palette::readEcsPalette(state);
    QCOMPARE(state.palfound, m_demo.ecsTableOffset);
    QCOMPARE(state.canvas.colorTable().mid(0, 32), fromWords(m_demo.ecsColours));
    Palette::readAgaPalette(state);
    QCOMPARE(state.palfound, m_demo.agaTableOffset);
    QCOMPARE(state.canvas.colorTable(), m_demo.agaColours);
}

// Each state file, opened as the window opens it, shows its picture in its colours.
void TestDemo::stateFilesShowEachPicture()
{
    QTemporaryDir dir;
    for (const DemoSnapshot::Picture &picture : m_demo.pictures) {
        const QString path = dir.filePath(picture.stateFileName);
        QVERIFY(StateFile::save(DemoSnapshot::viewOf(m_demo, picture), path));
        RipperState state = openedView(m_demo.bytes);
        const StateFile::LoadResult loaded = StateFile::load(state, path);
        QVERIFY(loaded.readable && !loaded.fileSizeDiffers && !loaded.offsetClamped);
        Palette::applySelectedSource(state);
        ViewRanges::clamp(state);
        QCOMPARE(state.offset, picture.offset);
        QCOMPARE(state.palsearchmode, picture.paletteSource);
        const QList<QRgb> colours = intendedColours(m_demo, picture.paletteSource);
        QCOMPARE(state.canvas.colorTable().mid(0, colours.size()), colours);
        const QString mismatch = decodingMismatch(state, picture);
        QVERIFY2(mismatch.isEmpty(), qPrintable(picture.name + QStringLiteral(": ") + mismatch));
    }
}

void TestDemo::documentedTable()
{
    const QList<QStringList> rows = tableRows(demoDoc(),
        { "Picture", "Offset", "Width (bytes)", "Height", "Planes", "Mode", "Palette",
            "Palette Found", "Pictures", "State file" });
    QCOMPARE(rows.size(), m_demo.pictures.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const DemoSnapshot::Picture &p = m_demo.pictures[i];
        const QStringList expected { p.name, QString::number(p.offset),
            QString::number(p.widthBytes), QString::number(p.height), QString::number(p.planes),
            ModeCaptions[p.mode], SourceNames[p.paletteSource],
            QString::number(DemoSnapshot::viewOf(m_demo, p).palfound),
            QString::number(p.frames.size()), p.stateFileName };
        QCOMPARE(rows[i], expected);
    }
}

void TestDemo::documentedCopperLists()
{
    const QList<QStringList> rows
        = tableRows(demoDoc(), { "List", "Offset", "Colours", "Found by" });
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0][1], QString::number(m_demo.simpleListOffset));
    QVERIFY(rows[0][3].startsWith(QStringLiteral("Simple")));
    QCOMPARE(rows[1][1], QString::number(m_demo.advancedListOffset));
    QVERIFY(rows[1][3].startsWith(QStringLiteral("Advanced")));
}

void TestDemo::documentedKeysReachEachPicture_data()
{
    QTest::addColumn<QStringList>("row");
    const QList<QStringList> rows = tableRows(
        demoDoc(), { "Picture", "Offset keys", "Width", "Height", "Planes", "Mode", "Palette" });
    QVERIFY(!rows.isEmpty());
    for (const QStringList &row : rows)
        QTest::newRow(qPrintable(row.first())) << row;
}

// Follows the "by hand" table in a freshly started window: keys to the focused offset slider
// (letters pass on to the window), radio buttons and the Search button.
void TestDemo::documentedKeysReachEachPicture()
{
    QFETCH(QStringList, row);
    const DemoSnapshot::Picture *picture = pictureNamed(row.first());
    QVERIFY(picture);

    WorkDir work;
    ScriptedPrompts prompts;
    const QString snapshot = work.writeFile(QStringLiteral("demo.uss"), m_demo.bytes);
    Pelvane window;
    window.loadSnapshot(snapshot);
    const Ui::PelvaneClass &ui = window.form();
    QWidget *focused = ui.horizontalSlider;

    const QMap<QString, Qt::Key> keys { { "Home", Qt::Key_Home }, { "Page Up", Qt::Key_PageUp },
        { "Q", Qt::Key_Q }, { "A", Qt::Key_A }, { "W", Qt::Key_W }, { "S", Qt::Key_S },
        { "E", Qt::Key_E }, { "D", Qt::Key_D }, { "K", Qt::Key_K } };
    const QMap<QString, QAbstractButton *> buttons { { "AM", ui.radioModeAM },
        { "ST", ui.radioModeST }, { "SP", ui.radioModeSP }, { "C+", ui.radioModeCplus },
        { "C-", ui.radioModeCminus }, { "ECS", ui.radioPaletteECS }, { "AGA", ui.radioPaletteAGA },
        { "Simp", ui.radioPaletteSimple }, { "Advanced", ui.radioPaletteAdvanced },
        { "Search", ui.buttonSearchPal } };
    const QRegularExpression step(QStringLiteral("^(.+?)(?: ×(\\d+)| once)?$"));
    for (const QString &column : row.mid(1)) {
        if (column == QLatin1String("as it starts"))
            continue;
        for (const QString &token : column.split(QStringLiteral(", "))) {
            const QRegularExpressionMatch m = step.match(token);
            QVERIFY2(m.hasMatch(), qPrintable(token));
            const QString name = m.captured(1);
            const int times = m.captured(2).isEmpty() ? 1 : m.captured(2).toInt();
            QVERIFY2(keys.contains(name) || buttons.contains(name), qPrintable(token));
            for (int n = 0; n < times; ++n) {
                if (keys.contains(name))
                    QTest::keyClick(focused, keys[name]);
                else
                    buttons[name]->click();
            }
        }
    }

    const RipperState &s = window.state();
    QCOMPARE(s.offset, picture->offset);
    QCOMPARE(s.blXSize, picture->widthBytes);
    QCOMPARE(s.blYSize, picture->height);
    QCOMPARE(s.bits, picture->planes);
    QCOMPARE(s.mode, picture->mode);
    QCOMPARE(s.palsearchmode, picture->paletteSource);
    const QList<QRgb> colours = intendedColours(m_demo, picture->paletteSource);
    QCOMPARE(s.canvas.colorTable().mid(0, colours.size()), colours);
}

void TestDemo::generatorWritesSnapshotAndStates()
{
#ifdef PELVANE_MAKE_DEMO
    const QString tool = QStringLiteral(PELVANE_MAKE_DEMO);
#else
    const QString tool = buildDir() + QStringLiteral("/tools/make-demo");
#endif
    QVERIFY2(QFile::exists(tool), qPrintable(tool + QStringLiteral(" is not built")));
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("examples"));
    QProcess process;
    process.start(tool, { out });
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 0);

    QFile snapshot(out + QStringLiteral("/demo.uss"));
    QVERIFY(snapshot.open(QIODevice::ReadOnly));
    QCOMPARE(snapshot.readAll(), m_demo.bytes);
    for (const DemoSnapshot::Picture &picture : m_demo.pictures) {
        RipperState state = openedView(m_demo.bytes);
        QVERIFY(StateFile::load(state, out + QLatin1Char('/') + picture.stateFileName).readable);
        QCOMPARE(state.offset, picture.offset);
        QCOMPARE(state.bits, picture.planes);
        QCOMPARE(state.palsource, picture.paletteSource);
    }
}

QTEST_MAIN(TestDemo)
#include "tst_demo.moc"
