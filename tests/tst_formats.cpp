// Files for other programs: ILBM read back by netpbm's ilbmtoppm, ByteRun1 unpacked, hostile sizes
// refused, and GIMP, JASC and Adobe palettes parsed back.
#include "ilbm.h"
#include "palettefile.h"
#include "rows.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>

namespace {

// Distinct colours, so a wrong index shows.
QList<QRgb> colours(int count)
{
    QList<QRgb> list;
    for (int i = 0; i < count; ++i)
        list << qRgb(i, 255 - i, i * 37 & 255);
    return list;
}

// ByteRun1 unpacked; nothing for the no-op byte, a short input or a literal holding three equal
// bytes (a replicate run packs them better).
std::optional<QByteArray> unpack(const QByteArray &packed)
{
    QByteArray out;
    for (int i = 0, n = 0; i < packed.size(); i += n >= 0 ? n + 1 : 1) {
        n = qint8(packed[i++]);
        const QByteArray literal = packed.mid(i, std::max(n + 1, 0));
        if (n == -128 || i + std::max(n + 1, 1) > packed.size()
            || QString::fromLatin1(literal).contains(QRegularExpression("(?s)(.)\\1\\1")))
            return std::nullopt;
        out += n >= 0 ? literal : QByteArray(1 - n, packed[i]);
    }
    return out;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing");
}

} // namespace

class TestFormats : public QObject
{
    Q_OBJECT

private slots:
    void ilbm_data()
    {
        Rows::columns<int, int, int, QString, uint, int>(
            "width", "height", "planes", "pattern", "camg", "transparent");
        for (auto [name, w, h, planes, pattern, camg, transparent] :
            { std::tuple("1 plane, 1 wide", 1, 3, 1, "steps", 0u, -1),
                { "5 planes, 13 wide", 13, 5, 5, "steps", 0u, -1 },
                { "8 planes, 17 wide", 17, 4, 8, "steps", 0u, -1 },
                { "3 planes, 321 wide", 321, 6, 3, "steps", 0u, -1 },
                { "flat, runs past 128 bytes", 2000, 3, 8, "flat", 0u, -1 },
                { "noise", 203, 20, 8, "noise", 0u, -1 },
                { "hires", 320, 4, 4, "steps", 0x8000u, -1 },
                { "transparent", 33, 4, 5, "steps", 0u, 5 },
                { "65535 wide", 65535, 1, 8, "flat", 0u, -1 },
                { "0x1", 0, 1, 1, "refused", 0u, -1 }, { "1x0", 1, 0, 1, "refused", 0u, -1 },
                { "65536 wide", 65536, 1, 1, "refused", 0u, -1 },
                { "65536 high", 1, 65536, 1, "refused", 0u, -1 },
                { "no planes", 4, 4, 0, "refused", 0u, -1 },
                { "9 planes", 4, 4, 9, "refused", 0u, -1 } })
            QTest::newRow(name) << w << h << planes << QString(pattern) << camg << transparent;
    }

    // Every pixel read back by ilbmtoppm as its palette colour. A refusal creates no file and
    // leaves an existing one alone.
    void ilbm()
    {
        auto [w, h, planes, pattern, camg, transparent]
            = Rows::fetch<int, int, int, QString, uint, int>(
                "width", "height", "planes", "pattern", "camg", "transparent");
        const QList<QRgb> palette = colours(1 << planes);
        QImage image(w, h, QImage::Format_Indexed8);
        QRandomGenerator random(7);
        QList<int> expected { 3, w, h, 255 };
        for (int i = 0; i < w * h; ++i) { // the last pixel needs every plane
            const int index = (i == w * h - 1 || pattern == "flat" ? 255
                                      : pattern == "noise"         ? random.bounded(256)
                                                                   : i * 7 + i / w)
                % palette.size();
            image.scanLine(i / w)[i % w] = uchar(index);
            expected << qRed(palette[index]) << qGreen(palette[index]) << qBlue(palette[index]);
        }
        QTemporaryDir dir;
        const QString path = dir.filePath("picture.iff");
        const Ilbm::Options options { planes, camg, transparent };
        const bool refused = pattern == "refused";
        QCOMPARE(Ilbm::write(image, palette, options, path),
            refused ? Ilbm::Result::TooLarge : Ilbm::Result::Written);
        if (refused) {
            QFile old(path);
            QVERIFY(
                !old.exists() && old.open(QIODevice::WriteOnly) && old.write("old") && old.flush());
            QCOMPARE(Ilbm::write(image, palette, options, path), Ilbm::Result::TooLarge);
            QCOMPARE(readAll(path), "old");
            return;
        }
        QCOMPARE(Ilbm::planesFor(image), planes);
        const QByteArray bytes = readAll(path);
        QCOMPARE(qFromBigEndian<quint32>(bytes.constData() + 4), quint32(bytes.size() - 8));

        QProcess reader;
        reader.start("ilbmtoppm", { "-plain", path });
        if (!reader.waitForStarted(10000))
            QSKIP("ilbmtoppm is missing: scripts/install-deps installs netpbm");
        QVERIFY(reader.waitForFinished(60000) && reader.exitCode() == 0);
        QList<int> ppm; // P3: the tag, then decimal numbers
        for (const QString &token : QString::fromLatin1(reader.readAllStandardOutput().mid(1))
                                        .split(QRegularExpression("\\s+"), Qt::SkipEmptyParts))
            ppm << token.toInt();
        QCOMPARE(ppm, expected);
    }

    void byteRun1_data()
    {
        Rows::columns<QByteArray, QByteArray>("row", "packed");
        QByteArray noise(300, 0);
        QRandomGenerator(3).fillRange(reinterpret_cast<quint32 *>(noise.data()), 75);
        const auto row = [](const char *name, const QByteArray &bytes, const char *packed = "") {
            QTest::newRow(name) << bytes << QByteArray::fromHex(packed);
        };
        row("one byte", QByteArray(1, 5), "00 05");
        row("200 equal", QByteArray(200, 'A'), "81 41 b9 41");
        row("129 equal", QByteArray(129, 'A'), "81 41 00 41");
        row("two equal alone", "AA", "ff 41");
        row("run inside literals", "ABCCCD", "01 41 42 fe 43 00 44");
        row("pairs stay literal", "ABBCDDE", "06 41 42 42 43 44 44 45");
        row("noise and runs", noise + QByteArray(300, 'x') + noise.left(200));
    }

    void byteRun1()
    {
        auto [row, expected] = Rows::fetch<QByteArray, QByteArray>("row", "packed");
        const QByteArray packed = Ilbm::byteRun1(
            reinterpret_cast<const std::uint8_t *>(row.constData()), int(row.size()));
        QCOMPARE(unpack(packed), std::optional(row));
        QVERIFY(packed.size() <= row.size() + (row.size() + 127) / 128);
        QCOMPARE(packed.toHex(' '), expected.isEmpty() ? packed.toHex(' ') : expected.toHex(' '));
    }

    void palette_data()
    {
        Rows::columns<QString, int, int>("suffix", "count", "transparent");
        for (const char *suffix : { "gpl", "PAL", "act", "txt", "" })
            for (int count : { 2, 32, 256 })
                for (int transparent : { -1, 1 })
                    QTest::addRow("%s, %d, transparent %d", suffix, count, transparent)
                        << QString(suffix) << count << transparent;
    }

    // Parsed back as each format is read; an unknown suffix writes nothing.
    void palette()
    {
        auto [suffix, count, transparent]
            = Rows::fetch<QString, int, int>("suffix", "count", "transparent");
        QTemporaryDir dir;
        const QString path = dir.filePath("colours." + suffix);
        const bool known = suffix != "txt" && !suffix.isEmpty();
        QCOMPARE(PaletteFile::write(path, colours(count), "Écran", transparent), known);
        const QByteArray bytes = readAll(path);
        QCOMPARE(bytes != "missing", known);
        QList<QRgb> got;
        int gotTransparent = -1;
        if (suffix == "act") {
            QCOMPARE(bytes.size(), count < 256 || transparent >= 0 ? 772 : 768);
            // The trailer: a u16 count, then a u16 transparent index (0xFFFF for none).
            const quint32 trailer
                = bytes.size() == 772 ? qFromBigEndian<quint32>(bytes.data() + 768) : 0x100FFFF;
            const int stored = int(trailer >> 16);
            gotTransparent = (trailer & 0xFFFF) == 0xFFFF ? -1 : int(trailer & 0xFFFF);
            for (int i = 0; i < 3 * stored; i += 3)
                got << qRgb(quint8(bytes[i]), quint8(bytes[i + 1]), quint8(bytes[i + 2]));
            QCOMPARE(bytes.mid(3 * stored, 768 - 3 * stored).count('\0'), 768 - 3 * stored);
        } else if (known) {
            const bool gimp = suffix == "gpl";
            const QStringList lines = QString::fromUtf8(bytes).split(gimp ? "\n" : "\r\n");
            const QStringList header = gimp
                ? QStringList { "GIMP Palette", "Name: Écran", "Columns: 16", "#" }
                : QStringList { "JASC-PAL", "0100", QString::number(count) };
            QCOMPARE(lines.mid(0, header.size()) + lines.mid(header.size() + count),
                header + QStringList(""));
            for (const QString &line : lines.mid(header.size(), count)) {
                const QStringList rgb = line.section('\t', 0, 0).split(' ', Qt::SkipEmptyParts);
                QVERIFY(rgb.size() == 3 && !line.contains('\n') && (!gimp || line[11] == '\t'));
                gotTransparent = line.endsWith("\tTransparent") ? int(got.size()) : gotTransparent;
                got << qRgb(rgb[0].toInt(), rgb[1].toInt(), rgb[2].toInt());
            }
        }
        QCOMPARE(got, known ? colours(count) : QList<QRgb>());
        QCOMPARE(gotTransparent, suffix == "gpl" || suffix == "act" ? transparent : -1);
    }
};

QTEST_GUILESS_MAIN(TestFormats)
#include "tst_formats.moc"
