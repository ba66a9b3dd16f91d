// Writes the program's icon (normally resources/tensikon.ico).
//   make_icon FILE
#include "tools/icon/icon.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icon FILE\n");
        return 2;
    }
    const auto bytes = tensikon::art::iconFile();
    if (!tensikon::art::writeFile(argv[1], bytes)) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("%s %zu bytes\n", argv[1], bytes.size());
    return 0;
}
