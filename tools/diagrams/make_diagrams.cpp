// Writes the guide's diagrams into a folder (normally resources/diagrams).
//   make_diagrams FOLDER
#include "tools/diagrams/diagrams.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_diagrams FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    for (const auto& d : tensikon::art::kDiagrams) {
        const auto bytes = tensikon::art::diagramFile(d);
        const auto path = folder / d.fileName;
        if (!tensikon::art::writeFile(path, bytes)) {
            std::fprintf(stderr, "make_diagrams: cannot write %s\n", path.string().c_str());
            return 1;
        }
        std::printf("%d %s %dx%d %zu bytes\n", d.resourceId, path.string().c_str(), d.width,
                    d.height, bytes.size());
    }
    return 0;
}
