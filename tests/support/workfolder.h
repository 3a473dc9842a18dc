#pragma once
// A temporary working folder that is the current folder for the life of a test.
#include "files/fileops.h"
#include "files/listreader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace kess::test {

class WorkFolder {
public:
    WorkFolder() : m_previous(QDir::currentPath())
    {
        QVERIFY(m_dir.isValid());
        QDir::setCurrent(m_dir.path());
    }
    ~WorkFolder() { QDir::setCurrent(m_previous); }

    QString path() const { return m_dir.path(); }
    // The folder as the settings files name it, ending with a separator.
    // As a user would type it: Windows writes "C:\\...\\".
    QString folderText() const { return QDir::toNativeSeparators(m_dir.path() + QLatin1Char('/')); }

    void write(const QString &name, const QStringList &lines) const { writeLines(name, lines); }
    void write(const QString &name, const QByteArray &bytes) const { writeBytes(name, bytes); }
    static bool exists(const QString &name) { return QFile::exists(name); }
    // A shell script with plain line feeds, executable.
    void writeScript(const QString &name, const QStringList &lines) const
    {
        writeBytes(name, lines.join(QLatin1Char('\n')).toUtf8() + '\n');
        QFile::setPermissions(name, QFile::permissions(name) | QFile::ExeOwner);
    }

    // The file's lines without their line ends; empty when the file is missing.
    static QStringList lines(const QString &name)
    {
        QFile f(name);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList out;
        ListReader r(f.readAll());
        while (!r.atEndOfData())
            out << r.readLine();
        return out;
    }
    static QByteArray bytes(const QString &name)
    {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // A site's VANTRO settings with just what the program takes from them: the name (value 1)
    // and the code (value 17), in the line layout of the real file.
    static QStringList siteSettings(const QString &name, const QString &code)
    {
        return {QStringLiteral("\"%1\",1,2,3,4,5,6").arg(name),
                QStringLiteral("10,11,12,13,14,15,16,17,18,\"%1\",20,21,22").arg(code)};
    }

    // PELTHOR's settings: 24 lines, line 12 naming the working folder.
    static QStringList pelthorSettings(const QString &folder)
    {
        QStringList l;
        l << QStringLiteral("1,2,3,4,5,6,7,8") << QStringLiteral("1,2,3,4,5,6,7,8,9,10");
        for (int i = 3; i <= 11; ++i)
            l << QString::number(i * 10);
        l << QStringLiteral("\"%1\"").arg(folder) << QStringLiteral("6") << QStringLiteral("0")
          << QStringLiteral("1,2") << QStringLiteral("3") << QStringLiteral("1,2,3,4,5,6,7,8,9,10")
          << QStringLiteral("1") << QStringLiteral("2") << QStringLiteral("1,2,3,4,5,6,7,8,9,10")
          << QStringLiteral("1") << QStringLiteral("2") << QStringLiteral("1,2,3,4,5,6,7,8,9,10")
          << QStringLiteral("7");
        return l;
    }

    // Saved files of sites 0..count (c, w, snowrec, cor, r and, when asked, fdata and ecdata),
    // the run list with the flags given, and the working files as after a close.
    void makeSites(const QList<QPair<QString, QString>> &sites, const QList<int> &runFlags, bool fdata = true,
                   bool ecdata = true) const
    {
        QStringList runList;
        for (int n = 0; n <= sites.size(); ++n) {
            const QString name = n == 0 ? QStringLiteral("Generic") : sites[n - 1].first;
            const QString code = n == 0 ? QStringLiteral("GEN") : sites[n - 1].second;
            const QString num = QString::number(n);
            write(QStringLiteral("c") + num + QStringLiteral(".txt"), siteSettings(name, code));
            write(QStringLiteral("w") + num + QStringLiteral(".txt"), QStringList{QStringLiteral("\"dorliq ") + name + QLatin1Char('"')});
            write(QStringLiteral("snowrec") + num + QStringLiteral(".txt"), QStringList{QStringLiteral("snow ") + num});
            write(QStringLiteral("cor") + num + QStringLiteral(".txt"), QStringList{QStringLiteral("cor ") + num});
            write(QStringLiteral("r") + num + QStringLiteral(".txt"), pelthorSettings(folderText()));
            if (fdata)
                write(QStringLiteral("fdata") + num + QStringLiteral(".txt"), QStringList{QStringLiteral("fdata ") + num});
            if (ecdata)
                write(QStringLiteral("ecdata") + num + QStringLiteral(".txt"), QStringList{QStringLiteral("ecdata ") + num});
            if (n > 0)
                runList << QString::number(runFlags.value(n - 1, 1));
        }
        write(QStringLiteral("runlist.txt"), runList);
        copyFile(QStringLiteral("c0.txt"), QStringLiteral("custinit.txt"));
        copyFile(QStringLiteral("w0.txt"), QStringLiteral("vantmini.txt"));
        copyFile(QStringLiteral("r0.txt"), QStringLiteral("pelini.txt"));
    }

private:
    QString m_previous;
    QTemporaryDir m_dir;
};

} // namespace kess::test
