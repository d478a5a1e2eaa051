#include "tools/bell_synth/sounds.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace chimora::bell_synth {

namespace {

constexpr double kTwoPi = 6.283185307179586;

// A mode of a vibrating bell or gong: frequency as a multiple of the struck note, its
// loudness when struck, and the time in which it falls to 1/e.
struct Partial {
    double ratio;
    double amplitude;
    double decaySeconds;
};

std::size_t Samples(double seconds) {
    return static_cast<std::size_t>(seconds * kSampleRate);
}

// A fixed pseudo-random sequence in [-1, 1]: the files come out byte for byte the same on
// every build.
class Noise {
  public:
    double Next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(state_ >> 11) / static_cast<double>(1ULL << 52) - 1.0;
    }

  private:
    std::uint64_t state_ = 0x5EEDB311ULL;
};

// Adds one strike of a bell with the given partials, starting at sample start.
void AddStrike(std::vector<float>& out, std::size_t start, double note,
               const std::vector<Partial>& partials, double gain) {
    for (const Partial& partial : partials) {
        const double frequency = note * partial.ratio;
        if (frequency >= kSampleRate / 2.0) {
            continue;
        }
        const double step = kTwoPi * frequency / kSampleRate;
        const double fall = std::exp(-1.0 / (partial.decaySeconds * kSampleRate));
        double amplitude = gain * partial.amplitude;
        for (std::size_t i = start; i < out.size() && amplitude > 1e-5; ++i) {
            // A few milliseconds of attack keep the strike from clicking.
            const double attack = std::min(1.0, static_cast<double>(i - start) / Samples(0.004));
            out[i] += static_cast<float>(attack * amplitude * std::sin(step * (i - start)));
            amplitude *= fall;
        }
    }
}

// Scales to the given peak and fades the last milliseconds to silence, so that every file
// is equally loud and ends without a click.
void Finish(std::vector<float>& samples, double peak, double fadeSeconds) {
    float loudest = 0;
    for (float s : samples) {
        loudest = std::max(loudest, std::abs(s));
    }
    const double scale = loudest > 0 ? peak / loudest : 0;
    const std::size_t fade = std::min(samples.size(), Samples(fadeSeconds));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const std::size_t left = samples.size() - i;
        const double tail = left < fade ? static_cast<double>(left) / fade : 1.0;
        samples[i] = static_cast<float>(samples[i] * scale * tail);
    }
}

// A tone with a soft attack and release, added at start.
void AddTone(std::vector<float>& out, std::size_t start, double frequency, double seconds,
             double gain) {
    const std::size_t length = Samples(seconds);
    const std::size_t ramp = Samples(0.012);
    const double step = kTwoPi * frequency / kSampleRate;
    for (std::size_t i = 0; i < length && start + i < out.size(); ++i) {
        const double edge =
            std::min({1.0, static_cast<double>(i) / ramp, static_cast<double>(length - i) / ramp});
        const double wave =
            std::sin(step * i) + 0.3 * std::sin(2 * step * i) + 0.1 * std::sin(3 * step * i);
        out[start + i] += static_cast<float>(gain * edge * wave);
    }
}

}  // namespace

std::vector<float> SchoolBell() {
    // The modes of a small steel gong: inharmonic, the higher ones dying first.
    const std::vector<Partial> gong = {
        {1.00, 1.00, 1.10}, {2.09, 0.55, 0.70}, {2.76, 0.45, 0.45}, {3.91, 0.25, 0.25}};
    const double note = 740.0;
    const double strikesPerSecond = 18.0;
    const double ringingSeconds = 3.6;
    std::vector<float> out(Samples(6.0), 0.0f);
    Noise noise;
    for (double t = 0; t < ringingSeconds; t += 1.0 / strikesPerSecond) {
        const std::size_t start = Samples(t);
        // The hammer never hits twice alike.
        AddStrike(out, start, note, gong, 1.0 + 0.15 * noise.Next());
        // Its click: a few milliseconds of noise.
        for (std::size_t i = 0; i < Samples(0.003) && start + i < out.size(); ++i) {
            out[start + i] += static_cast<float>(0.25 * noise.Next());
        }
    }
    Finish(out, 0.8, 0.3);
    return out;
}

std::vector<float> WestminsterChime() {
    // A church bell: hum, prime, minor-third tierce, quint, nominal and two upper partials.
    const std::vector<Partial> bell = {{0.5, 0.35, 3.0}, {1.0, 1.00, 2.0}, {1.19, 0.45, 1.5},
                                       {1.5, 0.25, 1.2}, {2.0, 0.60, 1.0}, {2.5, 0.20, 0.6},
                                       {3.0, 0.15, 0.5}};
    const double notes[] = {415.30, 369.99, 329.63, 246.94};  // G#4 F#4 E4 B3
    std::vector<float> out(Samples(5.0), 0.0f);
    for (std::size_t n = 0; n < std::size(notes); ++n) {
        AddStrike(out, Samples(0.8 * static_cast<double>(n)), notes[n], bell, 1.0);
    }
    Finish(out, 0.8, 0.4);
    return out;
}

std::vector<float> DoubleBeep() {
    std::vector<float> out(Samples(0.6), 0.0f);
    AddTone(out, 0, 1000.0, 0.18, 1.0);
    AddTone(out, Samples(0.3), 1000.0, 0.18, 1.0);
    Finish(out, 0.7, 0.01);
    return out;
}

std::vector<float> RisingTones() {
    // Two octaves of the major pentatonic scale upwards from A4, then the top note held.
    const int semitones[] = {0, 2, 4, 7, 9, 12, 14, 16, 19, 21, 24};
    const double noteSeconds = 0.42;
    std::vector<float> out(Samples(5.0), 0.0f);
    for (std::size_t n = 0; n < std::size(semitones); ++n) {
        const double frequency = 440.0 * std::pow(2.0, semitones[n] / 12.0);
        const bool last = n + 1 == std::size(semitones);
        AddTone(out, Samples(noteSeconds * static_cast<double>(n)), frequency,
                last ? 0.35 + noteSeconds : noteSeconds * 0.9, 1.0);
    }
    Finish(out, 0.7, 0.05);
    return out;
}

std::vector<Sound> AllSounds() {
    return {{"bell.wav", SchoolBell()},
            {"chime.wav", WestminsterChime()},
            {"beep.wav", DoubleBeep()},
            {"tones/rising.wav", RisingTones()}};
}

}  // namespace chimora::bell_synth
