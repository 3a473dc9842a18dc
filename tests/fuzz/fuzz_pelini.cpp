// PELTHOR's "pelini.txt" (and every r<N>.txt): the layout round trip, and the values KESSAMIR
// takes from it fail only with "past the end" and are the same in the copy it writes.
#include "settingsround.h"

#include "settings/pelinivalues.h"

using namespace kess;

namespace {

// A text written in quotes cannot hold a double quote of its own; it is written without it.
QString withoutQuotes(const QString &text)
{
    return QString(text).remove(u'"');
}

// The same folder, but for the separator: a folder ending in a double quote gets one added
// (/srv/x/" reads as /srv/x/"/), and the copy, which cannot keep the quote, has none to add
// (/srv/x/).
bool sameFolder(const QString &a, const QString &b)
{
    const auto key = [](const QString &folder) {
        QString k = withoutQuotes(folder);
        while (k.endsWith(u'/') || k.endsWith(u'\\'))
            k.chop(1);
        return k;
    };
    return key(a) == key(b);
}

bool sameItem(const Item &a, const Item &b)
{
    // A number may be rewritten in its plain form ("0\f" as "0"); a text is kept, but for its
    // own double quotes when it has to be written in quotes.
    if (a.number && b.number)
        return *a.number == *b.number;
    return withoutQuotes(a.text) == withoutQuotes(b.text);
}

template <std::size_t N>
bool sameItems(const std::array<Item, N> &a, const std::array<Item, N> &b)
{
    for (std::size_t i = 0; i < N; ++i)
        if (!sameItem(a[i], b[i]))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzzBytes(data, size);
    const QByteArray written = settingsRoundTrip(bytes, SettingsFile::Pelini);
    for (bool full : {false, true}) {
        PeliniValues values;
        try {
            decodePelini(bytes, values, full);
        } catch (const FileError &e) {
            FUZZ_CHECK(e.number == ErrPastEnd);
            continue;
        }
        if (written.isEmpty())
            continue;
        PeliniValues copy;
        decodePelini(written, copy, full); // the copy has every line the original had
        FUZZ_CHECK(sameFolder(copy.workingFolder, values.workingFolder));
        FUZZ_CHECK(sameItems(copy.values1to8, values.values1to8));
        FUZZ_CHECK(sameItems(copy.values19to27, values.values19to27));
        FUZZ_CHECK(sameItem(copy.valueAfterFolder1, values.valueAfterFolder1));
        FUZZ_CHECK(sameItem(copy.valueAfterFolder2, values.valueAfterFolder2));
        FUZZ_CHECK(sameItems(copy.listA, values.listA) && sameItems(copy.listB, values.listB));
        FUZZ_CHECK(sameItems(copy.furtherFields, values.furtherFields));
    }
    return 0;
}
