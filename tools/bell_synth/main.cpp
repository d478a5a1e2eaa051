// Writes the bell sounds the program comes with into a music folder.
// Usage: bell_synth <music folder>
// Only its own files are written; anything else in the folder is left alone.

#include <filesystem>
#include <iostream>
#include <system_error>

#include "tools/bell_synth/sounds.h"
#include "tools/bell_synth/wav_file.h"

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    using namespace chimora::bell_synth;
    if (argc != 2) {
        std::cerr << "usage: bell_synth <music folder>\n";
        return 2;
    }
    const fs::path folder = argv[1];
    for (const Sound& sound : AllSounds()) {
        const fs::path path = folder / sound.relativePath;
        std::error_code error;
        fs::create_directories(path.parent_path(), error);
        if (error || !WriteWavFile(path.string(), sound.samples, kSampleRate)) {
            std::cerr << "bell_synth: cannot write " << path.string() << "\n";
            return 1;
        }
    }
    return 0;
}
