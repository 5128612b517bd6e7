#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QStringList InstalledFiles { "bin/pelvane", "bin/pelvane-export",
    "share/applications/org.example.Pelvane.desktop",
    "share/icons/hicolor/32x32/apps/org.example.Pelvane.png",
    "share/metainfo/org.example.Pelvane.metainfo.xml" };

QString buildDir()
{
    return QStringLiteral(PELVANE_BUILD_DIR);
}

// Exit code and merged output; a make above this test (make test) keeps its job server.
QPair<int, QString> run(const QString &program, const QStringList &args)
{
    QProcess process;
    process.setEnvironment(QProcess::systemEnvironment().filter(
        QRegularExpression(QStringLiteral("^(?!MAKEFLAGS=|MFLAGS=|MAKELEVEL=)"))));
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    const bool finished = process.waitForFinished(280000);
    return { finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
        QString::fromUtf8(process.readAll()) };
}

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    const QStringList m_roots { m_dir.filePath("prefix"), m_dir.filePath("stage/opt/pelvane") };

private slots:
    void initTestCase();
    void installsEveryFile();
    void validates();
};

// cmake --install, then the top-level Makefile's target on this build: nothing is out of date, so
// it only installs, under DESTDIR + PREFIX.
void TestInstall::initTestCase()
{
    for (QStringList command : { QStringList { QStringLiteral(PELVANE_CMAKE_COMMAND), "--install",
                                     buildDir(), "--prefix", m_roots[0] },
             QStringList { "make", "-C", QStringLiteral(PELVANE_SOURCE_DIR), "install",
                 "BUILD_DIR=" + buildDir(), "BUILD_TYPE=" + QStringLiteral(PELVANE_BUILD_TYPE),
                 "PREFIX=/opt/pelvane", "DESTDIR=" + m_dir.filePath("stage"), "JOBS=2" } }) {
        const QString program = command.takeFirst();
        const auto [code, output] = run(program, command);
        QVERIFY2(code == 0, qPrintable(output));
    }
}

void TestInstall::installsEveryFile()
{
    for (const QString &root : m_roots) {
        for (const QString &file : InstalledFiles) {
            const QFileInfo info(root + QLatin1Char('/') + file);
            QVERIFY2(info.isFile() && (info.isExecutable() || !file.startsWith("bin/")),
                qPrintable(info.filePath()));
        }
        QCOMPARE(QImage(root + QLatin1Char('/') + InstalledFiles[3]).size(), QSize(32, 32));
        QSettings entry(root + QLatin1Char('/') + InstalledFiles[2], QSettings::IniFormat);
        QCOMPARE(entry.value(QStringLiteral("Desktop Entry/Exec")).toString(), "pelvane");
        QCOMPARE(
            entry.value(QStringLiteral("Desktop Entry/Icon")).toString(), "org.example.Pelvane");
    }
}

void TestInstall::validates()
{
    const QString prefix = m_roots[0] + QLatin1Char('/');
    for (QStringList check : { QStringList { "desktop-file-validate", prefix + InstalledFiles[2] },
             QStringList { "appstreamcli", "validate", "--no-net", prefix + InstalledFiles[4] } }) {
        const QString program = QStandardPaths::findExecutable(check.takeFirst());
        if (program.isEmpty())
            QSKIP("desktop-file-validate or appstreamcli is not installed (Debian packages "
                  "desktop-file-utils, appstream)");
        const auto [code, output] = run(program, check);
        QVERIFY2(code == 0 && !output.contains(QStringLiteral("error"), Qt::CaseInsensitive),
            qPrintable(output));
    }
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
