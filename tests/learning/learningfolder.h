#pragma once
// A working folder for the learning program: sites with their saved files, each site's PELTHOR
// settings naming its own station (which the stand-in mirrix.exe learns for), a learning
// settings file per site that says whose it is, and the learning include list.
#include "widgets.h"
#include "core/dialogs.h"
#include "core/textcolour.h"
#include "app/mainwindow.h"
#include "companions/launcher.h"
#include "files/records.h"
#include "learning/learningrun.h"
#include "learning/mirrixsetup.h"
#include "standins.h"
#include "workfolder.h"

#include <QtTest>

namespace kess::test {

inline const QList<QPair<QString, QString>> &learningSites()
{
    static const QList<QPair<QString, QString>> sites{
        {"Boston", "KBOS"}, {"Atlanta", "KATL"}, {"Seattle", "KSEA"},  {"Miami", "KMIA"},
        {"Denver", "KDEN"}, {"Chicago", "KORD"}, {"Phoenix", "KPHX"},  {"Dallas", "KDFW"},
        {"Portland", "KPDX"}, {"Reno", "KRNO"}, {"Tampa", "KTPA"},     {"Omaha", "KOMA"}};
    return sites;
}

inline QString learningSettingsOf(int site)
{
    return QStringLiteral("\"learning settings of site %1\"").arg(site);
}

// `count` sites; "mxrunlist.txt" with these flags (none when empty); a0.txt.. when asked.
inline void makeLearningFolder(WorkFolder &f, int count, const QList<int> &learningFlags, bool withSettings = true)
{
    f.makeSites(learningSites().mid(0, count), QList<int>(count, 1));
    for (int n = 0; n <= count; ++n) {
        QStringList pelini = WorkFolder::pelthorSettings(f.folderText());
        pelini[14] = QStringLiteral("\"%1\",2").arg(n == 0 ? QStringLiteral("GEN") : learningSites()[n - 1].second);
        f.write(QStringLiteral("r%1.txt").arg(n), pelini);
        if (withSettings)
            f.write(QStringLiteral("a%1.txt").arg(n), QStringList{learningSettingsOf(n)});
    }
    f.write("mxrninit.txt", QStringList{"\"generic learning settings\""});
    QStringList list;
    for (int flag : learningFlags)
        list << printForm(flag);
    if (!learningFlags.isEmpty())
        f.write("mxrunlist.txt", list);
}

inline QStringList listLines(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

inline QColor textColour(const QWidget *w)
{
    return w->palette().color(QPalette::WindowText);
}
// A label's colour as designed, in the shade the label's background shows it.
inline QColor shownOn(const QWidget *w, const QColor &c) { return kess::readableOn(c, w->palette().color(QPalette::Window)); }

// Waits (bounded) until the program started last has ended; true when it has.
inline bool lastStartEnded(const MainWindow &w)
{
    QElapsedTimer t;
    t.start();
    while (w.state.lastLaunchTaskId > 0 && processAlive(w.state.lastLaunchTaskId) && t.elapsed() < 10000)
        QTest::qWait(20);
    return w.state.lastLaunchTaskId <= 0 || !processAlive(w.state.lastLaunchTaskId);
}

} // namespace kess::test
