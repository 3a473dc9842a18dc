#pragma once
// The property shared by the three settings layouts: a file that reads is written (as a copy
// of what was read) into bytes that read back to the same lines, and rewrite byte for byte.
#include "fuzzcheck.h"

#include "settings/layouts.h"

#include <QFile>

namespace kess {

inline QByteArray settingsBytes(const QStringList &lines)
{
    QByteArray out;
    for (const QString &line : lines)
        out += encodeText(line) + "\r\n";
    return out;
}

// Only FileError may leave the layout reader or writer. Returns the first writing, or empty
// when the input is not a readable (or writable) file of that layout.
inline QByteArray settingsRoundTrip(const QByteArray &bytes, SettingsFile file)
{
    const SettingsLayout &layout = settingsLayout(file);
    SettingsLines read;
    QByteArray written;
    try {
        ListReader r(bytes);
        read = readSettings(r, layout);
        written = settingsBytes(formatSettings(layout, read));
    } catch (const FileError &) {
        return {};
    }
    FUZZ_CHECK(read.size() >= layout.fixedLines() && read.size() <= layout.lineCount());
    if (qEnvironmentVariableIsSet("KESS_FUZZ_DUMP")) {
        QFile dump(qEnvironmentVariable("KESS_FUZZ_DUMP"));
        if (dump.open(QIODevice::WriteOnly))
            dump.write(written);
    }
    ListReader r(written);
    const SettingsLines back = readSettings(r, layout); // must not throw: we wrote it
    FUZZ_CHECK(back.size() == read.size());
    const QByteArray again = settingsBytes(formatSettings(layout, back));
    FUZZ_CHECK(again == written);
    return written;
}

} // namespace kess
