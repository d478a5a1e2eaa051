#pragma once

#include <string>
#include <vector>

namespace chimora::bell_synth {

// Writes samples in [-1, 1] as a mono 16-bit PCM WAV file; false when the file cannot be
// written. Values outside the range are clipped.
bool WriteWavFile(const std::string& path, const std::vector<float>& samples, int sampleRate);

}  // namespace chimora::bell_synth
