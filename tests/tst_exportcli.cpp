#include "demosnapshot.h"
#include "exporter.h"
#include "grid.h"
#include "palette.h"
#include "pelvane.h"
#include "scriptedprompts.h"
#include "statefile.h"
#include "testsnapshot.h"
#include "workdir.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString toolPath()
{
#ifdef PELVANE_EXPORT_TOOL
    return QStringLiteral(PELVANE_EXPORT_TOOL);
#else
    // Tests live in <build>/tests, the tool in <build>/tools.
    return QDir(QCoreApplication::applicationDirPath())
        .absoluteFilePath(QStringLiteral("../tools/pelvane-export"));
#endif
}

struct ToolRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ToolRun runTool(const QStringList &args)
{
    QProcess process;
    process.start(toolPath(), args);
    ToolRun run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    if (process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The window right after start-up and opening the snapshot: initial view, default palette.
RipperState openedView(const QByteArray &bytes)
{
    RipperState state;
    state.canvas = QImage(Grid::CanvasWidth, Grid::CanvasHeight, QImage::Format_Indexed8);
    Palette::resetPalette(state);
    TestSnapshot::loadInto(state, bytes);
    return state;
}

using Tweak = void (*)(RipperState &, Exporter::Request &);

} // namespace

Q_DECLARE_METATYPE(Tweak)

class TestExportCli : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    DemoSnapshot::Demo m_demo;
    QString m_snapshot;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString statePath(const DemoSnapshot::Picture &picture) const
    {
        return path(picture.stateFileName);
    }

private slots:
    void initTestCase();
    void helpAndVersion();
    void eachOptionApplies_data();
    void eachOptionApplies();
    void badUsage_data();
    void badUsage();
    void unreadableInputs_data();
    void unreadableInputs();
    void notWritten();
    void failedRunsLeaveOutputAlone_data();
    void failedRunsLeaveOutputAlone();
    void stateWarningsOnStderr();
    void paletteNotFoundWarns();
    void matchesWindowWithStateFile_data();
    void matchesWindowWithStateFile();
    void matchesWindowControls();
};

void TestExportCli::initTestCase()
{
    QVERIFY2(QFile::exists(toolPath()),
        qPrintable(QStringLiteral("%1 is not built (target pelvane-export)").arg(toolPath())));
    QVERIFY(m_dir.isValid());
    m_demo = DemoSnapshot::build();
    m_snapshot = path(QStringLiteral("demo.uss"));
    QVERIFY(writeFile(m_snapshot, m_demo.bytes));
    for (const DemoSnapshot::Picture &picture : m_demo.pictures)
        QVERIFY(StateFile::save(DemoSnapshot::viewOf(m_demo, picture), statePath(picture)));
}

void TestExportCli::helpAndVersion()
{
    const ToolRun version = runTool({ QStringLiteral("--version") });
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out, QByteArray("pelvane-export 0.6\n"));
    QVERIFY(version.err.isEmpty());

    const ToolRun help = runTool({ QStringLiteral("--help") });
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.startsWith("Usage: pelvane-export [options] SNAPSHOT.uss OUTPUT.png"));
    for (const char *option : { "--state", "--offset", "--width", "--height", "--planes", "--mode",
             "--skip", "--skip-mode", "--order", "--palette", "--palette-from", "--across",
             "--down", "--border", "--color", "--fill" })
        QVERIFY2(help.out.contains(option), option);
}

void TestExportCli::eachOptionApplies_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<Tweak>("tweak");

    QTest::newRow("defaults") << QStringList() << Tweak(+[](RipperState &, Exporter::Request &) {});
    QTest::newRow("offset") << QStringList { "--offset",
        "20000" } << Tweak(+[](RipperState &s, Exporter::Request &) { s.offset = 20000; });
    QTest::newRow("width") << QStringList { "--width", "3" }
                           << Tweak(+[](RipperState &s, Exporter::Request &) { s.blXSize = 3; });
    QTest::newRow("height") << QStringList { "--height=17" }
                            << Tweak(+[](RipperState &s, Exporter::Request &) { s.blYSize = 17; });
    QTest::newRow("planes") << QStringList { "--planes", "5", "--offset", "60000" }
                            << Tweak(+[](RipperState &s, Exporter::Request &) {
                                   s.bits = 5;
                                   s.offset = 60000;
                               });
    QTest::newRow("mode ST") << QStringList { "--mode", "st", "--planes", "4" }
                             << Tweak(+[](RipperState &s, Exporter::Request &) {
                                    s.mode = RipperState::ModeST;
                                    s.bits = 4;
                                });
    QTest::newRow("mode SP") << QStringList { "--mode", "SP", "--offset", "30000", "--planes", "2" }
                             << Tweak(+[](RipperState &s, Exporter::Request &) {
                                    s.mode = RipperState::ModeSP;
                                    s.offset = 30000;
                                    s.bits = 2;
                                });
    QTest::newRow("mode C+") << QStringList { "--mode", "C+", "--width", "2", "--height", "16" }
                             << Tweak(+[](RipperState &s, Exporter::Request &) {
                                    s.mode = RipperState::ModeCplus;
                                    s.blXSize = 2;
                                    s.blYSize = 16;
                                });
    QTest::newRow("mode C-") << QStringList { "--mode", "c-", "--planes", "2" }
                             << Tweak(+[](RipperState &s, Exporter::Request &) {
                                    s.mode = RipperState::ModeCminus;
                                    s.bits = 2;
                                });
    QTest::newRow("skip") << QStringList { "--skip", "100", "--across", "3", "--offset", "20000" }
                          << Tweak(+[](RipperState &s, Exporter::Request &r) {
                                 s.skip = 100;
                                 s.offset = 20000;
                                 r.picturesX = 3;
                             });
    QTest::newRow("skip-mode") << QStringList { "--skip-mode", "Bitplanes", "--skip", "7",
        "--planes", "3", "--down", "2" }
                               << Tweak(+[](RipperState &s, Exporter::Request &r) {
                                      s.skipmode = RipperState::SkipBitplanes;
                                      s.skip = 7;
                                      s.bits = 3;
                                      r.picturesY = 2;
                                  });
    QTest::newRow("order") << QStringList { "--order", "2, 0,1", "--planes", "3" }
                           << Tweak(+[](RipperState &s, Exporter::Request &) {
                                  s.bitplaneorder[0] = 2;
                                  s.bitplaneorder[1] = 0;
                                  s.bitplaneorder[2] = 1;
                                  s.bits = 3;
                              });
    QTest::newRow("palette ecs") << QStringList { "--palette",
        "ecs" } << Tweak(+[](RipperState &s, Exporter::Request &) { Palette::readEcsPalette(s); });
    QTest::newRow("palette aga") << QStringList { "--palette",
        "AGA" } << Tweak(+[](RipperState &s, Exporter::Request &) { Palette::readAgaPalette(s); });
    QTest::newRow("palette simple")
        << QStringList { "--palette", "simple" }
        << Tweak(+[](RipperState &s, Exporter::Request &) { Palette::searchCopperSimple(s); });
    QTest::newRow("palette advanced")
        << QStringList { "--palette", "advanced" }
        << Tweak(+[](RipperState &s, Exporter::Request &) { Palette::searchCopperAdvanced(s); });
    QTest::newRow("palette-from") << QStringList { "--palette", "advanced", "--palette-from",
        "10001" } << Tweak(+[](RipperState &s, Exporter::Request &) {
        s.palsearchpos = 10001;
        Palette::searchCopperAdvanced(s);
    });
    QTest::newRow("palette default")
        << QStringList { "--palette", "default" }
        << Tweak(+[](RipperState &s, Exporter::Request &) { Palette::resetPalette(s); });
    QTest::newRow("grid") << QStringList { "--across", "3", "--down", "2", "--border", "2",
        "--color", "7", "--offset", "50000", "--width", "2", "--height", "16", "--mode", "C+",
        "--planes", "2" } << Tweak(+[](RipperState &s, Exporter::Request &r) {
        s.offset = 50000;
        s.blXSize = 2;
        s.blYSize = 16;
        s.mode = RipperState::ModeCplus;
        s.bits = 2;
        r.picturesX = 3;
        r.picturesY = 2;
        r.border = 2;
        r.color = 7;
    });
    QTest::newRow("fill rows") << QStringList { "--fill", "rows", "--across", "2", "--down", "2",
        "--offset", "20000" } << Tweak(+[](RipperState &s, Exporter::Request &r) {
        s.offset = 20000;
        r.picturesX = 2;
        r.picturesY = 2;
        r.leftToRight = false;
    });
    QTest::newRow("negative border") << QStringList { "--border", "-3", "--across", "2" }
                                     << Tweak(+[](RipperState &, Exporter::Request &r) {
                                            r.border = -3;
                                            r.picturesX = 2;
                                        });
}

// Every option means what the window's control of the same name means.
void TestExportCli::eachOptionApplies()
{
    QFETCH(QStringList, args);
    QFETCH(Tweak, tweak);
    RipperState expectedState = openedView(m_demo.bytes);
    Exporter::Request request;
    tweak(expectedState, request);
    const QImage expected = Exporter::compose(expectedState, request);
    QVERIFY(!expected.isNull());

    const QString out = path(QStringLiteral("each.png"));
    QFile::remove(out);
    const ToolRun run = runTool(args + QStringList { m_snapshot, out });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QVERIFY(run.out.isEmpty());
    const QImage actual(out);
    QCOMPARE(actual.size(), expected.size());
    QCOMPARE(actual.colorTable(), expected.colorTable());
    QCOMPARE(actual, expected);
}

void TestExportCli::badUsage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");

    const auto row = [](const char *name, const QStringList &args, const char *message) {
        QTest::newRow(name) << args << QString::fromUtf8(message);
    };
    row("width 0", { "--width", "0" }, "--width must be from 1 to 4000, not 0");
    row("width 4001", { "--width", "4001" }, "--width must be from 1 to 4000, not 4001");
    row("width text", { "--width", "wide" }, "--width expects a whole number, not 'wide'");
    row("height 0", { "--height", "0" }, "--height must be from 1 to 600, not 0");
    row("height 601", { "--height", "601" }, "--height must be from 1 to 600, not 601");
    row("planes 0", { "--planes", "0" }, "--planes must be from 1 to 8, not 0");
    row("planes 9", { "--planes", "9" }, "--planes must be from 1 to 8, not 9");
    row("skip -1", { "--skip", "-1" }, "--skip must be from 0 to 2048, not -1");
    row("skip 2049", { "--skip", "2049" }, "--skip must be from 0 to 2048, not 2049");
    row("offset -1", { "--offset", "-1" },
        "--offset must be from 0 to the snapshot's size, not -1");
    row("offset beyond int", { "--offset", "4294967296" },
        "--offset expects a whole number, not '4294967296'");
    row("mode", { "--mode", "HAM" }, "--mode must be one of AM, ST, SP, C+, C-, not 'HAM'");
    row("skip-mode", { "--skip-mode", "lines" },
        "--skip-mode must be one of pictures, bitplanes, not 'lines'");
    row("order empty", { "--order", "" }, "--order expects 1 to 8 comma-separated entries");
    row("order slot 8", { "--order", "0,8" }, "--order expects 1 to 8 comma-separated entries");
    row("order nine", { "--order", "0,1,2,3,4,5,6,7,0" },
        "--order expects 1 to 8 comma-separated entries from 0 to 7, not '0,1,2,3,4,5,6,7,0'");
    row("palette", { "--palette", "ham" },
        "--palette must be one of default, ecs, aga, simple, advanced, not 'ham'");
    row("palette-from alone", { "--palette-from", "5" },
        "--palette-from applies only to --palette simple or advanced");
    row("palette-from ecs", { "--palette", "ecs", "--palette-from", "5" },
        "--palette-from applies only to --palette simple or advanced");
    row("across 0", { "--across", "0" }, "--across must be from 1 to 32767, not 0");
    row("down 32768", { "--down", "32768" }, "--down must be from 1 to 32767, not 32768");
    row("border text", { "--border", "thin" }, "--border expects a whole number, not 'thin'");
    row("color 256", { "--color", "256" }, "--color must be from 0 to 255, not 256");
    row("color -1", { "--color", "-1" }, "--color must be from 0 to 255, not -1");
    row("fill", { "--fill", "diagonal" }, "--fill must be one of columns, rows, not 'diagonal'");
    row("unknown option", { "--zoom", "2" }, "Unknown option 'zoom'");
    row("missing value", { "--width" }, "Missing value after '--width'");
    row("state empty", { "--state=" }, "--state expects a file name");
    row("three files", { "third.png" },
        "expected two file names, SNAPSHOT.uss and OUTPUT.png, not 3");
}

void TestExportCli::badUsage()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const QString out = path(QStringLiteral("usage.png"));
    QFile::remove(out);
    // Options after the file names, so a missing value cannot take a file name for one.
    const ToolRun run = runTool(QStringList { m_snapshot, out } + args);
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.startsWith("pelvane-export: " + message.toUtf8()), run.err.constData());
    QVERIFY(!QFile::exists(out));
}

void TestExportCli::unreadableInputs_data()
{
    QTest::addColumn<QString>("snapshot");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("message");

    QTest::newRow("missing snapshot") << "missing.uss" << QString() << "cannot read the snapshot";
    QTest::newRow("empty snapshot") << "empty.uss" << QString() << "cannot read the snapshot";
    QTest::newRow("snapshot is a directory") << "." << QString() << "cannot read the snapshot";
    QTest::newRow("missing state") << "demo.uss"
                                   << "missing.plv"
                                   << "cannot read the state file";
    QTest::newRow("binary state") << "demo.uss"
                                  << "binary.plv"
                                  << "cannot read the state file";
}

void TestExportCli::unreadableInputs()
{
    QFETCH(QString, snapshot);
    QFETCH(QString, state);
    QFETCH(QString, message);
    QVERIFY(writeFile(path(QStringLiteral("empty.uss")), QByteArray()));
    QVERIFY(writeFile(path(QStringLiteral("binary.plv")), QByteArray("\0\1\2[General]", 13)));
    const QString out = path(QStringLiteral("unreadable.png"));
    QStringList args { path(snapshot), out };
    if (!state.isEmpty())
        args << QStringLiteral("--state") << path(state);
    const ToolRun run = runTool(args);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.startsWith("pelvane-export: " + message.toUtf8()), run.err.constData());
    QVERIFY(!QFile::exists(out));
}

void TestExportCli::notWritten()
{
    const ToolRun noDir = runTool({ m_snapshot, path(QStringLiteral("no/such/dir/out.png")) });
    QCOMPARE(noDir.exitCode, 3);
    QVERIFY(noDir.err.contains("cannot write"));

    const ToolRun tooLarge
        = runTool({ QStringLiteral("--across"), QStringLiteral("200"), QStringLiteral("--down"),
            QStringLiteral("200"), m_snapshot, path(QStringLiteral("large.png")) });
    QCOMPARE(tooLarge.exitCode, 3);
    QVERIFY(tooLarge.err.startsWith("pelvane-export: refused: 64000 by 40000 pixels"));
    QVERIFY(!QFile::exists(path(QStringLiteral("large.png"))));
}

void TestExportCli::failedRunsLeaveOutputAlone_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("bad usage") << QStringList { "--planes", "12" } << 1;
    QTest::newRow("offset past the end") << QStringList { "--offset", "99999999" } << 1;
    QTest::newRow("palette-from past the end")
        << QStringList { "--palette", "simple", "--palette-from", "99999999" } << 1;
    QTest::newRow("border leaves no pixels") << QStringList { "--border", "-200" } << 1;
    QTest::newRow("missing state") << QStringList { "--state", "/nonexistent/x.plv" } << 2;
    QTest::newRow("too large") << QStringList { "--across", "32767", "--down", "32767" } << 3;
}

// A run that fails never touches an existing file nor leaves a partial one beside it.
void TestExportCli::failedRunsLeaveOutputAlone()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QTemporaryDir outDir;
    const QString out = outDir.filePath(QStringLiteral("keep.png"));
    QVERIFY(writeFile(out, "an earlier export"));
    const ToolRun run = runTool(args + QStringList { m_snapshot, out });
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY(run.out.isEmpty());
    QCOMPARE(fileBytes(out), QByteArray("an earlier export"));
    QCOMPARE(QDir(outDir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList { "keep.png" });
}

void TestExportCli::stateWarningsOnStderr()
{
    // Saved from a larger snapshot, with an offset beyond this one's end.
    RipperState saved = DemoSnapshot::viewOf(m_demo, m_demo.pictures.first());
    saved.filesize = int(m_demo.bytes.size()) + 100;
    saved.offset = saved.filesize;
    const QString state = path(QStringLiteral("other-size.plv"));
    QVERIFY(StateFile::save(saved, state));

    const QString out = path(QStringLiteral("warned.png"));
    const ToolRun run = runTool({ QStringLiteral("--state"), state, m_snapshot, out });
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.isEmpty());
    QCOMPARE(run.err,
        QByteArray("pelvane-export: Warning: File size in saved state is not the same as the "
                   ".uss-file.\n"
                   "pelvane-export: Warning: Offset was set outside the end of file.\n"));

    WorkDir work;
    ScriptedPrompts prompts;
    Pelvane window;
    window.loadSnapshot(m_snapshot);
    window.loadState(state);
    const QStringList shown = prompts.shownTexts();
    QCOMPARE(shown.size(), 2);
    for (const QString &text : shown)
        QVERIFY2(run.err.contains(text.toUtf8()), qPrintable(text));
}

// As in the window, a source that finds nothing leaves the palette; the tool says so.
void TestExportCli::paletteNotFoundWarns()
{
    const QString out = path(QStringLiteral("unfound.png"));
    const ToolRun past = runTool(
        { QStringLiteral("--palette"), QStringLiteral("simple"), QStringLiteral("--palette-from"),
            QString::number(m_demo.simpleListOffset + 1), m_snapshot, out });
    QCOMPARE(past.exitCode, 0);
    QCOMPARE(past.err,
        QByteArray("pelvane-export: Warning: no Copper list found from byte 12001; the palette "
                   "is unchanged.\n"));
    QCOMPARE(QImage(out).colorTable(), Palette::defaultColors());

    const QString ecsOnly = path(QStringLiteral("ecs-only.uss"));
    QVERIFY(writeFile(ecsOnly, TestSnapshot::standardSnapshot(QByteArray(4096, '\x55')).bytes()));
    const ToolRun noAga
        = runTool({ QStringLiteral("--palette"), QStringLiteral("aga"), ecsOnly, out });
    QCOMPARE(noAga.exitCode, 0);
    QCOMPARE(noAga.err,
        QByteArray("pelvane-export: Warning: no \"AGAC\" chunk; the palette is unchanged.\n"));
}

void TestExportCli::matchesWindowWithStateFile_data()
{
    QTest::addColumn<int>("picture");
    QTest::addColumn<int>("across");
    QTest::addColumn<int>("down");
    QTest::addColumn<bool>("leftToRight");
    QTest::addColumn<int>("border");
    QTest::addColumn<int>("color");

    for (int i = 0; i < m_demo.pictures.size(); ++i) {
        const QByteArray name = m_demo.pictures[i].name.toUtf8();
        QTest::newRow(name + " dialog defaults") << i << 1 << 1 << true << 0 << 253;
        QTest::newRow(name + " grid") << i << 3 << 2 << (i % 2 == 0) << 3 << i;
    }
    QTest::newRow("overlapping cells") << 2 << 4 << 3 << false << -5 << 300;
}

// The same state file and dialog values give the same file, byte for byte, as the window's export.
void TestExportCli::matchesWindowWithStateFile()
{
    QFETCH(int, picture);
    QFETCH(int, across);
    QFETCH(int, down);
    QFETCH(bool, leftToRight);
    QFETCH(int, border);
    QFETCH(int, color);
    const QString state = statePath(m_demo.pictures[picture]);

    WorkDir work;
    ScriptedPrompts prompts;
    Pelvane window;
    window.loadSnapshot(m_snapshot);
    window.loadState(state);
    QVERIFY(prompts.shown.isEmpty());
    const QString fromWindow = work.filePath(QStringLiteral("window.png"));
    QCOMPARE(window.exportPictures(across, down, leftToRight, border, color, fromWindow),
        Exporter::Result::Written);

    // The dialog passes any colour; the tool asks for the index the image keeps.
    const QString fromTool = work.filePath(QStringLiteral("tool.png"));
    const ToolRun run = runTool({ QStringLiteral("--state"), state, QStringLiteral("--across"),
        QString::number(across), QStringLiteral("--down"), QString::number(down),
        QStringLiteral("--fill"), leftToRight ? QStringLiteral("columns") : QStringLiteral("rows"),
        QStringLiteral("--border"), QString::number(border), QStringLiteral("--color"),
        QString::number(color & 0xFF), m_snapshot, fromTool });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QVERIFY(run.err.isEmpty());
    QCOMPARE(QImage(fromTool), QImage(fromWindow));
    QCOMPARE(
        fileBytes(fromTool), fileBytes(fromWindow));
}

// The window's sliders, radio buttons and palette search against the options of the same names.
void TestExportCli::matchesWindowControls()
{
    WorkDir work;
    ScriptedPrompts prompts;
    Pelvane window;
    window.loadSnapshot(m_snapshot);
    const Ui::PelvaneClass &ui = window.form();
    ui.horizontalSlider->setValue(100000);
    ui.sliderBits->setValue(4);
    ui.radioModeST->setChecked(true);
    ui.radioSkipModeBitplanes->setChecked(true);
    ui.sliderSkipAmount->setValue(40);
    ui.sliderBit0->setValue(1);
    ui.sliderBit1->setValue(0);
    ui.radioPaletteAdvanced->setChecked(true);
    ui.buttonSearchPal->click();
    ui.sliderYSize->setValue(120);
    const QString fromWindow = work.filePath(QStringLiteral("window.png"));
    QCOMPARE(window.exportPictures(2, 3, false, 1, 9, fromWindow), Exporter::Result::Written);

    const QString fromTool = work.filePath(QStringLiteral("tool.png"));
    const ToolRun run = runTool({ "--offset", "100000", "--planes", "4", "--mode", "ST",
        "--skip-mode", "bitplanes", "--skip", "40", "--order", "1,0", "--palette", "advanced",
        "--height", "120", "--across", "2", "--down", "3", "--fill", "rows", "--border", "1",
        "--color", "9", m_snapshot, fromTool });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(QImage(fromTool), QImage(fromWindow));
    QCOMPARE(
        fileBytes(fromTool), fileBytes(fromWindow));
}

QTEST_MAIN(TestExportCli)
#include "tst_exportcli.moc"
