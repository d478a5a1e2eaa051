#pragma once

#include <string>
#include <vector>

namespace chimora::bell_synth {

inline constexpr int kSampleRate = 22050;

// One sound of the music folder: its path relative to the folder ('/' between folders)
// and its samples in [-1, 1] at kSampleRate.
struct Sound {
    std::string relativePath;
    std::vector<float> samples;
};

// An electric school bell: a hammer striking a gong about eighteen times a second for a few
// seconds, then the gong ringing out; about six seconds in all.
std::vector<float> SchoolBell();
// The first quarter of the Westminster chime on four church bells.
std::vector<float> WestminsterChime();
// Two short beeps.
std::vector<float> DoubleBeep();
// A rising sequence of tones, about five seconds.
std::vector<float> RisingTones();

// Every sound the program comes with, as the installed schedule refers to them.
std::vector<Sound> AllSounds();

}  // namespace chimora::bell_synth
