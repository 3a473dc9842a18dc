// Times the help window opening a 400 KB help file against a plain text box opening the same
// file, and the forecast-text window at its length limit against a plain box with the same
// file: made, the file read, shown and painted once. Target: within 1.5 times the plain box.
//
//   build/bench/bench_textwindows [--rounds R]
#include "core/appstate.h"
#include "windows/forecasttextform.h"
#include "windows/helpform.h"
#include "windows/rowbox.h"
#include "files/fileops.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

using namespace kess;

namespace {

// Milliseconds from making the window to its first paint.
double timeOnce(const std::function<QWidget *()> &make)
{
    QElapsedTimer t;
    t.start();
    QWidget *w = make();
    w->show();
    w->grab(); // paints what is on screen
    QCoreApplication::processEvents();
    const double ms = t.nsecsElapsed() / 1e6;
    delete w;
    QCoreApplication::processEvents();
    return ms;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A text file of `bytes` bytes in lines of 60 to 95 characters, as help and forecasts are.
QByteArray sampleText(qsizetype bytes)
{
    QByteArray text;
    for (int line = 0; text.size() < bytes; ++line) {
        QByteArray l = "Line " + QByteArray::number(line) + " of the sample text ";
        while (l.size() < 60 + line % 36)
            l += "word ";
        text += l + "\r\n";
    }
    return text;
}

double compare(const char *what, const QString &file, const std::function<QWidget *()> &window, int rounds)
{
    // The plain box reads the file too, as a window that opens it does.
    auto plainBox = [&] {
        auto *box = new QPlainTextEdit;
        box->setReadOnly(true);
        box->setFont(fixedPitchFont());
        box->resize(800, 600);
        box->setPlainText(QString::fromLatin1(readBytes(file)));
        return box;
    };
    std::vector<double> ours, plain;
    for (int r = 0; r < rounds; ++r) {
        plain.push_back(timeOnce(plainBox));
        ours.push_back(timeOnce(window));
    }
    const double ratio = median(ours) / median(plain);
    std::printf("%-42s %8.1f ms   plain text box %8.1f ms   ratio %.2f (target <= 1.5)\n", what, median(ours),
                median(plain), ratio);
    return ratio;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    int rounds = 7;
    const QStringList args = app.arguments();
    if (const qsizetype i = args.indexOf(QStringLiteral("--rounds")); i > 0 && i + 1 < args.size())
        rounds = std::max(1, args[i + 1].toInt());

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    writeBytes(QStringLiteral("kessphelp.txt"), sampleText(400 * 1000));
    writeBytes(QStringLiteral("textall.txt"), sampleText(65500));
    AppState state;

    const double help = compare("Help window, 400 KB help file", QStringLiteral("kessphelp.txt"), [&] {
        auto *form = new HelpForm(state, nullptr);
        form->load();
        return form;
    }, rounds);
    const double forecast = compare("Forecast text window, 65500 characters", QStringLiteral("textall.txt"), [&] {
        auto *form = new ForecastTextForm(state, nullptr);
        form->load();
        return form;
    }, rounds);
    return help <= 1.5 && forecast <= 1.5 ? 0 : 1;
}
