// Arbitrary bytes as mondai.txt, then a Data Load on a fresh form.
#include <cstdio>
#include <cstdlib>

#include "actionplayer.h"
#include "fuzzdir.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    enterPrivateDirectory();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    const QString fault = checkPuzzleFileLoad(
        QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (!fault.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(fault));
        std::abort();
    }
    return 0;
}
