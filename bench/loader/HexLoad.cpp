#include "image/HexLoader.h"

#include <cstdio>

// Usage: dravik-hexload FILE. Loads FILE as FILE OPEN does for a 1024-word device.
int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.hex\n", argv[0]);
        return 2;
    }
    return loadHexFile(argv[1], ProgramBuffer(), 1024).ok() ? 0 : 1;
}
