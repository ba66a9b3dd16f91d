#include "tools/analyze/options.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>
#include <set>

#include "core/capture_format.h"

namespace tensikon::analyze {

namespace {

// Lower case, words separated by single spaces, no spaces at either end.
std::string normalised(std::string_view text)
{
    std::string out;
    bool space = false;
    for (const char c : text) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            space = !out.empty();
            continue;
        }
        if (space)
            out += ' ';
        space = false;
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

const BikeModel* rowNamed(std::string_view text)
{
    if (!text.empty() &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        unsigned number = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (ec != std::errc{} || end != text.data() + text.size() || number > 0xFFFF)
            return nullptr;
        return findModel(static_cast<std::uint16_t>(number));
    }
    const std::string wanted = normalised(text);
    for (const BikeModel& m : BikeCatalogue) {
        if (normalised(std::string(m.family) + " " + std::string(m.itemText)) == wanted)
            return &m;
    }
    return nullptr;
}

// Pieces appended one by one: GCC 12 at -O3 warns falsely (-Wrestrict)
// about `"literal" + std::string(...)`.
template <typename... Parts> std::string joined(const Parts&... parts)
{
    std::string out;
    (out += ... += parts);
    return out;
}

// The hold times of the live program's menu, and 0 for none.
constexpr std::pair<std::string_view, unsigned> kHoldTimes[] = {
    {"0", 0}, {"0.5", 500}, {"1", 1000}, {"2", 2000}, {"3", 3000}};

bool parseHoldTime(std::string_view text, unsigned& milliseconds)
{
    for (const auto& [name, ms] : kHoldTimes) {
        if (text == name) {
            milliseconds = ms;
            return true;
        }
    }
    return false;
}

// A channel as users count them, from 1; kept counted from 0.
bool parseChannel(std::string_view text, std::optional<std::uint16_t>& channel)
{
    unsigned number = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (ec != std::errc{} || end != text.data() + text.size() || number == 0 || number > 0xFFFF)
        return false;
    channel = static_cast<std::uint16_t>(number - 1);
    return true;
}

struct Parser {
    std::span<const std::string_view> args;
    std::size_t next = 0;
    ParsedOptions result;
    std::set<std::string, std::less<>> seen;

    bool fail(std::string message)
    {
        if (result.error.empty())
            result.error = std::move(message);
        return false;
    }
    bool takeValue(std::string_view name, std::optional<std::string_view> attached,
                   std::string_view& value);
    bool option(std::string_view arg);
    bool valueOption(std::string_view name, std::string_view value);
    bool file(std::string_view arg);
    bool run();
};

bool Parser::takeValue(std::string_view name, std::optional<std::string_view> attached,
                       std::string_view& value)
{
    if (attached) {
        value = *attached;
        return true;
    }
    if (next >= args.size())
        return fail("--" + std::string(name) + " needs a value; see --help");
    value = args[next++];
    return true;
}

bool Parser::option(std::string_view arg)
{
    const std::size_t eq = arg.find('=');
    const std::string_view name = arg.substr(2, eq == std::string_view::npos ? arg.npos : eq - 2);
    std::optional<std::string_view> attached;
    if (eq != std::string_view::npos)
        attached = arg.substr(eq + 1);
    Options& o = result.options;
    if (name == "model" || name == "cylinder" || name == "channel" || name == "hold-time" ||
        name == "pluck-test") {
        if (!seen.emplace(name).second)
            return fail(joined("--", name, " is given twice; give it once"));
        std::string_view value;
        return takeValue(name, attached, value) && valueOption(name, value);
    }
    bool* flag = name == "all"    ? &o.all
                 : name == "json" ? &o.json
                 : name == "help" ? &o.help
                                  : nullptr;
    if (!flag)
        return fail("unknown option " + std::string(arg) + "; see --help");
    if (attached)
        return fail("--" + std::string(name) + " takes no value");
    if (*flag && name != "help")
        return fail(joined("--", name, " is given twice; give it once"));
    *flag = true;
    return true;
}

bool Parser::valueOption(std::string_view name, std::string_view value)
{
    Options& o = result.options;
    const std::string quotedValue = joined("\"", value, "\"");
    if (name == "model") {
        std::string error;
        o.model = modelNamed(value, error);
        return o.model != nullptr || fail(error);
    }
    if (name == "channel")
        return parseChannel(value, o.channel) ||
               fail(joined("--channel is ", quotedValue,
                           ", it must be a channel number: 1 for the first (left), 2 for the "
                           "second (right), ..."));
    if (name == "hold-time")
        return parseHoldTime(value, o.holdMilliseconds) ||
               fail(joined("--hold-time is ", quotedValue,
                           ", it must be 0.5, 1, 2 or 3 (seconds), or 0 for none"));
    const std::string v = normalised(value);
    if (name == "pluck-test") {
        if (v != "level" && v != "automatic")
            return fail(joined("--pluck-test is ", quotedValue, ", it must be level or automatic"));
        o.pluckTest = v == "automatic" ? PluckTest::Automatic : PluckTest::Level;
        return true;
    }
    if (v != "horizontal" && v != "vertical")
        return fail(joined("--cylinder is ", quotedValue, ", it must be horizontal or vertical"));
    o.cylinder = v == "vertical" ? Cylinder::Vertical : Cylinder::Horizontal;
    return true;
}

bool Parser::file(std::string_view arg)
{
    if (!result.options.file.empty())
        return fail("only one FILE can be analysed, got \"" + result.options.file + "\" and \"" +
                    std::string(arg) + "\"");
    if (arg.empty())
        return fail("the FILE name is empty");
    result.options.file = arg;
    return true;
}

bool Parser::run()
{
    bool filesOnly = false;
    while (next < args.size()) {
        const std::string_view arg = args[next++];
        if (!filesOnly && arg == "--")
            filesOnly = true;
        else if (!filesOnly && (arg == "-h" || arg == "-?"))
            result.options.help = true;
        else if (!filesOnly && arg.starts_with("--"))
            option(arg);
        else if (!filesOnly && arg.size() > 1 && arg.starts_with("-"))
            fail("unknown option " + std::string(arg) + "; see --help");
        else
            file(arg);
    }
    if (result.options.file.empty())
        fail("no FILE given: name a WAV file to analyse; see --help");
    return result.error.empty();
}

} // namespace

ParsedOptions parseOptions(std::span<const std::string_view> args)
{
    Parser parser{args, 0, {}, {}};
    parser.run();
    if (parser.result.options.help)
        parser.result.error.clear();
    return parser.result;
}

const BikeModel* modelNamed(std::string_view text, std::string& error)
{
    const BikeModel* row = rowNamed(text);
    if (!row) {
        error = "unknown model \"" + std::string(text) +
                "\": give a command number such as 6013 or \"Family Item\" such as "
                "\"Corvane 620\"; --help lists them";
        return nullptr;
    }
    if (!row->selectable) {
        error = "model " + modelName(*row) +
                " has no known target frequency; --help lists the models that have one";
        return nullptr;
    }
    return row;
}

std::size_t holdBlocks(const Options& options)
{
    constexpr unsigned kBlockMilliseconds = millisecondsOf(kCaptureBlockBytes);
    return options.holdMilliseconds / kBlockMilliseconds;
}

} // namespace tensikon::analyze
