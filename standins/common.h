#pragma once
// Shared code of the stand-in companion programs (dorliq.exe, vantro.exe, pelthor.exe,
// mirrix.exe, i_view32.exe). Each one is a small console program that works in its current
// folder, the working folder, and meets KESSAMIR only through files there.
//
// Their behaviour is chosen by "standins.txt" in the working folder. The file is optional; every
// key has a default. Lines are "key = value"; a '#' starts a comment; keys ignore case.
//
//   delay = <seconds>            work time of every program (fractional allowed; default 1).
//                                Every delay lies between 0 and 86400 seconds; a program whose
//                                settings hold another value says so on stderr and exits with 4.
//   dorliq.delay = <seconds>     work time of one program; likewise vantro.delay,
//                                pelthor.delay, mirrix.delay
//   settings.delay = <seconds>   how long a program opened for settings stays open (default 5)
//
//   dorliq.timelimit = <list>    answer "time limit passed": 2 into "dorliqopen.txt", no reply
//   dorliq.noreply = <list>      crash: exit without a reply, the open flag left at 1;
//                                likewise vantro.noreply, mirrix.noreply, pelthor.noreply
//   dorliq.gfsmissing = <list>   "gfsmissing.txt" holds 1 for these sites (else 0)
//   dorliq.locmissing = <list>   "locmissing.txt" holds 1 for these sites (else 0)
//   dorliq.hang = <list>         stays alive for ever without answering, open flag 1;
//                                likewise vantro.hang, mirrix.hang
//   dorliq.hangclosed = <list>   the same with the open flag back at 0; likewise vantro., mirrix.
//   dorliq.nooutput = <list>     exits at once without a reply or any output, open flag 0;
//                                likewise vantro., mirrix.
//   dorliq.garbage = <list>      writes garbage bytes into "imcode.txt" instead of its reply, open
//                                flag 0; likewise vantro., mirrix.
//   vantro.seatemp = <list>      these sites are appended to "seatempanomalies.txt", unless
//                                "defst.txt" holds 1 (VANTRO then uses default water temperatures)
//   vantro.change = <changes>    opened for settings, the program changes these items of its
//                                settings file before it exits ("custinit.txt"; likewise
//                                dorliq.change for "vantmini.txt", pelthor.change for
//                                "pelini.txt"): "<line>:<item>=<value>" separated by ';', a value
//                                in double quotes being text
//
// A <list> holds site codes separated by commas or blanks, compared on the whole code without
// regard to case (KBOS matches kbos, not KBO). The word "all" names every site, and the word
// "initial" names DORLIQ's initial data step (mode code 1), which has no site. The site of a
// start is item 17 of "custinit.txt" (the site code); mirrix.exe in a learning run takes the
// weather station named first on line 15 of "pelini.txt" (the demo names the site's code there)
// and falls back to "custinit.txt".
//
//   mirrix.edit = <text>         mirrix.exe opened for settings adds this line to "mxrninit.txt",
//                                as a user who changes a setting would (default: no change)
//
// DORLIQ also honours "timelimit.txt" (minutes): when it holds more than 0 and the work time is
// longer, DORLIQ gives up after that many minutes with the time-limit answer.
//
// Every program appends one line per start to "standins.log":
//   <date> <time> <program> mode=<code read or -> site=<site code or -> <what it did>
#include <QString>
#include <QStringList>
#include <QHash>

#include <functional>
#include <optional>

namespace standin {

// The first line of every text file the stand-ins make.
inline constexpr auto SyntheticLabel = "SYNTHETIC FORECAST (stand-in program, not a real forecast)";

class Settings {
public:
    static Settings load(const QString &file = QStringLiteral("standins.txt"));

    // The value of a key ("" when it is not set); keys ignore case.
    QString value(const QString &key) const;
    // Work time of a program: "<program>.delay", else "delay", else 1 second.
    double delay(const QString &program) const;
    // Time a program stays open for settings: "settings.delay", else 5 seconds.
    double settingsDelay() const;
    // True when the list under `key` names the site with this code ("all" or the code itself).
    bool listsSite(const QString &key, const QString &siteCode) const;
    // True when the list under `key` holds the word "initial".
    bool listsInitial(const QString &key) const;
    // What is wrong with the settings (a delay that is not a number of seconds from 0 to 86400).
    QStringList problems() const;

private:
    QStringList words(const QString &key) const;
    double seconds(const QString &key, double fallback) const;
    QHash<QString, QString> m_values;
};

// The site of "custinit.txt": item 1 (its name, a trailing "+" dropped) and item 17 (its code).
struct Site {
    QString name;
    QString code;
    bool found = false; // the file was there and held both items
    // Latitude (degrees, north positive) and elevation (feet) from line 68, when the file has them.
    std::optional<double> latitude;
    std::optional<double> elevationFt;
    // First three characters of the code, as in the per-site output names.
    QString prefix() const { return code.left(3); }
};
Site readSite(const QString &file = QStringLiteral("custinit.txt"));

// Mode code from "imcode.txt"; -1 when it cannot be read.
int readModeCode();
// A one-number file, or `fallback` when it is missing or holds no number.
double readNumber(const QString &file, double fallback);

// File writes. Each replaces the whole file atomically, and retries for up to two seconds when
// the file is in use (KESSAMIR reading it at that moment, on platforms that lock open files).
void writeRecordFile(const QString &name, double value);
void writeLinesFile(const QString &name, const QStringList &lines);

// Lines of a text file without their line ends; empty when it cannot be read.
QStringList readLines(const QString &file);

// Sleeps for the given seconds (fractions allowed).
void pause(double seconds);

// Appends one line to "standins.log".
void appendLog(const QString &program, const QString &mode, const QString &site,
               const QString &what);

// One start of a companion stand-in: its name ("dorliq"), its open-flag file
// ("dorliqopen.txt"), its settings, and the common endings of a start.
class Companion {
public:
    explicit Companion(const QString &program);

    QString program() const { return m_program; }
    QString flagFile() const { return m_program + QStringLiteral("open.txt"); }
    const Settings &settings() const { return m_settings; }
    double delay() const { return m_settings.delay(m_program); }

    // The mode and site named in the log line of this start.
    void setMode(const QString &mode) { m_mode = mode; }
    void setSite(const QString &code) { m_site = code; }

    void setFlag(int value);
    // Writes the reply into "imcode.txt".
    void reply(int code);
    void log(const QString &what) const;

    // Ends a normal start: the flag goes to 0 and the log names what was done. Returns 0.
    int close(const QString &what);
    // Opened by the user for settings: stays open for the settings delay, makes the changes
    // "standins.txt" asks for, then closes through its own exit (flag 0).
    int settingsMode();
    // A crash: no reply, the open flag stays 1. Returns exit code 3.
    int crash(const QString &when);
    // The faults of "<program>.hang", ".hangclosed", ".nooutput" and ".garbage" for a start that
    // `listed` names: returns the exit code (a hang never returns), or -1 when none applies.
    int misbehave(const std::function<bool(const QString &key)> &listed);

private:
    QString m_program;
    Settings m_settings;
    QString m_mode = QStringLiteral("-");
    QString m_site = QStringLiteral("-");
};

// Runs the body of a companion stand-in: builds its Companion, writes 1 into its open-flag file
// (unless `raiseFlag` is false: the body raises it once it has read its inputs) and calls
// `body`. A file that cannot be written ends the program with exit code 2, a message on stderr
// and a log line.
int runCompanion(const QString &program, const std::function<int(Companion &)> &body, bool raiseFlag = true);

} // namespace standin
