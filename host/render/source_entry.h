// One entry under a patch's "sources" as the reader of its type sees it: its
// JSON, its place in the patch (for messages), and the checked readers of its
// values. The patch loader implements it for the entry it is reading; every
// mistake a reader finds goes through Fail and becomes the loader's one-line
// error.
#ifndef SEHOST_SOURCE_ENTRY_H
#define SEHOST_SOURCE_ENTRY_H

#include <nlohmann/json.hpp>

#include <string>

namespace sehost {

class SourceEntry {
public:
  virtual ~SourceEntry() = default;

  virtual const nlohmann::json &Json() const = 0;
  // The entry's JSON pointer ("/sources/2").
  virtual const std::string &Where() const = 0;
  // The pointer to one of its keys ("/sources/2/rate").
  virtual std::string At(const std::string &key) const = 0;
  // The patch's sample rate in Hz.
  virtual double SampleRate() const = 0;

  // `where` is a JSON pointer into the patch.
  [[noreturn]] virtual void Fail(const std::string &where, const std::string &what) const = 0;
  // A finite number under `key`; `fallback` when the key is absent (nullptr:
  // the key is required).
  virtual double Number(const std::string &key, const double *fallback) const = 0;
  // The same, within the volts a patch may give (±kMaxVolts).
  virtual double Bounded(const std::string &key, const double *fallback) const = 0;
  // A required text under `key`.
  virtual std::string String(const std::string &key) const = 0;
  // A list under `key`; empty when absent and not required.
  virtual const nlohmann::json &Array(const std::string &key, bool required) const = 0;
  // A value in volts for the input the entry drives (a number, "5V", "440Hz",
  // "C3"); `where` locates it in messages.
  virtual double Volts(const nlohmann::json &value, const std::string &where) const = 0;

  // A path as written in the patch, made whole: relative paths are taken
  // from the patch file's folder.
  virtual std::string FilePath(const std::string &path) const = 0;
  // Records a file the patch reads (Patch::InputFiles).
  virtual void AddInputFile(const std::string &path) = 0;
};

} // namespace sehost

#endif
