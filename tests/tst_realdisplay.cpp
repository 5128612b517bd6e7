#include "demosnapshot.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// The real program on a real X server (Xvfb): its window, its shortcuts, Qt's own file dialog
// and what it leaves in settings.ini when it quits.

namespace {

constexpr int StartTimeoutMs = 30000;
constexpr int StepTimeoutMs = 30000;

QString pelvanePath()
{
#ifdef PELVANE_PROGRAM
    return QStringLiteral(PELVANE_PROGRAM);
#else
    // Tests live in <build>/tests, the program in <build>/src.
    return QDir(QCoreApplication::applicationDirPath())
        .absoluteFilePath(QStringLiteral("../src/pelvane"));
#endif
}

// An Xvfb of its own on a display number the server picks itself, gone with the object.
class VirtualDisplay
{
public:
    ~VirtualDisplay()
    {
        if (m_server.state() != QProcess::NotRunning) {
            m_server.terminate();
            if (!m_server.waitForFinished(5000))
                m_server.kill();
            m_server.waitForFinished();
        }
    }

    bool start(const QString &xvfb)
    {
        // -displayfd writes the chosen number once the server accepts clients.
        m_server.start(xvfb,
            { QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                QStringLiteral("1024x768x24") });
        if (!m_server.waitForStarted(StartTimeoutMs))
            return false;
        QByteArray number;
        while (!number.contains('\n') && m_server.waitForReadyRead(StartTimeoutMs))
            number += m_server.readAllStandardOutput();
        if (!number.contains('\n'))
            return false;
        m_name = QStringLiteral(":") + QString::fromLatin1(number.trimmed());
        return true;
    }

    QString name() const { return m_name; }

private:
    QProcess m_server;
    QString m_name;
};

// The program under test, ended when the object goes if it has not quit by then.
class RunningProgram
{
public:
    ~RunningProgram()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
    QProcess process;
};

// Under the leak sanitizer, what the X11 platform plugin's system libraries keep to the end
// (D-Bus, fontconfig) is theirs, not the program's.
void suppressSystemLeaks(QProcessEnvironment &env, const QString &file)
{
    QFile suppressions(file);
    if (!suppressions.open(QIODevice::WriteOnly))
        return;
    suppressions.write("leak:libdbus-1.so\nleak:libfontconfig.so\n");
    suppressions.close();
    QString options = env.value(QStringLiteral("LSAN_OPTIONS"));
    if (!options.isEmpty())
        options += QLatin1Char(':');
    env.insert(QStringLiteral("LSAN_OPTIONS"), options + QStringLiteral("suppressions=") + file);
}

struct ToolRun
{
    bool finished = false;
    int exitCode = -1;
    QString out;
};

} // namespace

class TestRealDisplay : public QObject
{
    Q_OBJECT

private:
    QString m_xdotool;
    QString m_display;

    // xdotool on the test's display; its --sync searches wait until a window matches, so each
    // call is bounded here.
    ToolRun xdotool(const QStringList &args) const
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        process.setProcessEnvironment(env);
        process.start(m_xdotool, args);
        ToolRun run;
        run.finished = process.waitForFinished(StepTimeoutMs);
        if (!run.finished) {
            process.kill();
            process.waitForFinished();
            return run;
        }
        run.exitCode = process.exitCode();
        run.out = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
        return run;
    }

    // The id of the first window whose title matches `pattern`, once there is one; empty when
    // none appears in time. A search can fail when another window vanishes while xdotool reads
    // it (a closing dialog or popup), so a failed search is run again.
    QString waitForWindow(const QString &pattern) const
    {
        const QDeadlineTimer deadline(StepTimeoutMs);
        while (!deadline.hasExpired()) {
            const ToolRun found = xdotool({ QStringLiteral("search"), QStringLiteral("--sync"),
                QStringLiteral("--name"), pattern });
            if (found.finished && found.exitCode == 0)
                return found.out.section(QLatin1Char('\n'), 0, 0);
            if (!found.finished)
                break;
        }
        return QString();
    }

    bool focus(const QString &window) const
    {
        return xdotool({ QStringLiteral("windowfocus"), QStringLiteral("--sync"), window }).exitCode
            == 0;
    }

    bool keys(const QStringList &args) const { return xdotool(args).exitCode == 0; }

private slots:
    void opensSnapshotThroughFileDialogAndQuits();
};

void TestRealDisplay::opensSnapshotThroughFileDialogAndQuits()
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    m_xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xvfb.isEmpty() || m_xdotool.isEmpty())
        QSKIP("needs Xvfb and xdotool (Debian packages xvfb and xdotool)");
    QVERIFY2(QFile::exists(pelvanePath()), qPrintable(pelvanePath() + " is not built"));

    VirtualDisplay display;
    QVERIFY2(display.start(xvfb), "Xvfb did not start");
    m_display = display.name();

    QTemporaryDir work;
    QTemporaryDir runtime; // private to the user, as Qt wants XDG_RUNTIME_DIR
    const QString snapshot = work.filePath(QStringLiteral("demo.uss"));
    {
        QFile file(snapshot);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write(DemoSnapshot::build().bytes) > 0);
    }

    RunningProgram pelvane;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // Qt's own file dialog: no desktop's platform theme, so no GTK or portal dialog.
    env.insert(QStringLiteral("QT_QPA_PLATFORMTHEME"), QStringLiteral("generic"));
    for (const char *name : { "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
             "GNOME_DESKTOP_SESSION_ID", "WAYLAND_DISPLAY" })
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    // The file dialog remembers its history in the user's configuration: keep that here too.
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), work.filePath(QStringLiteral("config")));
    suppressSystemLeaks(env, work.filePath(QStringLiteral("lsan.supp")));
    pelvane.process.setProcessEnvironment(env);
    pelvane.process.setWorkingDirectory(work.path());
    pelvane.process.start(pelvanePath(), QStringList());
    QVERIFY(pelvane.process.waitForStarted(StartTimeoutMs));

    const QString window = waitForWindow(QStringLiteral("^Pelvane 0\\.6$"));
    QVERIFY2(!window.isEmpty(), "no window titled \"Pelvane 0.6\"");
    QVERIFY(focus(window));
    QVERIFY(keys({ QStringLiteral("key"), QStringLiteral("ctrl+o") }));

    const QString dialog = waitForWindow(QStringLiteral("^Open File$"));
    QVERIFY2(!dialog.isEmpty(), "no \"Open File\" dialog");
    QVERIFY(focus(dialog));
    QVERIFY(
        keys({ QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("5"), snapshot }));
    QVERIFY(keys({ QStringLiteral("key"), QStringLiteral("Return") }));

    const QString opened = waitForWindow(QStringLiteral("^Pelvane 0\\.6 - demo\\.uss$"));
    QCOMPARE(opened, window);
    QVERIFY(focus(window));
    QVERIFY(keys({ QStringLiteral("key"), QStringLiteral("ctrl+q") }));
    QVERIFY2(pelvane.process.waitForFinished(StepTimeoutMs), "Ctrl+Q did not end the program");
    QCOMPARE(pelvane.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(pelvane.process.exitCode(), 0);

    QSettings settings(work.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    QVERIFY(settings.contains(QStringLiteral("windowx")));
    QVERIFY(settings.contains(QStringLiteral("windowy")));
    QCOMPARE(settings.value(QStringLiteral("recentFileList")).toStringList().value(0), snapshot);
}

QTEST_GUILESS_MAIN(TestRealDisplay)
#include "tst_realdisplay.moc"
