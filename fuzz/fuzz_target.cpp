// The one source of every fuzz target: the input goes to the check from
// tests/support that the target was built with (KORVANE_FUZZ_CHECK, see
// CMakeLists.txt), which returns what went wrong, or nothing.
#include <cstdio>
#include <cstdlib>

#include "actionplayer.h"
#include "currentfolder.h"

// The checks read and write mondai.txt in the current folder, so each process
// first moves into a private folder of its own.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static const TemporaryCurrentFolder folder;
    if (!folder.isValid()) {
        std::perror("korvane fuzz: private folder");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    const QString fault = KORVANE_FUZZ_CHECK(
        QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (!fault.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(fault));
        std::abort();
    }
    return 0;
}
