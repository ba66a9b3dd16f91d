// The five diagrams of the step-by-step guide, drawn by code so that they
// can be regenerated exactly: resources/diagrams/*.bmp are this output.
#pragma once

#include "tools/raster/bmp.h"
#include "tools/raster/canvas.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tensikon::art {

struct Diagram {
    int resourceId;
    std::string_view fileName;
    int width;
    int height;
    std::uint8_t paperGrey; // the guide fills the area around it with this
    void (*draw)(Canvas&);
};

void drawBeltsSingleCam(Canvas& c);
void drawBeltsTwinCam(Canvas& c);
void drawTensionerNuts(Canvas& c);
void drawTensionerTool(Canvas& c);
void drawDrivePulley(Canvas& c);

inline constexpr std::array<Diagram, 5> kDiagrams{{
    {8002, "belts_single_cam.bmp", 150, 147, 255, drawBeltsSingleCam},
    {8003, "belts_twin_cam.bmp", 150, 145, 255, drawBeltsTwinCam},
    {8004, "tensioner_nuts.bmp", 220, 194, 255, drawTensionerNuts},
    {8005, "tensioner_tool.bmp", 200, 175, 255, drawTensionerTool},
    {8006, "drive_pulley.bmp", 200, 156, 252, drawDrivePulley},
}};

// The picture's grey levels, top row first.
std::vector<std::uint8_t> diagramPixels(const Diagram& d);

// The .bmp file: 8 bits, BI_RLE8, bottom-up, linear grey palette.
Bytes diagramFile(const Diagram& d);

} // namespace tensikon::art
