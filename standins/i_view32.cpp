// Stand-in for IrfanView's command-line converter, as KESSAMIR's "bmppng.bat" calls it:
//
//   "<folder>/i_view32.exe" <working folder>/*.bmp /convert=<target folder>/*.png
//
// The shell may already have expanded the first pattern into many file names, or left it as it
// is when nothing matched; so every argument that is not an option is a file or a pattern with
// '*' or '?' that is expanded here (names compared without regard to case, as on Windows). The
// "/convert=" argument names the output folder and the output name, where '*' stands for the
// input's base name; the format follows the extension. The output folder must exist.
//
// Exit code 0 when every image found was converted, 1 when the output folder is missing, the
// "/convert=" argument is absent, or an image could not be read or written.
#include "common.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>

#include <cstdio>

using namespace standin;

namespace {

void complain(const QString &text)
{
    std::fprintf(stderr, "i_view32: %s\n", qPrintable(text));
}

// A batch file written with CR LF line ends hands the CR over as part of the last argument.
QString cleaned(QString arg)
{
    while (!arg.isEmpty() && (arg.back() == u'\r' || arg.back() == u'\n' || arg.back().isSpace()))
        arg.chop(1);
    return arg;
}

// The path as given, and with backslashes turned into slashes when it holds any.
QStringList spellings(const QString &path)
{
    QStringList s{path};
    if (path.contains(u'\\'))
        s << QString(path).replace(u'\\', u'/');
    return s;
}

bool isPattern(const QString &path) { return path.contains(u'*') || path.contains(u'?'); }

QStringList expand(const QString &arg)
{
    for (const QString &path : spellings(arg)) {
        if (!isPattern(path)) {
            if (QFileInfo(path).isFile())
                return {path};
            continue;
        }
        const qsizetype slash = path.lastIndexOf(u'/');
        const QString folder = slash < 0 ? QStringLiteral(".") : (slash == 0 ? QStringLiteral("/") : path.left(slash));
        QDir dir(folder);
        if (!dir.exists())
            continue;
        QStringList found;
        for (const QString &name : dir.entryList({path.mid(slash + 1)}, QDir::Files, QDir::Name))
            found << dir.filePath(name);
        if (!found.isEmpty())
            return found;
    }
    return {};
}

// An IrfanView option such as /silent, as opposed to a path that begins with a slash.
bool isOption(const QString &arg)
{
    static const QRegularExpression option(QStringLiteral("^/[A-Za-z_]+(=.*)?$"));
    return option.match(arg).hasMatch() && !QFileInfo::exists(arg);
}

struct Target {
    QString folder;
    QString namePattern; // "*.png"
};

std::optional<Target> target(const QString &convertArg)
{
    for (const QString &path : spellings(convertArg)) {
        const qsizetype slash = path.lastIndexOf(u'/');
        const QString folder = slash < 0 ? QStringLiteral(".") : (slash == 0 ? QStringLiteral("/") : path.left(slash));
        if (QFileInfo(folder).isDir())
            return Target{folder, path.mid(slash + 1)};
    }
    return std::nullopt;
}

int convert(const QStringList &args)
{
    QString convertArg;
    QStringList inputs, unmatched;
    bool anyInput = false;
    for (const QString &raw : args) {
        const QString arg = cleaned(raw);
        if (arg.isEmpty())
            continue;
        if (arg.startsWith(QLatin1String("/convert="), Qt::CaseInsensitive)) {
            convertArg = arg.mid(9);
            continue;
        }
        if (isOption(arg))
            continue;
        anyInput = true;
        const QStringList files = expand(arg);
        // A pattern that matches nothing is normal (no charts this time); a named file is not.
        if (files.isEmpty() && !isPattern(arg))
            complain(QStringLiteral("file not found: %1").arg(arg));
        if (files.isEmpty())
            unmatched << arg;
        inputs << files;
    }
    if (convertArg.isEmpty()) {
        complain(QStringLiteral("only conversions are supported: no /convert= argument"));
        appendLog(QStringLiteral("i_view32"), QStringLiteral("-"), QStringLiteral("-"),
                  QStringLiteral("no /convert= argument"));
        return 1;
    }
    const std::optional<Target> out = target(convertArg);
    if (!out) {
        complain(QStringLiteral("the output folder of %1 does not exist").arg(convertArg));
        appendLog(QStringLiteral("i_view32"), QStringLiteral("-"), QStringLiteral("-"),
                  QStringLiteral("output folder missing: %1").arg(convertArg));
        return 1;
    }

    int converted = 0, failed = 0;
    inputs.removeDuplicates();
    for (const QString &in : inputs) {
        QImage image;
        if (!image.load(in)) {
            complain(QStringLiteral("cannot read %1").arg(in));
            ++failed;
            continue;
        }
        QString name = out->namePattern;
        name.replace(u'*', QFileInfo(in).completeBaseName());
        const QString dest = QDir(out->folder).filePath(name);
        if (!image.save(dest)) {
            complain(QStringLiteral("cannot write %1").arg(dest));
            ++failed;
            continue;
        }
        ++converted;
    }
    appendLog(QStringLiteral("i_view32"), QStringLiteral("-"), QStringLiteral("-"),
              QStringLiteral("converted %1 file(s) into %2%3%4%5")
                  .arg(converted)
                  .arg(out->folder)
                  .arg(failed ? QStringLiteral(", %1 failed").arg(failed) : QString())
                  .arg(anyInput ? QString() : QStringLiteral(", no input named"))
                  .arg(unmatched.isEmpty() ? QString()
                                           : QStringLiteral(", nothing found for ") + unmatched.join(u' ')));
    return failed ? 1 : 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return convert(app.arguments().mid(1));
}
