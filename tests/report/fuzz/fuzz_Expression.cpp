// libFuzzer entry: any bytes as a text with expressions and as one expression (see EssaisFuzz.h).
#include <cstddef>
#include <cstdint>

#include "EssaisFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille) {
    EssayerExpression(
        QByteArray::fromRawData(reinterpret_cast<const char*>(donnees), qsizetype(taille)));
    return 0;
}
