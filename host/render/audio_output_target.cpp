#include "audio_output_target.h"

#include "host_error.h"

#include <filesystem>

namespace sehost {
namespace fs = std::filesystem;

namespace {

// As many links as the system itself follows in one path.
constexpr int kMaxLinks = 40;

// The end of a chain of symbolic links starting at `path` (`path` itself if
// it is no link); throws HostError for a loop.
fs::path FollowLinks(const std::string &given) {
  fs::path p(given);
  for (int hops = 0;; ++hops) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(p, ec)))
      return p;
    if (hops == kMaxLinks)
      throw HostError(given + ": too many levels of symbolic links");
    const fs::path to = fs::read_symlink(p, ec);
    if (ec)
      throw HostError(given + ": cannot read the link: " + ec.message());
    p = to.is_absolute() ? to : p.parent_path() / to;
  }
}

} // namespace

OutputTarget ResolveOutputTarget(const std::string &path) {
  OutputTarget target;
  target.given = path;
  if (path.empty())
    throw UsageError("no output file given");
  if (path == "-") {
    target.kind = OutputKind::kStandardOutput;
    return target;
  }
  const fs::path end = FollowLinks(path);
  target.path = end.string();
  std::error_code ec;
  const fs::file_status status = fs::status(end, ec);
  switch (status.type()) {
  case fs::file_type::not_found: {
    const fs::path folder = end.has_parent_path() ? end.parent_path() : fs::path(".");
    if (!fs::is_directory(folder, ec))
      throw HostError(path + ": the folder \"" + folder.string() + "\" does not exist");
    target.kind = OutputKind::kFile;
    return target;
  }
  case fs::file_type::regular: target.kind = OutputKind::kFile; return target;
  case fs::file_type::directory: throw HostError(path + ": is a folder");
  case fs::file_type::fifo:
  case fs::file_type::character: target.kind = OutputKind::kDevice; return target;
  case fs::file_type::block:
    throw HostError(path + ": is a block device; se-host writes files, FIFOs and character "
                           "devices, never a disk");
  case fs::file_type::socket:
    throw HostError(path + ": is a socket; se-host writes files, FIFOs and character devices");
  default:
    throw HostError(path + ": cannot be written (" +
                    (ec ? ec.message() : std::string("not a file")) + ")");
  }
}

bool IsStreamOutput(const std::string &path) {
  try {
    return ResolveOutputTarget(path).Streams();
  } catch (const HostError &) {
    return false;
  }
}

} // namespace sehost
