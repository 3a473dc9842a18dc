#include "programsettings.h"

#include "files/listreader.h"
#include "files/records.h"

#include <cmath>
#include <vector>

namespace kess {

namespace {

constexpr std::size_t ValueCount = 39;

// The values of the file, as far as they go. The reader stops after the last value the layout
// takes, so a huge file costs no more than its first 39 values.
std::vector<Item> readValues(const QByteArray &bytes)
{
    ListReader r(bytes);
    std::vector<Item> items;
    while (!r.atEnd() && items.size() < ValueCount)
        items.push_back(r.read());
    return items;
}

// Value `n` (from 1) as a number; empty when it is missing or not a number.
std::optional<double> numberAt(const std::vector<Item> &items, std::size_t n)
{
    if (n > items.size())
        return std::nullopt;
    return items[n - 1].number;
}

// Value `n` as a 0/1 flag; empty when it is missing or anything else.
std::optional<int> flagAt(const std::vector<Item> &items, std::size_t n)
{
    const std::optional<double> v = numberAt(items, n);
    if (!v || (*v != 0 && *v != 1))
        return std::nullopt;
    return static_cast<int>(*v);
}

template <typename T, typename U>
void assign(T &field, const std::optional<U> &value)
{
    if (value)
        field = static_cast<T>(*value);
}

int wholeNumber(double v)
{
    // Out-of-range values cannot be a learning time; they keep no meaning beyond "not zero".
    if (!(std::fabs(v) < 2e9))
        return v < 0 ? -2000000000 : 2000000000;
    return static_cast<int>(std::lround(v));
}

QByteArray line(const QString &text)
{
    return encodeText(text) + "\r\n";
}

} // namespace


ProgramSettings decodeProgramSettings(const QByteArray &bytes)
{
    ProgramSettings s;
    const std::vector<Item> init = readValues(bytes);
    const std::size_t n = init.size();
    for (std::size_t h = 0; h < 24; ++h)
        if (const auto v = numberAt(init, h + 1))
            s.hourFlags[h] = *v == 1 ? 1 : 0;
    assign(s.minutesAfterTheHour, numberAt(init, 25));
    if (n >= 26) {
        const Item &on = init[25];
        if (on.number)
            s.schedulerOn = *on.number != 0;
        else if (on.text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            s.schedulerOn = true;
        else if (on.text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            s.schedulerOn = false;
    }
    assign(s.convertBmpToPng, flagAt(init, 27));
    if (n >= 28)
        s.irfanViewFolder = init[27].text;
    if (n >= 29)
        s.pngTargetFolder = init[28].text;
    assign(s.runBatchFile, flagAt(init, 30));
    if (n >= 31)
        s.batchFile = init[30].text;
    s.skipIfModelMissing = flagAt(init, 32);
    s.skipIfStationMissing = flagAt(init, 33);
    assign(s.dorliqWaitLimit, numberAt(init, 34));
    assign(s.bootWithWholeHour, flagAt(init, 35));
    assign(s.useDefaultWaterTemps, flagAt(init, 36));
    if (const auto v = numberAt(init, 37))
        s.skipNonCriticalMessages = *v == 1 ? 1 : 0;
    // The learning time counts only as a pair.
    const auto hour = numberAt(init, 38);
    const auto minute = numberAt(init, 39);
    if (hour && minute) {
        s.learningRunHour = wholeNumber(*hour);
        s.learningRunMinute = wholeNumber(*minute);
    }
    return s;
}

QByteArray encodeProgramSettings(const ProgramSettings &s)
{
    QByteArray out;
    for (int flag : s.hourFlags)
        out += line(printForm(flag));
    out += line(printForm(s.minutesAfterTheHour));
    out += line(s.schedulerOn ? QStringLiteral("True") : QStringLiteral("False"));
    out += line(printForm(s.convertBmpToPng));
    out += line(textValue(s.irfanViewFolder));
    out += line(textValue(s.pngTargetFolder));
    out += line(printForm(s.runBatchFile));
    out += line(textValue(s.batchFile));
    out += line(printForm(s.skipIfModelMissing.value_or(0)));
    out += line(printForm(s.skipIfStationMissing.value_or(0)));
    out += line(printForm(s.dorliqWaitLimit));
    out += line(printForm(s.bootWithWholeHour));
    out += line(printForm(s.useDefaultWaterTemps));
    out += line(printForm(s.skipNonCriticalMessages));
    out += line(printForm(s.learningRunHour));
    out += line(printForm(s.learningRunMinute));
    return out;
}

} // namespace kess
