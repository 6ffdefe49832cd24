// Where a rendered audio file goes, decided from its path before anything is
// written: standard output; a regular file, new or replaced whole (a symbolic
// link stands for the file it points to, which is what gets replaced); or a
// FIFO or character device, which is opened and written to as it is, never
// replaced or removed. Anything else (a folder, a block device, a socket) is
// refused.
#ifndef SEHOST_AUDIO_OUTPUT_TARGET_H
#define SEHOST_AUDIO_OUTPUT_TARGET_H

#include <string>

namespace sehost {

enum class OutputKind { kStandardOutput, kFile, kDevice };

struct OutputTarget {
  OutputKind kind = OutputKind::kFile;
  std::string given; // the path as given; "-" for standard output
  // kFile: the file that is replaced (the end of a chain of links);
  // kDevice: the FIFO or device that is opened.
  std::string path;

  // Written as the bytes come, with no file to replace.
  bool Streams() const { return kind != OutputKind::kFile; }
  // For messages: "standard output", else the path as given.
  std::string Name() const {
    return kind == OutputKind::kStandardOutput ? "standard output" : given;
  }
};

// Throws HostError naming `path` when nothing can be written there: no path,
// a folder that does not exist, a folder, a block device, a socket, a loop of
// links.
OutputTarget ResolveOutputTarget(const std::string &path);

// Whether `path` is standard output, a FIFO or a character device (also through
// links); false for anything else, including paths that cannot be written.
bool IsStreamOutput(const std::string &path);

} // namespace sehost

#endif
