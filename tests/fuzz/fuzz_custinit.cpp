// VANTRO's "custinit.txt" (and every c<N>.txt): the layout round trip, and the site identity
// read from the same bytes fails only with "past the end".
#include "settingsround.h"

#include "sites/sitefiles.h"

using namespace kess;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzzBytes(data, size);
    const QByteArray written = settingsRoundTrip(bytes, SettingsFile::Custinit);
    try {
        const SiteIdentity id = parseSiteIdentity(bytes);
        // The name is value 1 less one trailing "+" ("Boston++" lists as "Boston+").
        ListReader first(bytes);
        const QString value1 = first.readText();
        FUZZ_CHECK(id.name == (value1.endsWith(u'+') ? value1.chopped(1) : value1));
        if (!written.isEmpty()) {
            // A copy KESSAMIR wrote names the same site (a text written in quotes cannot keep
            // double quotes of its own).
            const SiteIdentity copy = parseSiteIdentity(written);
            FUZZ_CHECK(copy.code == QString(id.code).remove(u'"'));
            FUZZ_CHECK(copy.name == QString(id.name).remove(u'"') || copy.name + u'+' == QString(id.name).remove(u'"'));
        }
    } catch (const FileError &e) {
        FUZZ_CHECK(e.number == ErrPastEnd);
    }
    return 0;
}
