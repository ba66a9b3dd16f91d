// tensikon-real-corpus: the real-sound corpus's audio, from sampled notes
// rendered by a software synthesizer and recorded workshop noise. Run by
// scripts/real-corpus:
//
//   tensikon-real-corpus midi FILE PROGRAM NOTE...
//       writes a MIDI file that plays each NOTE once with PROGRAM, one note
//       every few seconds, with silence enforced between them
//   tensikon-real-corpus cut RAW --soundfont NAME --instrument NAME
//                        --notes N,N,... --noise RAW [--noise RAW...]
//                        --engine RAW [--engine RAW...] --coded RAW
//                        --half NAME --out DIR
//       cuts the notes out of the synthesizer's render of that MIDI file
//       (RAW: 32-bit float stereo, 44 100 Hz), measures each one's true
//       pitch, and writes every chain and volume of it as
//       DIR/NAME/NAME/mNN-CHAIN-VOLUME.wav; prints one manifest line each
//       (its last field the half of the corpus, NAME), and a line on
//       standard error for each note it leaves out. --noise gives workshop
//       noise, --engine recorded engines and motors, and --coded the same
//       render after a lossy codec's round trip
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>

#include "core/capture_format.h"
#include "tools/accuracy/accuracy_corpus.h"
#include "tools/accuracy/real_sound.h"

namespace fs = std::filesystem;
using namespace tensikon;
using namespace tensikon::bench;

namespace {

// The render's schedule: note i starts at kFirstOnset + i * kSpacing
// seconds and is held for kHeld; everything sounding is cut off shortly
// before the next one.
constexpr double kFirstOnset = 1.0, kSpacing = 3.0, kHeld = 1.2;
constexpr int kTicksPerSecond = 2000; // 1000 a quarter at 120 a minute
constexpr double kRate = kSampleRate;
constexpr double kNoteSeconds = 1.0;     // kept from the onset on
constexpr double kBelowDb = 20;          // noise and hum under the pluck
constexpr double kEngineBelowDb = 15;    // a running engine beside the belt
constexpr double kStrongHumBelowDb = 10; // a bad ground loop

void putVarLen(std::string& out, std::uint32_t v)
{
    std::string bytes(1, static_cast<char>(v & 0x7F));
    while ((v >>= 7) != 0) {
        bytes.insert(bytes.begin(), static_cast<char>(0x80 | (v & 0x7F)));
    }
    out += bytes;
}

void putBig(std::string& out, std::uint32_t v, int bytes)
{
    for (int k = bytes - 1; k >= 0; --k) {
        out += static_cast<char>((v >> (8 * k)) & 0xFF);
    }
}

int writeMidi(const std::string& path, int program, const std::vector<int>& notes)
{
    std::string track;
    std::uint32_t now = 0;
    const auto event = [&](double seconds, std::initializer_list<int> bytes) {
        const auto tick = static_cast<std::uint32_t>(std::lround(seconds * kTicksPerSecond));
        putVarLen(track, tick - now);
        now = tick;
        for (int b : bytes) {
            track += static_cast<char>(b);
        }
    };
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const double onset = kFirstOnset + kSpacing * static_cast<double>(i);
        event(onset - 0.2, {0xB0, 120, 0}); // all sound off
        event(onset - 0.19, {0xC0, program});
        event(onset, {0x90, notes[i], 100});
        event(onset + kHeld, {0x80, notes[i], 0});
    }
    event(kFirstOnset + kSpacing * static_cast<double>(notes.size()), {0xFF, 0x2F, 0});
    std::string file = "MThd";
    putBig(file, 6, 4);
    putBig(file, 0, 2);
    putBig(file, 1, 2);
    putBig(file, kTicksPerSecond / 2, 2);
    file += "MTrk";
    putBig(file, static_cast<std::uint32_t>(track.size()), 4);
    file += track;
    std::ofstream out(path, std::ios::binary);
    out << file;
    return out ? 0 : 1;
}

std::vector<float> readFloats(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<float> v;
    float f = 0;
    while (in.read(reinterpret_cast<char*>(&f), sizeof f)) {
        v.push_back(f);
    }
    return v;
}

struct CutOptions {
    std::string raw, coded, soundfont, instrument, half;
    std::vector<int> notes;
    std::vector<std::string> noise, engine;
    fs::path out;
};

using Sources = std::vector<std::vector<float>>;

std::uint64_t hashOf(const std::string& text)
{
    std::uint64_t h = 1469598103934665603ull;
    for (char c : text) {
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    return h;
}

double nominalHz(int note)
{
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

// The note from its onset (where it first reaches 2 % of its peak, less a
// millisecond), mono, or empty when nothing sounds.
Signal cutNote(const std::vector<float>& stereo, std::size_t index)
{
    const double start = kFirstOnset + kSpacing * static_cast<double>(index) - 0.05;
    const auto first = static_cast<std::size_t>(start * kRate);
    const auto length = static_cast<std::size_t>(1.6 * kRate);
    Signal mono;
    for (std::size_t i = first; i < first + length && 2 * i + 1 < stereo.size(); ++i) {
        mono.push_back(0.5 * (stereo[2 * i] + stereo[2 * i + 1]));
    }
    double peak = 0;
    for (double v : mono) {
        peak = std::max(peak, std::fabs(v));
    }
    std::size_t onset = 0;
    while (onset < mono.size() && std::fabs(mono[onset]) < 0.02 * peak) {
        ++onset;
    }
    onset = onset > 44 ? onset - 44 : 0;
    const auto keep = static_cast<std::size_t>(kNoteSeconds * kRate);
    if (peak < 1e-5 || onset + keep > mono.size()) {
        return {};
    }
    return Signal(mono.begin() + static_cast<std::ptrdiff_t>(onset),
                  mono.begin() + static_cast<std::ptrdiff_t>(onset + keep));
}

struct Backgrounds {
    Signal noise, engine, hum;
};

// A stretch of one of the recordings, from a place chosen at random.
Signal stretchOf(const Sources& sources, Random& random, std::size_t samples)
{
    const auto& source = sources[random.next() % sources.size()];
    const auto offset =
        static_cast<std::size_t>(random.uniform(0, 1) * static_cast<double>(source.size()));
    Signal s;
    for (std::size_t i = 0; i < samples; ++i) {
        s.push_back(source[(offset + i) % source.size()]);
    }
    return s;
}

Backgrounds backgroundsFor(const Sources& noise, const Sources& engines, Random& random,
                           std::size_t samples)
{
    Backgrounds b;
    b.noise = stretchOf(noise, random, samples);
    b.hum = hum(samples, 50.0, random.uniform(0, 6.283185307179586));
    b.engine = stretchOf(engines, random, samples);
    return b;
}

// The level the noise and hum are set against: the note's first half second.
double noteRms(const Signal& x, std::size_t leadIn)
{
    const auto n = std::min(x.size() - leadIn, static_cast<std::size_t>(0.5 * kRate));
    return rms(std::span<const double>(x).subspan(leadIn, n));
}

struct Chain {
    const char* name;
    Signal sound;
};

// `coded` is the same note as `dry` after the codec's round trip.
std::vector<Chain> chainsOf(const Signal& dry, const Signal& coded, std::size_t leadIn,
                            const Backgrounds& b)
{
    std::vector<Chain> chains{
        {"clean", dry}, {"phone", dry},  {"laptop", dry}, {"codec", coded},    {"room", dry},
        {"noise", dry}, {"engine", dry}, {"hum", dry},    {"strong-hum", dry}, {"combined", dry}};
    const double level = noteRms(dry, leadIn);
    phoneMicrophone(chains[1].sound);
    laptopMicrophone(chains[2].sound);
    room(chains[4].sound);
    addAt(chains[5].sound, b.noise, level, kBelowDb);
    addAt(chains[6].sound, b.engine, level, kEngineBelowDb);
    addAt(chains[7].sound, b.hum, level, kBelowDb);
    addAt(chains[8].sound, b.hum, level, kStrongHumBelowDb);
    Signal& all = chains[9].sound;
    room(all);
    addAt(all, b.noise, noteRms(all, leadIn), kBelowDb);
    phoneMicrophone(all);
    addAt(all, b.hum, noteRms(all, leadIn), kBelowDb);
    return chains;
}

double largest(const Signal& x)
{
    double m = 0;
    for (double v : x) {
        m = std::max(m, std::fabs(v));
    }
    return m;
}

bool cutOne(const CutOptions& o, const Sources& noise, const Sources& engines, const Signal& note,
            const Signal& codedNote, int midi)
{
    const std::string id = o.soundfont + "/" + o.instrument;
    Random random(hashOf(id + "/" + std::to_string(midi)));
    const auto steady = std::span<const double>(note).subspan(
        static_cast<std::size_t>(0.02 * kRate), static_cast<std::size_t>(0.5 * kRate));
    const auto hz = truePitch(steady, nominalHz(midi));
    if (!hz) {
        std::cerr << id << " note " << midi << ": left out, its pitch is not clear\n";
        return true;
    }
    const auto leadIn = static_cast<std::size_t>(random.uniform(0.3, 0.8) * kRate);
    Signal dry(leadIn, 0.0);
    dry.insert(dry.end(), note.begin(), note.end());
    Signal coded(leadIn, 0.0);
    coded.insert(coded.end(), codedNote.begin(), codedNote.end());
    const double fullHeadroom = 16 * std::pow(2.0, random.uniform(0, 1));
    const Backgrounds b = backgroundsFor(noise, engines, random, dry.size());
    fs::create_directories(o.out / id);
    for (const Chain& c : chainsOf(dry, coded, leadIn, b)) {
        const double up = volumeUp(c.sound, fullHeadroom * 32767 / largest(c.sound));
        const std::pair<const char*, double> volumes[] = {
            {"up", up}, {"full", volumeAtPeak(c.sound, 0)}, {"quiet", volumeAtPeak(c.sound, -20)}};
        for (const auto& [volume, gain] : volumes) {
            char name[64];
            std::snprintf(name, sizeof name, "m%03d-%s-%s.wav", midi, c.name, volume);
            const std::string file = id + "/" + name;
            if (!writeWav((o.out / file).string(), littleEndianBytes(quantise(c.sound, gain)))) {
                std::cerr << "tensikon-real-corpus: cannot write " << (o.out / file) << "\n";
                return false;
            }
            std::printf("%s,%s,%d,%s,%s,%.2f,%s\n", file.c_str(), o.instrument.c_str(), midi,
                        c.name, volume, *hz, o.half.c_str());
        }
    }
    return true;
}

std::optional<Sources> readSources(const std::vector<std::string>& paths)
{
    Sources sources;
    for (const std::string& path : paths) {
        sources.push_back(readFloats(path));
        if (sources.back().empty()) {
            std::cerr << "tensikon-real-corpus: no sound in " << path << "\n";
            return std::nullopt;
        }
    }
    return sources;
}

int cut(const CutOptions& o)
{
    const std::vector<float> stereo = readFloats(o.raw);
    const std::vector<float> codedStereo = readFloats(o.coded);
    const auto noise = readSources(o.noise);
    const auto engines = readSources(o.engine);
    if (!noise || !engines) {
        return 1;
    }
    for (std::size_t i = 0; i < o.notes.size(); ++i) {
        const Signal note = cutNote(stereo, i);
        const Signal coded = cutNote(codedStereo, i);
        if (note.empty() || coded.empty()) {
            std::cerr << o.soundfont << "/" << o.instrument << " note " << o.notes[i]
                      << ": left out, silent\n";
            continue;
        }
        if (!cutOne(o, *noise, *engines, note, coded, o.notes[i])) {
            return 1;
        }
    }
    return 0;
}

std::vector<int> parseNotes(const std::string& list)
{
    std::vector<int> notes;
    std::istringstream in(list);
    std::string item;
    while (std::getline(in, item, ',')) {
        const int n = std::atoi(item.c_str());
        if (n < 1 || n > 127) {
            return {};
        }
        notes.push_back(n);
    }
    return notes;
}

bool parseCut(int argc, char** argv, CutOptions& o)
{
    o.raw = argv[2];
    for (int i = 3; i + 1 < argc; i += 2) {
        const std::string key = argv[i], value = argv[i + 1];
        if (key == "--soundfont") {
            o.soundfont = value;
        } else if (key == "--instrument") {
            o.instrument = value;
        } else if (key == "--notes") {
            o.notes = parseNotes(value);
        } else if (key == "--noise") {
            o.noise.push_back(value);
        } else if (key == "--engine") {
            o.engine.push_back(value);
        } else if (key == "--coded") {
            o.coded = value;
        } else if (key == "--half") {
            o.half = value;
        } else if (key == "--out") {
            o.out = value;
        } else {
            return false;
        }
    }
    return argc % 2 == 1 && !o.soundfont.empty() && !o.instrument.empty() && !o.notes.empty() &&
           !o.noise.empty() && !o.engine.empty() && !o.coded.empty() && !o.half.empty() &&
           !o.out.empty();
}

} // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 2 ? argv[1] : "";
    if (command == "midi" && argc > 4) {
        const std::vector<int> notes = parseNotes([&] {
            std::string list;
            for (int i = 4; i < argc; ++i) {
                list += std::string(argv[i]) + (i + 1 < argc ? "," : "");
            }
            return list;
        }());
        const int program = std::atoi(argv[3]);
        if (!notes.empty() && program >= 0 && program < 128) {
            return writeMidi(argv[2], program, notes);
        }
    }
    CutOptions options;
    if (command == "cut" && parseCut(argc, argv, options)) {
        return cut(options);
    }
    std::cerr << "usage: tensikon-real-corpus midi FILE PROGRAM NOTE...\n"
                 "       tensikon-real-corpus cut RAW --soundfont NAME --instrument NAME\n"
                 "                            --notes N,N,... --noise RAW [--noise RAW...]\n"
                 "                            --engine RAW [--engine RAW...] --coded RAW\n"
                 "                            --half NAME --out DIR\n";
    return 2;
}
