// DORLIQ's "vantmini.txt" (and every w<N>.txt): the layout round trip.
#include "settingsround.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    kess::settingsRoundTrip(fuzzBytes(data, size), kess::SettingsFile::Vantmini);
    return 0;
}
