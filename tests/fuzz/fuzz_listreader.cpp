// The tolerant list reader: reading items or lines never fails but with a FileError, ends, and
// a text written the way the settings files write it reads back as the same text.
#include "fuzzcheck.h"

#include "files/fileops.h"
#include "files/listreader.h"
#include "files/records.h"

using namespace kess;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzzBytes(data, size);

    ListReader items(bytes);
    qsizetype count = 0;
    while (!items.atEnd()) {
        const Item it = items.read();
        FUZZ_CHECK(++count <= bytes.size() + 1);
        FUZZ_CHECK(!it.number || !it.quoted);
        // Decoding then encoding gives back a text that decodes to itself.
        FUZZ_CHECK(decodeText(encodeText(it.text)) == it.text);
        // A text value written as KESSAMIR writes it reads back as one value, and is stable.
        const QString written = textValue(it.text);
        ListReader again(encodeText(written) + "\r\n");
        const QString back = again.atEnd() ? QString() : again.read().text;
        FUZZ_CHECK(again.atEnd());
        FUZZ_CHECK(textValue(back) == written);
    }
    try {
        items.read();
        FUZZ_CHECK(false); // reading past the end must say so
    } catch (const FileError &e) {
        FUZZ_CHECK(e.number == ErrPastEnd);
    }

    ListReader lines(bytes);
    while (!lines.atEndOfData())
        FUZZ_CHECK(!lines.readLineBytes().contains('\n'));

    // The single number of a flag or reply file.
    if (const auto v = parseNumberRecord(bytes))
        FUZZ_CHECK(parseNumberRecord(encodeText(QString::number(*v, 'g', 17)) + "\r\n") == v);
    return 0;
}
