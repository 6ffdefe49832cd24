// Where se-host writes when the output is not a plain file: a FIFO or a device
// is written to as it is (never replaced, never removed, also when the render
// fails or is stopped), a link's target is what gets replaced, and a full
// device says so. Every special file is made inside the test's own folder.
#include "run_tool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#if !defined(_WIN32)
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace setest {
namespace {

namespace fs = std::filesystem;

const std::string kTone = R"({
  "sample_rate": 8000, "duration": 0.5,
  "modules": [{"id": "g", "plugin": "cli_gain_plugin"}],
  "sources": [{"to": "g.Signal", "type": "lfo", "rate": 100, "depth": 5}],
  "outputs": ["g.Output"]
})";
constexpr size_t kToneFrames = 4000;

// Reads everything written into a FIFO, on another thread, from before a
// writer opens it until the writer closes it, or until the writer has
// finished (Take) and nothing came: a tool that replaced the FIFO instead of
// writing into it does not hang the test.
// With `enough` bytes it closes the FIFO at once, as a reader that goes away.
class FifoReader {
public:
  explicit FifoReader(const std::string &path, size_t enough = std::string::npos)
      : m_fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)), m_enough(enough) {
    m_thread = std::thread([this] {
      Run();
      close(m_fd);
    });
  }
  ~FifoReader() {
    m_done = true;
    m_thread.join();
  }
  // Call once the writer has ended.
  std::string Take() {
    m_done = true;
    m_thread.join();
    m_thread = std::thread([] {});
    return m_bytes;
  }

private:
  void Run() {
    char buffer[65536];
    while (m_fd >= 0) {
      pollfd p{m_fd, POLLIN, 0};
      const int ready = poll(&p, 1, 50);
      if (ready == 0 && m_done)
        return;
      if (ready <= 0)
        continue;
      const ssize_t got = read(m_fd, buffer, sizeof buffer);
      // The writer closed it (or, after a tool that replaced the FIFO, the
      // end of what is no longer a FIFO).
      if (got <= 0 && ((p.revents & POLLHUP) != 0 || m_done))
        return;
      if (got > 0)
        m_bytes.append(buffer, static_cast<size_t>(got));
      if (m_bytes.size() >= m_enough)
        return;
    }
  }
  int m_fd;
  size_t m_enough;
  std::atomic<bool> m_done{false};
  std::string m_bytes;
  std::thread m_thread;
};

// The decoded frames of a file's bytes, by way of a file in `dir`.
Sound Decode(const TempDir &dir, const std::string &bytes) {
  std::ofstream(dir / "decoded", std::ios::binary) << bytes;
  Sound s = ReadSound(dir / "decoded");
  fs::remove(dir / "decoded");
  return s;
}

// A device node with /dev/null's numbers (or /dev/full's) in the test's
// folder; false where the system does not allow it.
bool MakeDevice(const std::string &path, unsigned minor, mode_t type = S_IFCHR) {
  return mknod(path.c_str(), type | 0666, makedev(1, minor)) == 0;
}
constexpr unsigned kNullMinor = 3, kFullMinor = 7;

TEST(OutputTargets, AFifoIsWrittenToAndStaysAFifo) {
  TempDir dir;
  dir.Write("tone.json", kTone);
  ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
  // Every type that streams, WAV with a header of unknown length.
  for (const char *format : {"wav", "flac", "ogg", "16,wav"}) {
    FifoReader reader(dir / "pipe");
    const ToolResult r =
        SeHost(dir, {"render", dir / "tone.json", "-o", dir / "pipe", "-f", format, "-q"});
    const std::string bytes = reader.Take();
    ASSERT_EQ(r.status, 0) << format << ": " << r.err;
    EXPECT_TRUE(fs::is_fifo(dir / "pipe")) << format;
    const Sound s = Decode(dir, bytes);
    EXPECT_EQ(s.rate, 8000) << format;
    EXPECT_EQ(s.Frames(), kToneFrames) << format;
  }
  // A type that must seek back is refused before the FIFO is opened.
  ExpectOneErrorLine(SeHost(dir, {"render", dir / "tone.json", "-o", dir / "pipe", "-f", "aiff"}),
                     "AIFF files cannot be written as a stream; a FIFO or device takes");
  EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
  EXPECT_EQ(dir.Files().size(), 2u);
}

TEST(OutputTargets, AStoppedOrFailedWriteLeavesTheFifoInPlace) {
  TempDir dir;
  dir.Write("tone.json", kTone);
  ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
  // No reader ever comes: the tool waits to open the FIFO until it is stopped.
  RunningTool waiting({"--plugin-dir", TestPluginDir(), "render", dir / "tone.json", "-o",
                       dir / "pipe", "-f", "flac"});
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  waiting.Interrupt();
  EXPECT_EQ(waiting.Wait(), 1);
  EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
  // A reader that goes away at once: the write fails (more than a pipe holds
  // is written), the FIFO stays.
  std::string longer = kTone;
  longer.replace(longer.find("0.5"), 3, "60");
  dir.Write("long.json", longer);
  FifoReader reader(dir / "pipe", 1);
  const ToolResult r = SeHost(dir, {"render", dir / "long.json", "-o", dir / "pipe", "-f", "wav"});
  reader.Take();
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
  EXPECT_EQ(dir.Files().size(), 3u);
}

TEST(OutputTargets, ADeviceIsWrittenToAndAFullOneSaysSo) {
  TempDir dir;
  dir.Write("tone.json", kTone);
  dir.Write("chain.json", R"({"modules": [{"id": "g", "plugin": "cli_gain_plugin"}],
    "sources": [{"to": "g.Signal", "type": "input"}], "outputs": ["g.Output"]})");
  if (!MakeDevice(dir / "null", kNullMinor) || !MakeDevice(dir / "full", kFullMinor))
    GTEST_SKIP() << "device nodes cannot be made here";
  ASSERT_TRUE(WriteSound(dir / "in.wav", 8000, 1, std::vector<float>(800, 0.25f)));
  const std::vector<std::vector<std::string>> commands = {
      {"render", dir / "tone.json"}, {"process", dir / "in.wav", "--patch", dir / "chain.json"}};
  for (const char *format : {"wav", "flac", "ogg", "float,wav"}) {
    for (std::vector<std::string> args : commands) {
      args.insert(args.end(), {"-f", format, "-o", dir / "null"});
      ToolResult r = SeHost(dir, args);
      EXPECT_EQ(r.status, 0) << format << ": " << r.err;
      args.back() = dir / "full";
      r = SeHost(dir, args);
      ExpectOneErrorLine(r, dir / "full" + ": no space left on device");
      EXPECT_EQ(r.status, 1);
    }
  }
  struct stat st {};
  ASSERT_EQ(stat((dir / "null").c_str(), &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  ASSERT_EQ(stat((dir / "full").c_str(), &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  // A block device is never written.
  if (MakeDevice(dir / "disk", 0, S_IFBLK)) {
    ExpectOneErrorLine(SeHost(dir, {"render", dir / "tone.json", "-o", dir / "disk", "-f", "wav"}),
                       "is a block device");
    EXPECT_TRUE(fs::is_block_file(dir / "disk"));
  }
}

TEST(OutputTargets, ALinksTargetIsReplacedAndTheLinkKept) {
  TempDir dir;
  dir.Write("tone.json", kTone);
  fs::create_directory(dir / "real");
  dir.Write("real/old.wav", "the previous render");
  fs::permissions(dir / "real/old.wav",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink("real/old.wav", dir / "link.wav");
  fs::create_symlink("link.wav", dir / "chain.wav");
  fs::create_symlink("real/new.wav", dir / "dangling.wav");
  for (const char *out : {"chain.wav", "dangling.wav"}) {
    const ToolResult r = SeHost(dir, {"render", dir / "tone.json", "-o", dir / out, "-q"});
    ASSERT_EQ(r.status, 0) << out << ": " << r.err;
    EXPECT_TRUE(fs::is_symlink(dir / out)) << out;
    EXPECT_EQ(ReadSound(dir / out).Frames(), kToneFrames) << out;
  }
  EXPECT_TRUE(fs::is_symlink(dir / "link.wav"));
  EXPECT_EQ(ReadSound(dir / "real/old.wav").Frames(), kToneFrames);
  EXPECT_EQ(ReadSound(dir / "real/new.wav").Frames(), kToneFrames);
  // The replaced file keeps its permissions.
  EXPECT_EQ(fs::status(dir / "real/old.wav").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  // A link into a folder that does not exist, and a loop of links.
  fs::create_symlink("nowhere/x.wav", dir / "lost.wav");
  fs::create_symlink("loop2.wav", dir / "loop1.wav");
  fs::create_symlink("loop1.wav", dir / "loop2.wav");
  ExpectOneErrorLine(SeHost(dir, {"render", dir / "tone.json", "-o", dir / "lost.wav"}),
                     "lost.wav: the folder \"" + dir / "nowhere" + "\" does not exist");
  ExpectOneErrorLine(SeHost(dir, {"render", dir / "tone.json", "-o", dir / "loop1.wav"}),
                     "too many levels of symbolic links");
  // Nothing was left beside the links or their targets.
  EXPECT_EQ(dir.Files().size(), 8u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "real"), fs::directory_iterator()), 2);
}

} // namespace
} // namespace setest

#endif
