// The programs beside the window: the demo generator, the command-line exporter and the install.
#include "demosnapshot.h"
#include "exporter.h"
#include "reference.h"
#include "rows.h"
#include "screenview.h"
#include "statefile.h"
#include "testsnapshot.h"
#include "widthguess.h"
#include "windowfixture.h"

#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <tuple>

namespace {

// Exit code, stdout and stderr of a run in the current directory, with `environment`'s
// "NAME=value" entries; a make above this test (make test) keeps its job server.
std::tuple<int, QByteArray, QByteArray> run(
    const QString &program, const QStringList &args, const QStringList &environment = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *make : { "MAKEFLAGS", "MFLAGS", "MAKELEVEL" })
        env.remove(make);
    for (const QString &entry : environment)
        env.insert(entry.section('=', 0, 0), entry.section('=', 1));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    const bool exited
        = process.waitForFinished(280000) && process.exitStatus() == QProcess::NormalExit;
    return { exited ? process.exitCode() : -1, process.readAllStandardOutput(),
        process.readAllStandardError() };
}

// What the window exports after "name=value" steps, in order, from its start-up view.
QImage windowExport(const QByteArray &snapshot, const QString &steps)
{
    RipperState s = Reference::loaded(snapshot, Grid::CanvasWidth, Grid::CanvasHeight);
    Palette::resetPalette(s);
    Exporter::Request r;
    const QHash<QString, int *> fields { { "offset", &s.offset }, { "width", &s.blXSize },
        { "height", &s.blYSize }, { "planes", &s.bits }, { "mode", &s.mode }, { "skip", &s.skip },
        { "skipmode", &s.skipmode }, { "from", &s.palsearchpos }, { "across", &r.picturesX },
        { "down", &r.picturesY }, { "transparent", &r.transparent },
        { "order0", &s.bitplaneorder[0] }, { "order1", &s.bitplaneorder[1] } };
    const QHash<QString, void (*)(RipperState &)> palettes { { "ecs", Palette::readEcsPalette },
        { "aga", Palette::readAgaPalette }, { "simple", Palette::searchCopperSimple },
        { "advanced", Palette::searchCopperAdvanced } };
    for (const QString &step : steps.split(' ', Qt::SkipEmptyParts)) {
        const QString name = step.section('=', 0, 0), value = step.section('=', 1);
        if (name == "palette")
            palettes.value(value)(s);
        else if (name == "screen")
            ScreenView::apply(s, CopperWalk::walk(s), value.toInt() - 1);
        else if (name == "memory") {
            const auto screens = CopperScan::screensInMemory(s, CopperWalk::walk(s));
            ScreenView::apply(s, screens[value.toUInt() - 1].frame, 0);
        } else if (name == "guess")
            s.blXSize = WidthGuess::guess(s).width;
        else
            *fields.value(name) = value.toInt();
    }
    return Exporter::compose(s, r);
}

} // namespace

class TestPrograms : public QObject
{
    Q_OBJECT

    WorkDir m_work;
    DemoSnapshot::Demo m_demo = DemoSnapshot::build();

private slots:
    // make-demo writes the demo snapshot and a state file per picture into the work directory.
    void initTestCase()
    {
        const auto [code, out, err] = run(QStringLiteral(PELVANE_MAKE_DEMO), { m_work.path() });
        QVERIFY2(code == 0, err.constData());
        QCOMPARE(m_work.readFile("demo.uss"), m_demo.bytes);
        m_work.writeFile(QStringLiteral("binary.plv"), QByteArray("\0\1\2[General]", 13));
        // Saved from a larger snapshot, with an offset beyond this one's end.
        RipperState other = DemoSnapshot::viewOf(m_demo, m_demo.pictures.first());
        other.offset = other.filesize = int(m_demo.bytes.size()) + 100;
        QVERIFY(StateFile::save(other, QStringLiteral("other-size.plv")));
    }

    void demoPictures_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < m_demo.pictures.size(); ++i)
            QTest::newRow(qPrintable(m_demo.pictures[i].name)) << i;
    }

    // Each state file, opened in the window, shows its picture in its colours; a search
    // from the start finds the same colours at the same place.
    void demoPictures()
    {
        const DemoSnapshot::Picture &p = m_demo.pictures[std::get<0>(Rows::fetch<int>("index"))];
        WindowFixture f(m_demo.bytes);
        f.window.loadState(m_work.filePath(p.stateFileName));
        QVERIFY(f.prompts.shown.isEmpty()); // no warning: same size, offset inside
        RipperState state = f.state();
        QCOMPARE((QList<int> { state.offset, state.blXSize, state.blYSize, state.bits, state.mode,
                     state.palsearchmode }),
            (QList<int> { p.offset, p.widthBytes, p.height, p.planes, p.mode, p.paletteSource }));
        const QList<QRgb> colours = p.paletteSource == RipperState::PaletteAGA
            ? m_demo.agaColours
            : TestSnapshot::rgbOfWords(QList {
                m_demo.simpleColours, m_demo.advancedColours, m_demo.ecsColours }[p.paletteSource]);
        QCOMPARE(state.canvas.colorTable().mid(0, colours.size()), colours);
        for (int k = 0; k < p.frames.size(); ++k) {
            QImage decoded = p.frames[k].copy();
            decoded.fill(0);
            QVERIFY(decoded != p.frames[k]); // something is drawn
            Decoder::drawPicture(
                state, decoded, state.offset + k * Grid::pictureStride(state), 0, 0);
            QCOMPARE(decoded, p.frames[k]);
        }
        Palette::resetPalette(state);
        Palette::applySelectedSource(state);
        QCOMPARE(state.palfound, DemoSnapshot::viewOf(m_demo, p).palfound);
        QCOMPARE(state.canvas.colorTable().mid(0, colours.size()), colours);
    }

    // docs/demo.md documents each picture, in order, in one table.
    void demoDocs()
    {
        QFile doc(QStringLiteral(PELVANE_SOURCE_DIR "/docs/demo.md"));
        QVERIFY(doc.open(QIODevice::ReadOnly));
        const char *const modes[] = { "AM", "ST", "SP", "C+", "C-" },
                          *const sources[] = { "Simple", "Advanced", "ECS", "AGA" };
        QString table = "| Picture | Offset | Width (bytes) | Height | Planes | Mode | Palette | "
                        "Palette Found | Pictures | State file "
                        "|\n|---|---|---|---|---|---|---|---|---|---|\n";
        for (const DemoSnapshot::Picture &p : m_demo.pictures)
            table += QString::asprintf("| %s | %d | %d | %d | %d | %s | %s | %d | %d | %s |\n",
                qPrintable(p.name), p.offset, p.widthBytes, p.height, p.planes, modes[p.mode],
                sources[p.paletteSource], DemoSnapshot::viewOf(m_demo, p).palfound,
                int(p.frames.size()), qPrintable(p.stateFileName));
        QVERIFY(QString::fromUtf8(doc.readAll()).contains(table + '\n'));
    }

    void exporter_data()
    {
        // expected: the start of what a run says (a line for help and version); for an export,
        // the window's steps to the same view (see windowExport)
        Rows::columns<QString, int, QString>("args", "exitCode", "expected");
        int code = 0;
        const auto row = [&code](const char *args, const char *expected) {
            QTest::newRow(args) << QString(args) << code << QString(expected);
        };
        row("--palette default", "");
        row("--offset 20000 --width 3 --height=17", "offset=20000 width=3 height=17");
        row("--planes 5 --offset 60000 --palette simple", "planes=5 offset=60000 palette=simple");
        row("--mode st --planes 4 --skip-mode Bitplanes --skip 7 --down 2",
            "mode=1 planes=4 skipmode=1 skip=7 down=2");
        row("--mode SP --offset 30000 --planes 2", "mode=2 offset=30000 planes=2");
        row("--mode C+ --width 2 --height 16 --planes 2 --offset 50000 --across 3",
            "mode=3 width=2 height=16 planes=2 offset=50000 across=3");
        row("--mode c- --planes 2 --palette AGA", "mode=4 planes=2 palette=aga");
        row("--skip 100 --across 3 --offset 20000", "skip=100 across=3 offset=20000");
        row("--order 1,0 --planes 2", "order0=1 order1=0 planes=2");
        row("--palette advanced --palette-from 10001", "from=10001 palette=advanced");
        row("--screen 2", "screen=2");
        row("--screen 1 --planes 2 --palette ecs", "screen=1 planes=2 palette=ecs");
        row("--transparent 253 --across 2", "transparent=253 across=2");
        row("--memory-screen 1", "memory=1");
        row("--offset 60000 --planes 5 --guess-width", "offset=60000 planes=5 guess=1");
        row("--version", "pelvane-export 0.6\n");
        row("--help", "Usage: pelvane-export [options] SNAPSHOT.uss OUTPUT.png\n");
        code = 1;
        row("--width 0", "--width must be from 1 to 4000, not 0");
        row("--height 601", "--height must be from 1 to 600, not 601");
        row("--planes 9", "--planes must be from 1 to 8, not 9");
        row("--skip -1", "--skip must be from 0 to 2048, not -1");
        row("--offset -1", "--offset must be from 0 to the snapshot's size, not -1");
        row("--offset 526033",
            "--offset must be from 0 to 526032 (the snapshot's size), not 526033");
        row("--offset 4294967296", "--offset expects a whole number, not '4294967296'");
        row("--mode HAM", "--mode must be one of AM, ST, SP, C+, C-, not 'HAM'");
        row("--skip-mode lines", "--skip-mode must be one of pictures, bitplanes, not 'lines'");
        row("--order 0,1,2,3,4,5,6,7,0",
            "--order expects 1 to 8 comma-separated entries from 0 to 7");
        row("--order 0,8", "--order expects 1 to 8 comma-separated entries from 0 to 7, not '0,8'");
        row("--palette ham",
            "--palette must be one of default, ecs, aga, simple, advanced, not 'ham'");
        row("--palette ecs --palette-from 5", "--palette-from applies only to --palette simple");
        row("--palette simple --palette-from 526033", "--palette-from must be from 0 to 526032");
        row("--across 0", "--across must be from 1 to 32767, not 0");
        row("--down 32768", "--down must be from 1 to 32767, not 32768");
        row("--border -200", "--border -200 leaves no pixels");
        row("--color 256", "--color must be from 0 to 255, not 256");
        row("--fill diagonal", "--fill must be one of columns, rows, not 'diagonal'");
        row("--zoom 2", "Unknown option 'zoom'");
        row("--width", "Missing value after '--width'");
        row("--state=", "--state expects a file name");
        row("--screen 3", "--screen must be from 1 to 2 (the screens on display), not 3");
        row("--screen 1 --state demo-ball.plv", "--state and --screen each give what to export");
        row("--frame --sprite 1 --screen 2",
            "--screen, --sprite and --frame each give what to export: use one of them");
        row("--sprite 0", "--sprite must be from 1 to the number of sprites, not 0");
        row("--memory-screen 2",
            "--memory-screen must be from 1 to 1 (the screens in memory), not 2");
        row("demo.uss out/keep.png third.png",
            "expected two file names, SNAPSHOT.uss and OUTPUT.png");
        code = 2;
        row("missing.uss out/keep.png", "cannot read the snapshot");
        row(". out/keep.png", "cannot read the snapshot");
        row("--state missing.plv", "cannot read the state file");
        row("--state binary.plv", "cannot read the state file");
        code = 3;
        row("demo.uss no/dir/out.png", "cannot write 'no/dir/out.png'");
        row("--across 200 --down 200", "refused: 64000 by 40000 pixels");
    }

    // Each option means what the window's control of the same name means; an export replaces an
    // earlier file. Help and version on stdout; a failed run says why on stderr only. Neither
    // touches an existing output nor leaves a partial file beside it. Options follow the file
    // names, so that a missing value takes none of them.
    void exporter()
    {
        auto [args, exitCode, expected]
            = Rows::fetch<QString, int, QString>("args", "exitCode", "expected");
        QVERIFY(QDir(QStringLiteral("out")).removeRecursively() && QDir().mkdir("out"));
        m_work.writeFile(QStringLiteral("out/keep.png"), "an earlier export");
        const auto [code, out, err] = run(PELVANE_EXPORT_TOOL,
            ((args.startsWith("--") ? "demo.uss out/keep.png " : "") + args).split(' '));
        QVERIFY2(code == exitCode, err.constData());
        if (exitCode == 0 && !expected.endsWith('\n')) {
            QCOMPARE(QImage(QStringLiteral("out/keep.png")), windowExport(m_demo.bytes, expected));
            return;
        }
        QCOMPARE(exitCode ? out : err, QByteArray());
        QVERIFY2((out + err).startsWith((exitCode ? "pelvane-export: " : "") + expected.toUtf8()),
            (out + err).constData());
        QCOMPARE(QDir("out").entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot)
                << m_work.readFile("out/keep.png"),
            (QStringList { "keep.png", "an earlier export" }));
    }

    // One file per picture, the title as IFF ILBM read back by netpbm, a palette file, a sprite
    // with colour 0 transparent: each as the window's export of the same view has it.
    void exporterFormats()
    {
        QVERIFY(QDir(QStringLiteral("out")).removeRecursively() && QDir().mkdir("out"));
        const auto exportDemo = [](const QString &args) {
            return std::get<0>(run(PELVANE_EXPORT_TOOL, ("demo.uss " + args).split(' ')));
        };
        QCOMPARE(exportDemo("out/s.png --split --across 3 --offset 20000"), 0);
        RipperState s = Reference::loaded(m_demo.bytes, Grid::CanvasWidth, Grid::CanvasHeight);
        Palette::resetPalette(s);
        s.offset = 20000;
        QCOMPARE(QDir("out").entryList({ "s-*" }),
            QStringList({ "s-000.png", "s-001.png", "s-002.png" }));
        for (int k = 0; k < 3; ++k)
            QCOMPARE(QImage(QString("out/s-00%1.png").arg(k)), Exporter::composePicture(s, {}, k));
        QCOMPARE(exportDemo("out/title.iff --screen 1 --palette-out out/title.gpl"), 0);
        QCOMPARE(exportDemo("out/title.png --screen 1"), 0);
        const auto [code, ppm, err] = run("ilbmtoppm", { "out/title.iff" });
        if (code < 0 || !ppm.startsWith("P6"))
            QSKIP("no ilbmtoppm (Debian package netpbm)");
        QCOMPARE(QImage::fromData(ppm, "PPM").convertToFormat(QImage::Format_RGB32),
            QImage("out/title.png").convertToFormat(QImage::Format_RGB32));
        const QStringList gpl
            = QString(m_work.readFile("out/title.gpl")).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(gpl.mid(0, 3), QStringList({ "GIMP Palette", "Name: demo", "Columns: 16" }));
        QCOMPARE(gpl.size(), 4 + 32); // five planes
        QCOMPARE(exportDemo("out/ring.png --sprite 1"), 0);
        const QImage ring("out/ring.png");
        QCOMPARE(QList<int>(
                     { ring.width(), ring.height(), qAlpha(ring.color(0)), qAlpha(ring.color(1)) }),
            QList<int>({ 16, 16, 0, 255 }));
    }

    // The same state file and dialog values (across, down, fill, border, colour) give the same
    // file, byte for byte, as the window's export, and the window's warnings about the state file
    // on stderr.
    void exporterMatchesWindow_data()
    {
        QTest::addColumn<QStringList>("d");
        for (const char *view : { "demo-sprite.plv 8 1 columns 2 0",
                 "demo-plasma.plv 2 3 rows -5 44", "other-size.plv 1 2 columns 1 3" })
            QTest::newRow(view) << QString(view).split(' ');
    }

    void exporterMatchesWindow()
    {
        QFETCH(QStringList, d);
        WindowFixture f(m_demo.bytes);
        f.window.loadState(m_work.filePath(d[0]));
        QCOMPARE(f.window.exportPictures(d[1].toInt(), d[2].toInt(), d[3] == "columns",
                     d[4].toInt(), d[5].toInt(), QStringLiteral("window.png")),
            Exporter::Result::Written);
        const auto [code, out, err] = run(PELVANE_EXPORT_TOOL,
            { "--state", m_work.filePath(d[0]), "--across", d[1], "--down", d[2], "--fill", d[3],
                "--border", d[4], "--color", d[5], m_work.filePath("demo.uss"), "tool.png" });
        QByteArray expected; // the window's warnings, which the window tests prove
        for (const QString &text : f.prompts.shownTexts())
            expected += "pelvane-export: Warning: " + text.toUtf8() + '\n';
        QVERIFY2(code == 0 && err == expected, err.constData());
        QCOMPARE(f.dir.readFile("tool.png"), f.dir.readFile("window.png")); // both there
    }

    // The top-level Makefile's target on this build (nothing is out of date, so it only runs
    // cmake --install with the prefix) under DESTDIR + PREFIX: every file, a valid desktop entry
    // and metadata.
    void install()
    {
        const QString root = m_work.filePath("stage/opt/pelvane/");
        const auto [code, out, err] = run("make",
            { "-C", PELVANE_SOURCE_DIR, "install", "BUILD_DIR=" PELVANE_BUILD_DIR,
                "BUILD_TYPE=" PELVANE_BUILD_TYPE, "PREFIX=/opt/pelvane",
                "DESTDIR=" + m_work.filePath("stage"), "JOBS=2" });
        QVERIFY2(code == 0, (out + err).constData());
        const QStringList files { "bin/pelvane", "bin/pelvane-export",
            "share/applications/org.example.Pelvane.desktop",
            "share/icons/hicolor/32x32/apps/org.example.Pelvane.png",
            "share/metainfo/org.example.Pelvane.metainfo.xml",
            "share/mime/packages/org.example.Pelvane.xml" };
        for (const QString &file : files)
            QVERIFY2(QFileInfo(root + file).isFile()
                    && (QFileInfo(root + file).isExecutable() || !file.startsWith("bin/")),
                qPrintable(root + file));
        QCOMPARE(QImage(root + files[3]).size(), QSize(32, 32));
        const QSettings entry(root + files[2], QSettings::IniFormat);
        QCOMPARE(entry.value("Desktop Entry/Exec").toString() + ' '
                + entry.value("Desktop Entry/Icon").toString(),
            "pelvane %f org.example.Pelvane");
        for (QStringList check : { QStringList { "desktop-file-validate", root + files[2] },
                 QStringList { "appstreamcli", "validate", "--no-net", root + files[4] } }) {
            const QString program = QStandardPaths::findExecutable(check.takeFirst());
            if (program.isEmpty())
                QSKIP("desktop-file-utils or appstream is not installed");
            const auto [code, out, err] = run(program, check);
            QVERIFY2(
                code == 0 && !(out + err).toLower().contains("error"), (out + err).constData());
        }
        mimeTypes(root + "share/");
    }

private:
    // The staged types as a file manager sees them: by name whatever the content, and a renamed
    // save state by its first bytes. GLib's own lookup where gio is installed, else the rules the
    // database holds.
    void mimeTypes(const QString &share)
    {
        const QString update = QStandardPaths::findExecutable("update-mime-database");
        if (update.isEmpty())
            QSKIP("shared-mime-info is not installed");
        const auto [code, out, err] = run(update, { share + "mime" });
        QVERIFY2(code == 0 && QFileInfo(share + "mime/application/x-uae-save-state.xml").isFile(),
            err.constData());
        const QString gio = QStandardPaths::findExecutable("gio");
        if (gio.isEmpty()) {
            QFile globs(share + "mime/globs2"), magic(share + "mime/magic");
            QVERIFY(globs.open(QIODevice::ReadOnly) && magic.open(QIODevice::ReadOnly));
            const QByteArray rules = globs.readAll() + magic.readAll();
            for (const char *rule :
                { ":application/x-uae-save-state:*.uss\n", ":application/x-pelvane-state:*.plv\n",
                    "[50:application/x-uae-save-state]\n", "ASF \n" })
                QVERIFY2(rules.contains(rule), rule);
            return;
        }
        const QStringList xdg { "XDG_DATA_DIRS=" + share, "XDG_DATA_HOME=" + share + "none" };
        for (auto [name, type] : { std::pair("x.uss", "application/x-uae-save-state"),
                 { "x.bin", "application/x-uae-save-state" },
                 { "x.plv", "application/x-pelvane-state" } }) {
            m_work.writeFile(name, QString(name).endsWith("bin") ? m_demo.bytes : "[General]\n");
            const auto [code, out, err]
                = run(gio, { "info", "-a", "standard::content-type", m_work.filePath(name) }, xdg);
            QVERIFY2(out.contains(QByteArray("standard::content-type: ") + type + '\n'),
                (name + (": " + out + err)).constData());
        }
    }
};

QTEST_MAIN(TestPrograms)
#include "tst_programs.moc"
