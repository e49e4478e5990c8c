// libFuzzer target for the signature file reader and what the engines build
// from its tables: any bytes must give whole seven-text entries and a header
// matcher that can test a sector without reading outside it.
#include "engine/HeaderMatcher.h"
#include "signatures/SignatureLoader.h"
#include "signatures/SignatureTable.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList table = parseSignatureBytes(bytes);
    if (table.size() % sig::Stride != 0)
        std::abort();
    const ostrel::HeaderMatcher matcher(table);
    unsigned char sector[512];
    for (size_t i = 0; i < sizeof sector; ++i)
        sector[i] = size ? data[i % size] : 0;
    const int k = matcher.match(sector);
    if (k < -1 || k >= matcher.entryCount())
        std::abort();
    return 0;
}
