// The command line of tensikon-analyze.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/bike_catalogue.h"
#include "core/pluck_onset.h"

namespace tensikon::analyze {

struct Options {
    std::string file;
    const BikeModel* model = nullptr; // a row with targets, or none
    Cylinder cylinder = Cylinder::Horizontal;
    std::optional<std::uint16_t> channel; // counted from 0; all mixed without it
    // The pause of the live program's Continuous mode between a result and
    // the next recording, which --all follows.
    unsigned holdMilliseconds = 1000;
    // Which test decides where the pluck is; the level test, as at every
    // start of the live program, unless asked.
    PluckTest pluckTest = PluckTest::Level;
    bool all = false;
    bool json = false;
    bool help = false;
};

// The recording's blocks that pass during a hold time.
std::size_t holdBlocks(const Options& options);

// Either the options, or a one-line error (without the program's name).
struct ParsedOptions {
    Options options;
    std::string error;
};

// The arguments after the program's name. --help wins over everything else,
// so that a user who asks for help gets it even with a mistake beside it.
// An option given twice is a mistake, not a change of mind: which of the
// two the user meant cannot be known.
ParsedOptions parseOptions(std::span<const std::string_view> args);

// The row named by its menu command number ("6013") or by "Family Item"
// ("Corvane 620", ignoring case and extra spaces); rows the menu greys out
// have no target and are refused. On failure `error` says why.
const BikeModel* modelNamed(std::string_view text, std::string& error);

} // namespace tensikon::analyze
