// Bytes decoded into a sequence of user actions, with the form's rules checked
// after every one of them.
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
    const QString fault = playActions(
        QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (!fault.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(fault));
        std::abort();
    }
    return 0;
}
