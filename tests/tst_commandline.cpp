// The window's command line: what it opens in the window, what it refuses, and the program's
// answers that open no window.
#include "commandline.h"
#include "demosnapshot.h"
#include "rows.h"
#include "statefile.h"
#include "windowfixture.h"

#include <QProcess>

class TestCommandLine : public QObject
{
    Q_OBJECT

    DemoSnapshot::Demo m_demo = DemoSnapshot::build();
    const DemoSnapshot::Picture &m_ball = m_demo.pictures[1];

private slots:
    void opens_data()
    {
        // args: names in the work directory, which holds demo.uss and ball.plv, a view of its
        // second picture; view: offset and planes after, empty when no snapshot is loaded
        Rows::columns<QString, int, QStringList, QList<int>>("args", "exitCode", "boxes", "view");
        const QStringList none, fileError { "File error: Can't open file!" },
            refused { "Open Ripper State: Open a snapshot first: a ripper state file applies to "
                      "the snapshot it was saved on. Start Pelvane with the snapshot, then the "
                      "state file: pelvane SNAPSHOT.uss STATE.plv" };
        const QList<int> start { 0, 1 }, ball { m_ball.offset, m_ball.planes }, nothing;
        const auto row
            = [](const char *args, int code, const QStringList &boxes, const QList<int> &view) {
                  QTest::newRow(args) << QString(args) << code << boxes << view;
              };
        row("demo.uss", 0, none, start);
        row("demo.uss ball.plv", 0, none, ball);
        row("ball.plv", 0, refused, nothing);
        row("BALL.PLV", 0, refused, nothing);
        row("gone.uss", 0, fileError, nothing);
        row("gone.uss ball.plv", 0, fileError, nothing);
        row("demo.uss gone.plv", 0, fileError, start);
        row("--bogus demo.uss", 1, none, nothing);
        row("demo.uss ball.plv demo.uss", 1, none, nothing);
    }

    // What the line names opens as Ctrl+O and Ctrl+Shift+O do, the snapshot entered in the recent
    // list by its full path; a state file needs the snapshot loaded before it.
    void opens()
    {
        auto [args, exitCode, boxes, view] = Rows::fetch<QString, int, QStringList, QList<int>>(
            "args", "exitCode", "boxes", "view");
        WindowFixture f { QByteArray() };
        const QString snapshot = f.dir.writeFile("demo.uss", m_demo.bytes);
        QVERIFY(StateFile::save(DemoSnapshot::viewOf(m_demo, m_ball), "ball.plv"));
        const CommandLine parsed = parseCommandLine(QStringList { "pelvane" } + args.split(' '));
        QCOMPARE(parsed.exitCode(), exitCode);
        QCOMPARE(parsed.kind, exitCode ? CommandLine::Error : CommandLine::Run);
        openFromCommandLine(f.window, parsed);
        QCOMPARE(f.boxes(), boxes);
        QVERIFY(f.prompts.asked.isEmpty());
        const bool loaded = !view.isEmpty();
        QCOMPARE(f.state().fileLoaded, loaded);
        QCOMPARE(f.window.windowTitle(), loaded ? "Pelvane 0.6 - demo.uss" : "Pelvane 0.6");
        QCOMPARE(f.window.recentActionsForTesting()[0]->data().toString(),
            loaded ? snapshot : QString());
        if (loaded)
            QCOMPARE((QList<int> { f.state().offset, f.state().bits }), view);
    }

    void program_data()
    {
        // platform: QT_QPA_PLATFORM of the run, which has no display: "xcb" fails to start a GUI
        Rows::columns<QString, QString, int, QByteArray, QByteArray>(
            "args", "platform", "exitCode", "out", "err");
        const QByteArray usage = "Usage: pelvane [options] [SNAPSHOT] [STATE.plv]\n";
        const auto row = [](const char *args, const char *platform, int code, const QByteArray &out,
                             const QByteArray &err) {
            QTest::newRow(args) << QString(args) << QString(platform) << code << out << err;
        };
        row("--version", "xcb", 0, "pelvane 0.6\n", "");
        row("--help", "xcb", 0, usage, "");
        row("-platform offscreen -v", "xcb", 0, "pelvane 0.6\n", "");
        row("--bogus", "offscreen", 1, "", "pelvane: Unknown option 'bogus'.\n\n" + usage);
        row("a.uss b.plv c", "offscreen", 1, "",
            "pelvane: expected at most two file names, SNAPSHOT and STATE.plv, not 3\n\n" + usage);
    }

    // Help and version on stdout need no display; a wrong line gives the usage on stderr and ends
    // at once, without a window (which would keep it running).
    void program()
    {
        auto [args, platform, exitCode, out, err]
            = Rows::fetch<QString, QString, int, QByteArray, QByteArray>(
                "args", "platform", "exitCode", "out", "err");
        WorkDir work;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.insert("QT_QPA_PLATFORM", platform);
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(PELVANE_PROGRAM, args.split(' '));
        const bool ended = process.waitForFinished(30000);
        if (!ended)
            process.kill();
        const QByteArray stdOut = process.readAllStandardOutput(),
                         stdErr = process.readAllStandardError();
        QVERIFY2(ended, "still running: a window is open");
        QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == exitCode,
            stdErr.constData());
        QVERIFY2(stdOut.startsWith(out) && stdOut.isEmpty() == out.isEmpty(), stdOut.constData());
        QVERIFY2(stdErr.contains(err), stdErr.constData()); // Qt may warn about the environment
        QCOMPARE(QDir(work.path()).entryList(QDir::Files), QStringList()); // no settings, no log
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
