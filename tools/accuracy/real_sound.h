// Signal processing for the real-sound corpus (scripts/real-corpus): the
// ways a real pluck reaches the program (a phone-grade microphone, a room,
// workshop noise, mains hum), the true pitch of a sampled note, and the
// microphone volume a mechanic would end up with.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tensikon::bench {

using Signal = std::vector<double>;

// A second-order section (the usual audio-EQ forms), run in direct form I.
class Biquad {
  public:
    static Biquad highPass(double hz, double q);
    static Biquad lowPass(double hz, double q);
    static Biquad peak(double hz, double q, double gainDb);
    void run(Signal& x) const;

  private:
    double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
};

// A phone-grade microphone: no low bass (a small capsule), no top, a
// resonance of its little cavity, and the light automatic level control
// such microphones apply.
void phoneMicrophone(Signal& x);

// A laptop's built-in microphone: a tiny capsule behind a slot that passes
// almost nothing under 150 Hz (a steep high-pass), a small resonance of
// the slot, and no top.
void laptopMicrophone(Signal& x);

// A hard-walled room (a garage or workshop) of about 0.9 s reverberation;
// the reverberant part is mixed in at 3 dB below the direct sound.
void room(Signal& x);

// Mains hum: 50 Hz and its harmonics, odd ones strongest, as a transformer
// or a ground loop puts them into a microphone input. `phase` varies it.
Signal hum(std::size_t samples, double mainsHz, double phase);

double rms(std::span<const double> x);

// Adds `noise` (repeated when shorter) to x so that its level is `belowDb`
// under `referenceRms`.
void addAt(Signal& x, std::span<const double> noise, double referenceRms, double belowDb);

// The pitch of a clean sampled note: a harmonic sum over a long, finely
// interpolated spectrum, searched only near the nominal pitch (samples are
// tuned up to a few hertz off it, never by a fifth or an octave), then the
// median over the strong low partials of each one's own peak divided by its
// number. Empty when the sound has no clear partials there, or when its
// odd partials are all 14 dB or more under its strongest one: it then
// sounds an octave higher than its fundamental, and its pitch is no one
// number.
std::optional<double> truePitch(std::span<const double> note, double nominalHz);

// 16-bit samples as a sound card delivers them: scaled, rounded, clipped.
std::vector<std::int16_t> quantise(std::span<const double> x, double gain);

// Whether the program's live scan would take this recording as a pluck
// (some block fires the pluck test and a whole block follows it).
bool fires(std::span<const double> x, double gain);

// The microphone volume of the guide's procedure: start at full (fullGain),
// halve while readings still come, then go back up to the second-from-last
// setting that gave a reading.
double volumeUp(std::span<const double> x, double fullGain);

// The volume at which the largest sample lies `peakDb` from full scale
// (0 puts it exactly at full scale, -20 20 dB under), unclipped.
double volumeAtPeak(std::span<const double> x, double peakDb);

} // namespace tensikon::bench
