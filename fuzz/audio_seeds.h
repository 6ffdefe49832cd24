// Small audio files of the formats libsndfile reads, written with libsndfile:
// the seeds of the audio target and the files the patch target's sources play.
#ifndef SE_FUZZ_AUDIO_SEEDS_H
#define SE_FUZZ_AUDIO_SEEDS_H

#include <string>
#include <vector>

namespace sefuzz {

// Writes the seed files into an existing folder and answers their names.
// Exits with a message when a file cannot be written.
std::vector<std::string> WriteAudioSeeds(const std::string &dir);

} // namespace sefuzz

#endif
