#include "demosnapshot.h"
#include "workdir.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QSettings>
#include <QTest>

// The real program on an X server of its own (Xvfb): its window, its shortcuts, Qt's own file
// dialog and what it leaves in settings.ini when it quits.
class TestRealDisplay : public QObject
{
    Q_OBJECT

    QProcess m_xvfb;
    QProcess m_pelvane;
    QString m_display;

    // xdotool on the test's display, bounded: its --sync searches wait for a matching window.
    bool xdotool(const QStringList &args, QString *firstLine = nullptr)
    {
        QProcess process;
        process.setEnvironment(QProcess::systemEnvironment() << "DISPLAY=" + m_display);
        process.start(QStringLiteral("xdotool"), args);
        const bool done = process.waitForFinished(30000);
        if (firstLine)
            *firstLine = QString::fromUtf8(process.readLine()).trimmed();
        return done && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    // A search fails when another window vanishes while xdotool reads it (a closing dialog), so
    // it is tried again until the deadline.
    QString waitForWindow(const QString &title)
    {
        QString id;
        const QDeadlineTimer deadline(30000);
        while (!xdotool({ "search", "--sync", "--name", title }, &id) && !deadline.hasExpired())
            id.clear();
        return id;
    }

private slots:
    void cleanup()
    {
        m_xvfb.terminate(); // lets it remove its lock file and socket; the program goes with it
        m_xvfb.waitForFinished();
    }

    void opensSnapshotThroughFileDialogAndQuits()
    {
        // -displayfd: the server picks a free display and writes its number once it takes clients.
        m_xvfb.start(QStringLiteral("Xvfb"), { "-displayfd", "1", "-nolisten", "tcp" });
        QByteArray number;
        while (!number.contains('\n') && m_xvfb.waitForReadyRead(30000))
            number += m_xvfb.readAllStandardOutput();
        if (!number.contains('\n'))
            QSKIP("no X server: Xvfb (Debian package xvfb) is missing or did not start");
        m_display = QStringLiteral(":") + QString::fromLatin1(number.trimmed());

        WorkDir work; // also the private runtime and configuration directory
        const QString snapshot = work.writeFile("demo.uss", DemoSnapshot::build().bytes);
        // Qt's own file dialog (no desktop's theme); the leak checker of a sanitizer build stays
        // with the in-process tests, as the X libraries keep memory to the end.
        m_pelvane.setEnvironment(QProcess::systemEnvironment()
            << "DISPLAY=" + m_display << "QT_QPA_PLATFORM=xcb"
            << "QT_QPA_PLATFORMTHEME=generic"
            << "XDG_RUNTIME_DIR=" + work.path() << "XDG_CONFIG_HOME=" + work.path()
            << "ASAN_OPTIONS=" + qEnvironmentVariable("ASAN_OPTIONS") + ":detect_leaks=0");
        m_pelvane.setWorkingDirectory(work.path());
        m_pelvane.start(QStringLiteral(PELVANE_PROGRAM), QStringList());

        const QString window = waitForWindow(QStringLiteral("^Pelvane 0\\.6$"));
        QVERIFY2(!window.isEmpty(), "no window titled \"Pelvane 0.6\"");
        QVERIFY(xdotool({ "windowfocus", "--sync", window, "key", "ctrl+o" }));
        const QString dialog = waitForWindow(QStringLiteral("^Open File$"));
        QVERIFY2(!dialog.isEmpty(), "no \"Open File\" dialog");
        QVERIFY(xdotool({ "windowfocus", "--sync", dialog, "type", "--delay", "5", snapshot }));
        QVERIFY(xdotool({ "key", "Return" }));
        QCOMPARE(waitForWindow(QStringLiteral("^Pelvane 0\\.6 - demo\\.uss$")), window);
        QVERIFY(xdotool({ "windowfocus", "--sync", window, "key", "ctrl+q" }));
        QVERIFY2(m_pelvane.waitForFinished(30000), "Ctrl+Q did not end the program");
        QVERIFY(m_pelvane.exitStatus() == QProcess::NormalExit && m_pelvane.exitCode() == 0);

        QSettings settings(work.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        QVERIFY(settings.contains("windowx") && settings.contains("windowy"));
        QCOMPARE(
            settings.value(QStringLiteral("recentFileList")).toStringList().value(0), snapshot);
    }
};

QTEST_GUILESS_MAIN(TestRealDisplay)
#include "tst_realdisplay.moc"
