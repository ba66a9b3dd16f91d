#include <cstdio>

#include "tools/analyze/report.h"

namespace tensikon::analyze {

namespace {

constexpr const char* kUsage = R"(Usage: tensikon-analyze [OPTIONS] FILE

Finds the pluck of a cam belt in a recording and measures the belt's
resonant frequency in whole hertz, exactly as Tensikon does when it listens
to the microphone.

How the value is chosen: the crossing count (seven crossings of the resting
level, three periods) is shown when the pitch of the sound (how it repeats
itself, 40 to 1000 Hz) confirms it. When the two disagree, the count has
most likely counted an overtone, and the pitch is shown instead, cut to
whole hertz, if it is clear; otherwise there is no reading.

FILE is an uncompressed WAV file: PCM of 8, 16, 24 or 32 bits, or
IEEE float of 32 or 64 bits, plain or WAVE_FORMAT_EXTENSIBLE; any number of
channels; 8000 to 192000 samples per second. Its sound is first brought to
what the live capture records, 16-bit mono at 44100 Hz: channels are
averaged (or one is chosen with --channel) and other rates are converted
by a band-limited resampler. Compressed recordings (m4a, mp3, ...) must be
converted to WAV first, for example:
  ffmpeg -i pluck.m4a pluck.wav
Sizes that recorders leave wrong (a RIFF or data size of 0 or 0xFFFFFFFF
or larger than the file, bytes after the RIFF chunk, an odd-sized data
chunk) are read as robust readers read them, each with a warning.

How the recording is read: its sound is cut into blocks of 0.25 s (22050
bytes) from the first sample, as the live capture receives them, and each
block is searched for a pluck. The block in which the pluck is found and the
block after it form the 0.5 s capture that is measured. The whole following
block is needed: when the recording ends before it, the pluck is reported
as too close to the end and gives no reading.

Options:
  --model MODEL   judge each reading against the target of a bike model:
                  its menu command number (6013) or "Family Item"
                  ("Corvane 620"; case and extra spaces do not matter)
  --cylinder horizontal|vertical
                  the cylinder whose belt was plucked (default horizontal)
  --all           measure every pluck, not only the first: as in the live
                  program's Continuous mode, after each capture the search
                  goes on once the hold time has passed
  --hold-time 0.5|1|2|3|0
                  with --all, the seconds after a capture during which no
                  pluck is looked for (default 1); 0 goes on with the block
                  right after the capture
  --pluck-test level|automatic
                  how a block is found to hold the pluck (default level, as
                  the program starts): level needs three samples 10 apart
                  at 3/4 of full scale or more, all of one sign; automatic
                  also takes a sharp rise of the sound over the background
                  of the half second before it, reaching -30 dB under full
                  scale, and measures from where that rise starts. With
                  --all each recording's background starts afresh after the
                  hold time, as in the live program
  --channel N     read only channel N of the file (1 is the first, or left;
                  2 the second, or right); without it all are averaged
  --json          print JSON instead of text
  --help, -h      print this help and exit
  --              end of options: what follows is FILE even if it starts
                  with "-"
Each option may be given once.

Text output: one line per capture, after a line with the target when a
model is given:
  Corvane 620, horizontal cylinder: target 124 Hz
  pluck in block 4 at 1.00 s: 140 Hz, out of specification
The time is when the pluck's block starts. A reading is "in specification"
when it lies within 5 Hz of the target, both ends included. A value taken
from the pitch says so, and what the crossing count gave:
  pluck in block 9 at 2.25 s: 140 Hz (crossing count gave 211 Hz)
A capture without a reading says why:
  pluck in block 11 at 2.75 s: no reading: too close to the end (...)
the other reasons being the ones the program's status row gives: no pluck
in the capture, only mains hum, a sound that does not die away like a
plucked belt (a voice, a whistle, a machine: it holds its level without a
clear pitch, stops dead or starts anew; in either pluck test), no clear
pitch, or a crossing count the pitch does not confirm.
A recording without a pluck gives:
  no pluck found in 3.00 s of sound

Warnings about the file go to standard error, one line each:
  tensikon-analyze: belt.wav: warning: RIFF size 0 is a placeholder: ...

JSON output: an object with the warnings about the file (an array of
strings, [] when there is none) and an array with one object per capture
([] when there is none):
  {
    "warnings": [],
    "captures": [
      {"pluck_block": 4, "time_s": 1.00, "pluck_offset": 9261,
       "frequency_hz": 140, "crossing_hz": 140, "pitch_hz": 140.0,
       "confidence": 1.00, "reading_from": "crossings", "reason": null,
       "model": "Corvane 620", "cylinder": "horizontal", "target_hz": 124,
       "verdict": "out of specification"}
    ]
  }
  pluck_block   index of the pluck's block, counted from 0 at the start
  time_s        when that block starts, in seconds
  pluck_offset  byte offset of the pluck in the 0.5 s capture, or null
  frequency_hz  the value the program shows, in whole hertz, or null when
                it shows no reading ("---")
  crossing_hz   the crossing count's reading, or null when it has none
  pitch_hz      the pitch to a tenth of a hertz (cut, not rounded), or
                null when the sound has none in 40 to 1000 Hz
  confidence    how well the sound repeats at that pitch, 0 to 1, or null
  reading_from  "crossings" or "pitch": where frequency_hz came from;
                null when there is no reading
  reason        null when there is a reading, else one of:
                  "too close to the end"
                  "the crossing count disagrees with the pitch, and the
                   pitch is not clear enough"
                  "the sound after the pluck has no clear pitch"
                  "only mains hum, no ringing belt"
                  "the sound does not die away like a plucked belt: a
                   voice, a whistle or a machine"
  model, cylinder, target_hz, verdict
                only with --model; verdict is "in specification",
                "out of specification", or null without a reading

Exit status:
  0  at least one capture gave a reading (in or out of specification)
  1  no pluck was found, or no pluck gave a reading
  2  bad options, or a file that cannot be read or cannot hold sound (no
     fmt or data chunk, a compressed or unknown format, a truncated
     header); one line on standard error says what was found and what is
     needed

Examples:
  tensikon-analyze docs/samples/pluck-140hz.wav
  tensikon-analyze --model "Corvane 800" --cylinder vertical belt.wav
  tensikon-analyze --all --json session.wav
  tensikon-analyze --channel 2 --all --hold-time 2 phone-48k-stereo.wav
  tensikon-analyze --pluck-test automatic quiet-phone.wav

Models (command number, name, horizontal and vertical targets):
)";

} // namespace

std::string helpText()
{
    std::string text = kUsage;
    for (const BikeModel& m : BikeCatalogue) {
        if (!m.selectable)
            continue;
        char line[96];
        const std::string name = std::string(m.family) + " " + std::string(m.itemText);
        std::snprintf(line, sizeof line, "  %u  %-17s %3u Hz  %3u Hz\n",
                      static_cast<unsigned>(m.commandId), name.c_str(),
                      static_cast<unsigned>(m.horizontalTargetHz),
                      static_cast<unsigned>(m.verticalTargetHz));
        text += line;
    }
    return text;
}

} // namespace tensikon::analyze
