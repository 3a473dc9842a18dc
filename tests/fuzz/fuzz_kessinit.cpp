// "kessinit.txt": reading never throws, and what KESSAMIR writes it reads back to the same
// values and writes again byte for byte.
#include "fuzzcheck.h"

#include "settings/programsettings.h"

using namespace kess;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const ProgramSettings first = decodeProgramSettings(fuzzBytes(data, size));
    const QByteArray written = encodeProgramSettings(first);
    const ProgramSettings second = decodeProgramSettings(written);
    const QByteArray again = encodeProgramSettings(second);
    FUZZ_CHECK(written == again);
    FUZZ_CHECK(decodeProgramSettings(again) == second);
    FUZZ_CHECK(second.skipIfModelMissing && second.skipIfStationMissing); // all 39 are written
    return 0;
}
