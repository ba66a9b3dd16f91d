#include "tools/diagrams/diagrams.h"

namespace tensikon::art {

std::vector<std::uint8_t> diagramPixels(const Diagram& d)
{
    Canvas canvas(d.width, d.height);
    d.draw(canvas);
    return canvas.greys(d.paperGrey);
}

Bytes diagramFile(const Diagram& d)
{
    return greyRle8Bitmap(diagramPixels(d), d.width, d.height);
}

} // namespace tensikon::art
