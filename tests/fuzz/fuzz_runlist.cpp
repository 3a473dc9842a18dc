// "runlist.txt" and "mxrunlist.txt": reading never throws and stops at site 99; the flags
// KESSAMIR writes read back whole and unchanged.
#include "fuzzcheck.h"

#include "settings/siteflags.h"

using namespace kess;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const SiteFlagList first = decodeSiteFlags(fuzzBytes(data, size));
    FUZZ_CHECK(first.flags.size() <= 99);
    const QByteArray written = encodeSiteFlags(first.flags);
    const SiteFlagList second = decodeSiteFlags(written);
    FUZZ_CHECK(!second.fault);
    FUZZ_CHECK(second.flags == first.flags);
    FUZZ_CHECK(encodeSiteFlags(second.flags) == written);
    return 0;
}
