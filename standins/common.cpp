#include "common.h"

#include "settings/layouts.h"

#include "files/errors.h"
#include "files/fileops.h"
#include "files/listreader.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

#include <cmath>
#include <cstdio>

namespace standin {

namespace {

constexpr double DefaultDelay = 1.0;
constexpr double DefaultSettingsDelay = 5.0;
constexpr double MaxDelay = 86400.0; // a day: anything longer is a mistake in standins.txt

// Retries a write while the file is in use, for up to two seconds.
void withRetry(const std::function<void()> &write)
{
    for (int attempt = 0;; ++attempt) {
        try {
            write();
            return;
        } catch (const kess::FileError &) {
            if (attempt >= 40)
                throw;
            QThread::msleep(50);
        }
    }
}

} // namespace

Settings Settings::load(const QString &file)
{
    Settings s;
    for (QString line : readLines(file)) {
        const qsizetype hash = line.indexOf(u'#');
        if (hash >= 0)
            line.truncate(hash);
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed().toLower();
        if (!key.isEmpty())
            s.m_values.insert(key, line.mid(eq + 1).trimmed());
    }
    return s;
}

QString Settings::value(const QString &key) const
{
    return m_values.value(key.toLower());
}

double Settings::seconds(const QString &key, double fallback) const
{
    bool ok = false;
    const double v = value(key).toDouble(&ok);
    return ok && v >= 0 && v <= MaxDelay ? v : fallback;
}

QStringList Settings::problems() const
{
    QStringList out;
    for (auto it = m_values.cbegin(); it != m_values.cend(); ++it) {
        if (it.key() != QLatin1String("delay") && !it.key().endsWith(QLatin1String(".delay")))
            continue;
        bool ok = false;
        const double v = it.value().toDouble(&ok);
        if (!ok || !std::isfinite(v) || v < 0 || v > MaxDelay)
            out << QStringLiteral("standins.txt: %1 = %2 is not a delay; give seconds from 0 to %3")
                       .arg(it.key(), it.value())
                       .arg(MaxDelay);
    }
    out.sort();
    return out;
}

double Settings::delay(const QString &program) const
{
    return seconds(program + QStringLiteral(".delay"), seconds(QStringLiteral("delay"), DefaultDelay));
}

double Settings::settingsDelay() const
{
    return seconds(QStringLiteral("settings.delay"), DefaultSettingsDelay);
}

QStringList Settings::words(const QString &key) const
{
    static const QRegularExpression separators(QStringLiteral("[,;\\s]+"));
    return value(key).split(separators, Qt::SkipEmptyParts);
}

bool Settings::listsSite(const QString &key, const QString &siteCode) const
{
    const QString code = siteCode.trimmed();
    for (const QString &w : words(key)) {
        if (w.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0)
            return true;
        if (!code.isEmpty() && w.compare(code, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool Settings::listsInitial(const QString &key) const
{
    for (const QString &w : words(key))
        if (w.compare(QLatin1String("initial"), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

Site readSite(const QString &file)
{
    Site site;
    try {
        kess::ListReader r = kess::ListReader::open(file);
        QString name = r.readText();
        if (name.endsWith(u'+'))
            name.chop(1);
        site.name = name.trimmed();
        for (int item = 2; item < 17; ++item)
            r.read();
        site.code = r.readText().trimmed();
        site.found = true;
        kess::ListReader whole = kess::ListReader::open(file);
        const kess::SettingsLines lines = kess::readSettings(whole, kess::settingsLayout(kess::SettingsFile::Custinit));
        if (lines.size() >= 68 && lines[67].size() >= 3) {
            site.latitude = lines[67][0].number;
            site.elevationFt = lines[67][2].number;
        }
    } catch (const kess::FileError &) {
        // a missing or short file leaves what was read so far
    }
    return site;
}

int readModeCode()
{
    const std::optional<double> v = kess::readNumberFile(QStringLiteral("imcode.txt"));
    return v ? static_cast<int>(*v) : -1;
}

double readNumber(const QString &file, double fallback)
{
    return kess::readNumberFile(file).value_or(fallback);
}

void writeRecordFile(const QString &name, double value)
{
    withRetry([&] { kess::writeRecord(name, value); });
}

void writeLinesFile(const QString &name, const QStringList &lines)
{
    withRetry([&] { kess::writeLines(name, lines); });
}

QStringList readLines(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QString text = kess::decodeText(f.readAll());
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void pause(double seconds)
{
    if (seconds > 0)
        QThread::msleep(static_cast<unsigned long>(std::min(seconds, MaxDelay) * 1000.0 + 0.5));
}

void appendLog(const QString &program, const QString &mode, const QString &site,
               const QString &what)
{
    const QString line = QStringLiteral("%1 %2 mode=%3 site=%4 %5\r\n")
                             .arg(QDateTime::currentDateTime().toString(
                                      QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")),
                                  program, mode, site.isEmpty() ? QStringLiteral("-") : site, what);
    QFile f(QStringLiteral("standins.log"));
    // One write per line in append mode, so that two stand-ins running at once do not mix lines.
    if (f.open(QIODevice::WriteOnly | QIODevice::Append))
        f.write(kess::encodeText(line));
}

Companion::Companion(const QString &program) : m_program(program), m_settings(Settings::load()) {}

void Companion::setFlag(int value)
{
    writeRecordFile(flagFile(), value);
}

void Companion::reply(int code)
{
    writeRecordFile(QStringLiteral("imcode.txt"), code);
}

void Companion::log(const QString &what) const
{
    appendLog(m_program, m_mode, m_site, what);
}

int Companion::close(const QString &what)
{
    setFlag(0);
    log(what);
    return 0;
}

namespace {

// The settings file each companion keeps its preferences in.
std::optional<kess::SettingsFile> settingsFileOf(const QString &program)
{
    if (program == QLatin1String("vantro"))
        return kess::SettingsFile::Custinit;
    if (program == QLatin1String("dorliq"))
        return kess::SettingsFile::Vantmini;
    if (program == QLatin1String("pelthor"))
        return kess::SettingsFile::Pelini;
    return std::nullopt;
}

// "<line>:<item>=<value>; ...": a value in double quotes is text, anything else is read as the
// companion would read it. Returns what was changed, for the log.
QString applyChanges(const QString &program, const QString &changes)
{
    const std::optional<kess::SettingsFile> file = settingsFileOf(program);
    if (!file || changes.trimmed().isEmpty())
        return {};
    const kess::SettingsLayout &layout = kess::settingsLayout(*file);
    kess::SettingsLines lines = kess::readSettingsFile(layout.workingName(), layout);
    QStringList done;
    for (const QString &change : changes.split(u';', Qt::SkipEmptyParts)) {
        static const QRegularExpression form(QStringLiteral("^\\s*(\\d+)\\s*:\\s*(\\d+)\\s*=\\s*(.*?)\\s*$"));
        const QRegularExpressionMatch m = form.match(change);
        if (!m.hasMatch())
            throw kess::FileError(kess::ErrTypeMismatch, QStringLiteral("standins.txt: bad change \"%1\"").arg(change));
        const int line = m.captured(1).toInt();
        const int item = m.captured(2).toInt();
        if (line < 1 || line > lines.size() || item < 1 || item > lines[line - 1].size())
            throw kess::FileError(kess::ErrSubscript, QStringLiteral("standins.txt: no item %1:%2 in %3")
                                                          .arg(line).arg(item).arg(layout.workingName()));
        QString value = m.captured(3);
        const bool quoted = value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"');
        if (quoted)
            value = value.mid(1, value.size() - 2);
        lines[line - 1][item - 1] = kess::Item::fromText(value, quoted);
        done << QStringLiteral("%1:%2=%3").arg(line).arg(item).arg(m.captured(3));
    }
    writeLinesFile(layout.workingName(), kess::formatSettings(layout, lines));
    return QStringLiteral(", changed ") + done.join(QStringLiteral("; ")) + QStringLiteral(" in ") +
           layout.workingName();
}

} // namespace

int Companion::settingsMode()
{
    pause(m_settings.settingsDelay());
    const QString changed = applyChanges(m_program, m_settings.value(m_program + QStringLiteral(".change")));
    return close(QStringLiteral("opened for settings, closed after %1 s").arg(m_settings.settingsDelay()) + changed);
}

int Companion::crash(const QString &when)
{
    log(QStringLiteral("simulated crash %1: no reply, open flag left at 1").arg(when));
    std::fprintf(stderr, "%s: simulated crash (no reply)\n", qPrintable(m_program));
    return 3;
}

int Companion::misbehave(const std::function<bool(const QString &key)> &listed)
{
    auto key = [this](const char *fault) { return m_program + u'.' + QLatin1String(fault); };
    if (listed(key("hang")) || listed(key("hangclosed"))) {
        const bool closed = !listed(key("hang"));
        if (closed)
            setFlag(0);
        log(closed ? QStringLiteral("hanging: alive, no reply, open flag 0")
                   : QStringLiteral("hanging: alive, no reply, open flag 1"));
        for (;;)
            pause(3600);
    }
    if (listed(key("nooutput")))
        return close(QStringLiteral("exited without a reply or any output"));
    if (listed(key("garbage"))) {
        QFile f(QStringLiteral("imcode.txt"));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(QByteArray("\x01\xfe#?garbage\x00\xff\r\n", 14));
        f.close();
        return close(QStringLiteral("wrote garbage into imcode.txt instead of a reply"));
    }
    return -1;
}

int runCompanion(const QString &program, const std::function<int(Companion &)> &body, bool raiseFlag)
{
    Companion c(program);
    const QStringList problems = c.settings().problems();
    if (!problems.isEmpty()) {
        for (const QString &p : problems)
            std::fprintf(stderr, "%s: %s\n", qPrintable(program), qPrintable(p));
        c.log(QStringLiteral("refused to start: ") + problems.join(QStringLiteral("; ")));
        return 4;
    }
    try {
        if (raiseFlag)
            c.setFlag(1);
        return body(c);
    } catch (const kess::FileError &e) {
        std::fprintf(stderr, "%s: error %d: %s\n", qPrintable(program), e.number,
                     qPrintable(e.reason));
        c.log(QStringLiteral("failed with error %1: %2").arg(e.number).arg(e.reason));
        try {
            c.setFlag(0);
        } catch (const kess::FileError &) {
        }
        return 2;
    }
}

} // namespace standin
