#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

// The targets read and write mondai.txt in the current directory, so each
// process first moves into a private directory of its own.
inline void enterPrivateDirectory()
{
    const char* base = std::getenv("TMPDIR");
    std::string dir = std::string(base && *base ? base : "/tmp") + "/korvane-fuzz-XXXXXX";
    if (!mkdtemp(dir.data()) || chdir(dir.c_str()) != 0) {
        std::perror("korvane fuzz: private directory");
        std::abort();
    }
}
