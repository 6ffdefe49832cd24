// The README and the pages under docs/ link only to files the repository
// holds (pictures included) and to headings their pages have.
#include "doc_links.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

namespace setest::doclinks {
namespace {
namespace fs = std::filesystem;

std::string Listing(const std::vector<Fault> &faults) {
  std::string s;
  for (const Fault &f : faults)
    s += "  " + f.page + ":" + std::to_string(f.line) + ": " + f.what + "\n";
  return s;
}

TEST(DocLinks, EveryLinkedFileAndHeadingIsInTheRepository) {
  const fs::path root = SE_SOURCE_DIR;
  const std::vector<std::string> pages = DocumentationPages(root);
  ASSERT_FALSE(pages.empty());
  ASSERT_EQ(pages.front(), "README.md");
  const auto tracked = TrackedFiles(root);
  if (!tracked)
    std::cout << "not a git checkout: links are checked against the files on disk\n";
  const std::vector<Fault> faults = CheckPages(root, pages, tracked);
  EXPECT_TRUE(faults.empty()) << faults.size() << " broken link(s); a picture of the manuals "
                              << "is drawn by scripts/make-manual-plots.sh and must be added "
                              << "to git:\n"
                              << Listing(faults);
  // The reader sees the links at all: the README links the manuals and the
  // manuals their pictures.
  size_t pictures = 0;
  for (const std::string &page : pages) {
    std::ifstream in(root / page);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    for (const Link &link : ExtractLinks(text))
      pictures += link.target.find(".png") != std::string::npos;
  }
  EXPECT_GE(pictures, 14u);
}

class Scratch {
public:
  Scratch() {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    root_ = fs::temp_directory_path() / ("se-doclinks-" + std::to_string(stamp));
    fs::create_directories(root_ / "docs" / "img");
  }
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  void Write(const std::string &rel, const std::string &text) const {
    std::ofstream(root_ / rel) << text;
  }
  const fs::path &Root() const { return root_; }

private:
  fs::path root_;
};

TEST(DocLinks, TheCheckerFindsWhatIsBrokenAndNothingElse) {
  Scratch s;
  s.Write("docs/img/there.png", "png");
  s.Write("docs/img/untracked.png", "png");
  s.Write("docs/page.md", "# Page\n\n## Type HP is not a high-pass\n\n## Gain: −3 dB (“soft”)\n"
                          "## Twice\n## Twice\n<a id=\"kept\"></a>\n");
  s.Write("README.md",
          "Fine: ![a](docs/img/there.png), [page](docs/page.md#type-hp-is-not-a-high-pass),\n"
          "[u](docs/page.md#gain-3-db-soft), [t](docs/page.md#twice-1), [k](docs/page.md#kept),\n"
          "[web](https://example.org/x.png), [self](#readme), [dir](docs/img/), `[c](no.png)`.\n"
          "```\n[fenced](no.png)\n```\n"
          "# Readme\n"
          "Broken: ![b](docs/img/gone.png \"title\")\n"
          "[ref]: docs/missing.md\n"
          "<img src=\"docs/img/untracked.png\">\n"
          "[h](docs/page.md#no-such-heading) [out](../elsewhere.md) [t2](docs/page.md#twice-2)\n");
  const std::set<std::string> tracked = {"README.md", "docs/page.md", "docs/img/there.png"};
  const std::vector<Fault> faults = CheckPages(s.Root(), {"README.md", "docs/page.md"}, tracked);
  std::vector<std::string> got;
  for (const Fault &f : faults)
    got.push_back(f.page + ":" + std::to_string(f.line) + " " + f.what.substr(0, f.what.find(':')));
  const std::vector<std::string> want = {
      "README.md:8 \"docs/img/gone.png\"",       "README.md:9 \"docs/missing.md\"",
      "README.md:10 \"docs/img/untracked.png\"", "README.md:11 \"docs/page.md#no-such-heading\"",
      "README.md:11 \"../elsewhere.md\"",        "README.md:11 \"docs/page.md#twice-2\""};
  EXPECT_EQ(got, want) << Listing(faults);

  // Without git's list, a file on disk counts.
  const std::vector<Fault> on_disk = CheckPages(s.Root(), {"README.md"}, std::nullopt);
  EXPECT_EQ(on_disk.size(), 5u) << Listing(on_disk);
}

} // namespace
} // namespace setest::doclinks
