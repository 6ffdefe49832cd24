// Checks the links of Markdown pages against a repository: every linked file
// or picture must be in it, and every #anchor must name a heading of its page.
#ifndef SE_TEST_DOC_LINKS_H
#define SE_TEST_DOC_LINKS_H

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace setest::doclinks {

// A link as written in a page, with the line it is on (from 1).
struct Link {
  std::string target;
  int line = 0;
};

// The links of a Markdown text: inline links and pictures, reference
// definitions, and src/href attributes of HTML tags. Fenced code blocks and
// inline code spans are not read.
std::vector<Link> ExtractLinks(const std::string &markdown);

// The anchors a page's headings get ("## Type HP is not a high-pass" ->
// "type-hp-is-not-a-high-pass"; a repeated heading gets "-1", "-2", ...), and
// the ids of HTML anchors in the page.
std::set<std::string> Anchors(const std::string &markdown);

// One broken link: the page (relative to the repository), line and what is wrong.
struct Fault {
  std::string page;
  int line = 0;
  std::string what;
};

// The files a repository holds, relative to its root with "/" separators:
// git's list where the folder is a git checkout (files not added to git are
// missing from the repository), none otherwise.
std::optional<std::set<std::string>> TrackedFiles(const std::filesystem::path &root);

// Checks the links of `pages` (relative to `root`). With `tracked`, a target
// must be one of those files (or a folder holding one) as well as exist.
std::vector<Fault> CheckPages(const std::filesystem::path &root,
                              const std::vector<std::string> &pages,
                              const std::optional<std::set<std::string>> &tracked);

// README.md and every .md file under docs/, sorted.
std::vector<std::string> DocumentationPages(const std::filesystem::path &root);

} // namespace setest::doclinks

#endif
