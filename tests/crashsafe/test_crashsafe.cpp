// Saves survive a kill: savewriter rewrites every settings and handshake file KESSAMIR
// replaces, alternating two complete versions, and is killed with SIGKILL at random moments.
// After each kill every file must hold one whole version; a scratch file may be left only
// under a fixed name that the next save of the same file takes over, so none accumulate.
#include "files/fileops.h"
#include "settings/layouts.h"
#include "savedfiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace kess;

namespace {

// The rewrite journal's scratch files and the saved files they become.
QHash<QString, QString> journalScratch()
{
    QHash<QString, QString> h;
    for (SettingsFile f : {SettingsFile::Custinit, SettingsFile::Vantmini, SettingsFile::Pelini})
        h.insert(settingsLayout(f).scratchName(1), settingsLayout(f).savedName(1));
    return h;
}

QByteArray fileBytes(const QDir &dir, const QString &name)
{
    QFile f(dir.filePath(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A kill keeps what reached the page cache, so the disk adds nothing to what is tested; a
// memory file system, where there is one, spares the trials the wait for each file's sync.
QString scratchRoot()
{
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    return (shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath()) + QStringLiteral("/kess-crashsafe-XXXXXX");
}

struct Outcome {
    int trials = 0;
    QStringList torn;       // files found in neither version, with the trial
    QStringList strays;     // files that no save may leave
    QSet<QString> orphans;  // fixed-name scratch files seen after some kill
};

} // namespace

class CrashSafeTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_refs{scratchRoot()};
    QHash<QString, QByteArray> m_version[2];
    int m_spanUs = 30000; // kills fall this long after the loop has begun: two versions' time

    bool runWriter(const QString &folder, const QStringList &args)
    {
        QProcess p;
        p.start(QStringLiteral(KESS_SAVEWRITER), QStringList{folder} + args);
        const bool ok = p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished(5000);
        }
        return ok;
    }

    // One kill at a random moment of the writer's loop, then a look at every file.
    void trial(const QString &folder, const QStringList &args, QRandomGenerator &random, Outcome &out)
    {
        QProcess p;
        p.start(QStringLiteral(KESS_SAVEWRITER), QStringList{folder} + args);
        QVERIFY2(p.waitForReadyRead(10000), "the writer did not begin");
        QThread::usleep(random.bounded(m_spanUs));
        p.kill();
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::CrashExit); // it wrote until killed, no write failed
        ++out.trials;

        const QDir dir(folder);
        const auto scratch = journalScratch();
        for (const QString &name : kFiles) {
            const QByteArray b = fileBytes(dir, name);
            if (b != m_version[0][name] && b != m_version[1][name])
                out.torn << QStringLiteral("%1 after kill %2 (%3 bytes)").arg(name).arg(out.trials).arg(b.size());
        }
        for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden)) {
            if (kFiles.contains(name))
                continue;
            if (scratch.contains(name)) {
                // stopped between the journal's two steps: the scratch file holds a whole version
                const QByteArray b = fileBytes(dir, name);
                const QString saved = scratch.value(name);
                if (b != m_version[0][saved] && b != m_version[1][saved])
                    out.torn << QStringLiteral("%1 after kill %2").arg(name, QString::number(out.trials));
                out.orphans << name;
                continue;
            }
            bool fixed = false;
            for (const QString &target : kFiles + scratch.keys())
                fixed = fixed || name == scratchFileName(target);
            if (fixed)
                out.orphans << name;
            else
                out.strays << name;
        }
    }

    void seedFolder(const QString &folder)
    {
        for (const QString &name : kFiles)
            QFile::copy(QDir(m_refs.path()).filePath(QStringLiteral("0/") + name), QDir(folder).filePath(name));
    }

    Outcome killRepeatedly(const QStringList &args, int trials, quint32 seed)
    {
        Outcome out;
        QTemporaryDir work(scratchRoot());
        seedFolder(work.path());
        QRandomGenerator random(seed);
        for (int i = 0; i < trials && !QTest::currentTestFailed(); ++i)
            trial(work.path(), args, random, out);
        // the next whole save takes over every scratch file a kill left
        if (args.first() == QLatin1String("safe")) {
            if (!runWriter(work.path(), {QStringLiteral("safe"), QStringLiteral("0")}))
                out.strays << QStringLiteral("<the save after the kills failed>");
            QStringList left = QDir(work.path()).entryList(QDir::Files | QDir::Hidden);
            for (const QString &name : kFiles)
                left.removeAll(name);
            for (const QString &name : left)
                out.strays << name + QStringLiteral(" (after the next save)");
        }
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_refs.isValid());
        for (int v = 0; v < 2; ++v) {
            const QString folder = QDir(m_refs.path()).filePath(QString::number(v));
            QVERIFY(QDir().mkpath(folder));
            QVERIFY(runWriter(folder, {QStringLiteral("safe"), QString::number(v)}));
            for (const QString &name : kFiles) {
                m_version[v][name] = fileBytes(QDir(folder), name);
                QVERIFY2(!m_version[v][name].isEmpty() && m_version[v][name] != "<missing>", qPrintable(name));
            }
            QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), kFiles.size());
        }
        for (const QString &name : kFiles)
            QVERIFY2(m_version[0][name] != m_version[1][name], qPrintable(name));

        // Time the loop, so the kills spread over every file of it.
        QTemporaryDir work(scratchRoot());
        seedFolder(work.path());
        QProcess p;
        p.start(QStringLiteral(KESS_SAVEWRITER), {work.path(), QStringLiteral("safe"), QStringLiteral("loop")});
        QVERIFY(p.waitForReadyRead(10000) && p.readLine().startsWith("writing"));
        QElapsedTimer timer;
        timer.start();
        int versions = 0;
        while (versions < 6 && timer.elapsed() < 10000 && p.waitForReadyRead(10000))
            while (p.canReadLine())
                versions += p.readLine().startsWith("written");
        const qint64 us = timer.nsecsElapsed() / 1000;
        p.kill();
        QVERIFY(p.waitForFinished(10000));
        QVERIFY(versions > 0);
        m_spanUs = int(qBound(qint64(2000), 2 * us / versions, qint64(400000)));
        qInfo("one version written in %lld us", us / versions);
    }

    // 240 kills of the program's own writers: no torn file, no stray file, and no scratch file
    // left once the next save has run.
    void killedSavesLeaveWholeFiles()
    {
        const quint32 seed = qEnvironmentVariableIsSet("KESS_CRASH_SEED") ? qEnvironmentVariableIntValue("KESS_CRASH_SEED") : 14;
        const Outcome out = killRepeatedly({QStringLiteral("safe"), QStringLiteral("loop")}, 240, seed);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(out.trials, 240);
        qInfo("seed %u, scratch files orphaned by some kill: %s", seed,
              qPrintable(QStringList(out.orphans.values()).join(QLatin1Char(' '))));
        QVERIFY2(out.torn.isEmpty(), qPrintable(out.torn.join(QLatin1Char('\n'))));
        QVERIFY2(out.strays.isEmpty(), qPrintable(out.strays.join(QLatin1Char('\n'))));
    }

    // The same check catches a writer that rewrites its files in place.
    void inPlaceWriterIsCaught()
    {
        const Outcome out = killRepeatedly({QStringLiteral("inplace"), m_refs.path()}, 60, 14);
        if (QTest::currentTestFailed())
            return;
        QVERIFY2(!out.torn.isEmpty(), "60 kills of an in-place writer left no torn file");
    }
};

QTEST_GUILESS_MAIN(CrashSafeTest)
#include "test_crashsafe.moc"
