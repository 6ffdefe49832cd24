#include "doc_links.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

namespace setest::doclinks {
namespace fs = std::filesystem;

namespace {

bool StartsFence(const std::string &line, std::string &fence) {
  const size_t indent = line.find_first_not_of(' ');
  if (indent == std::string::npos || indent > 3)
    return false;
  const char c = line[indent];
  if (c != '`' && c != '~')
    return false;
  size_t n = indent;
  while (n < line.size() && line[n] == c)
    ++n;
  if (n - indent < 3)
    return false;
  fence = line.substr(indent, n - indent);
  return true;
}

// The line without its inline code spans (`...`, ``...``).
std::string WithoutCodeSpans(const std::string &line) {
  std::string out;
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] != '`') {
      out += line[i++];
      continue;
    }
    size_t run = i;
    while (run < line.size() && line[run] == '`')
      ++run;
    const std::string ticks = line.substr(i, run - i);
    const size_t close = line.find(ticks, run);
    if (close == std::string::npos) {
      out += ticks; // an unmatched backtick is text
      i = run;
      continue;
    }
    out += ' ';
    i = close + ticks.size();
  }
  return out;
}

// The target of an inline link whose "(" is at `open`: up to the closing ")"
// or the first space (a title may follow); "<...>" keeps spaces.
std::string InlineTarget(const std::string &line, size_t open) {
  size_t i = open + 1;
  while (i < line.size() && line[i] == ' ')
    ++i;
  if (i < line.size() && line[i] == '<') {
    const size_t close = line.find('>', i);
    return close == std::string::npos ? std::string() : line.substr(i + 1, close - i - 1);
  }
  std::string target;
  int depth = 0;
  for (; i < line.size(); ++i) {
    const char c = line[i];
    if (c == ' ' || (c == ')' && depth == 0))
      break;
    depth += c == '(' ? 1 : c == ')' ? -1 : 0;
    target += c;
  }
  return target;
}

void HtmlAttributes(const std::string &line, int number, std::vector<Link> &links) {
  for (const char *attr : {"src=\"", "href=\""}) {
    for (size_t at = line.find(attr); at != std::string::npos; at = line.find(attr, at + 1)) {
      const size_t start = at + std::char_traits<char>::length(attr);
      const size_t close = line.find('"', start);
      if (close != std::string::npos)
        links.push_back({line.substr(start, close - start), number});
    }
  }
}

bool HasScheme(const std::string &target) {
  const size_t colon = target.find(':');
  if (colon == std::string::npos || colon == 0 ||
      !std::isalpha(static_cast<unsigned char>(target[0])))
    return false;
  return std::all_of(
      target.begin(), target.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '.' || c == '-';
      });
}

// %20 and the like, as a browser reads a link.
std::string PercentDecoded(const std::string &s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

// The length of the UTF-8 sequence that starts with `lead`.
size_t SequenceLength(unsigned char lead) {
  return lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 1;
}

// Punctuation and symbols outside ASCII that anchors leave out: Latin-1's
// (U+00A0 to U+00BF, U+00D7, U+00F7), the general punctuation block (dashes,
// quotes, ellipsis: U+2000 to U+206F) and U+2212 (minus).
bool DroppedFromAnchor(const std::string &seq) {
  const auto b = [&](size_t i) { return static_cast<unsigned char>(seq[i]); };
  if (seq.size() == 2 && b(0) == 0xc2 && b(1) >= 0xa0 && b(1) <= 0xbf)
    return true;
  if (seq.size() == 2 && b(0) == 0xc3 && (b(1) == 0x97 || b(1) == 0xb7))
    return true;
  if (seq.size() == 3 && b(0) == 0xe2 && b(1) == 0x80)
    return true;
  if (seq.size() == 3 && b(0) == 0xe2 && b(1) == 0x81 && b(2) <= 0xaf)
    return true;
  return seq.size() == 3 && b(0) == 0xe2 && b(1) == 0x88 && b(2) == 0x92;
}

std::string Slug(const std::string &heading) {
  std::string slug;
  for (size_t i = 0; i < heading.size();) {
    const unsigned char c = static_cast<unsigned char>(heading[i]);
    if (c >= 0x80) {
      const std::string seq = heading.substr(i, SequenceLength(c));
      if (!DroppedFromAnchor(seq))
        slug += seq;
      i += seq.size();
      continue;
    }
    if (std::isalnum(c) || c == '-' || c == '_')
      slug += static_cast<char>(std::tolower(c));
    else if (c == ' ')
      slug += '-';
    ++i;
  }
  return slug;
}

// A heading's text as a reader sees it: links reduced to their text.
std::string HeadingText(std::string text) {
  for (size_t at = text.find("]("); at != std::string::npos; at = text.find("](")) {
    const size_t open = text.rfind('[', at);
    const size_t close = text.find(')', at);
    if (open == std::string::npos || close == std::string::npos)
      break;
    text = text.substr(0, open) + text.substr(open + 1, at - open - 1) + text.substr(close + 1);
  }
  return text;
}

std::string ReadFile(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

template <typename Visit> void ForEachProseLine(const std::string &markdown, Visit visit) {
  std::istringstream in(markdown);
  std::string line, fence;
  int number = 0;
  bool in_fence = false;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    std::string f;
    if (in_fence) {
      if (StartsFence(line, f) && f[0] == fence[0] && f.size() >= fence.size())
        in_fence = false;
      continue;
    }
    if (StartsFence(line, fence)) {
      in_fence = true;
      continue;
    }
    visit(line, number);
  }
}

} // namespace

std::vector<Link> ExtractLinks(const std::string &markdown) {
  std::vector<Link> links;
  ForEachProseLine(markdown, [&](const std::string &raw, int number) {
    const std::string line = WithoutCodeSpans(raw);
    for (size_t at = line.find("]("); at != std::string::npos; at = line.find("](", at + 1))
      links.push_back({InlineTarget(line, at + 1), number});
    // A reference definition: "[label]: target".
    const size_t indent = line.find_first_not_of(' ');
    if (indent != std::string::npos && indent <= 3 && line[indent] == '[') {
      const size_t close = line.find("]:", indent);
      if (close != std::string::npos) {
        std::istringstream rest(line.substr(close + 2));
        std::string target;
        if (rest >> target)
          links.push_back(
              {target.front() == '<' ? target.substr(1, target.size() - 2) : target, number});
      }
    }
    HtmlAttributes(line, number, links);
  });
  return links;
}

std::set<std::string> Anchors(const std::string &markdown) {
  std::set<std::string> anchors;
  std::map<std::string, int> seen;
  ForEachProseLine(markdown, [&](const std::string &line, int) {
    for (const char *attr : {"id=\"", "name=\""}) {
      for (size_t at = line.find(attr); at != std::string::npos; at = line.find(attr, at + 1)) {
        const size_t start = at + std::char_traits<char>::length(attr);
        const size_t close = line.find('"', start);
        if (close != std::string::npos && line.rfind('<', at) != std::string::npos)
          anchors.insert(line.substr(start, close - start));
      }
    }
    const size_t indent = line.find_first_not_of(' ');
    if (indent == std::string::npos || indent > 3 || line[indent] != '#')
      return;
    size_t level = indent;
    while (level < line.size() && line[level] == '#')
      ++level;
    if (level - indent > 6 || (level < line.size() && line[level] != ' '))
      return;
    std::string text = line.substr(level);
    while (!text.empty() && (text.back() == '#' || text.back() == ' '))
      text.pop_back();
    const size_t first = text.find_first_not_of(' ');
    text = first == std::string::npos ? std::string() : text.substr(first);
    const std::string slug = Slug(HeadingText(text));
    const int n = seen[slug]++;
    anchors.insert(n == 0 ? slug : slug + "-" + std::to_string(n));
  });
  return anchors;
}

std::optional<std::set<std::string>> TrackedFiles(const fs::path &root) {
  std::error_code ec;
  if (!fs::exists(root / ".git", ec))
    return std::nullopt;
  const std::string command = "git -C \"" + root.string() + "\" ls-files -z 2>/dev/null";
  FILE *pipe = popen(command.c_str(), "r");
  if (pipe == nullptr)
    return std::nullopt;
  std::set<std::string> files;
  std::string name;
  for (int c; (c = std::fgetc(pipe)) != EOF;) {
    if (c == '\0') {
      files.insert(name);
      name.clear();
    } else {
      name += static_cast<char>(c);
    }
  }
  if (pclose(pipe) != 0 || files.empty())
    return std::nullopt; // no git program, or not a checkout git knows
  return files;
}

std::vector<Fault> CheckPages(const fs::path &root, const std::vector<std::string> &pages,
                              const std::optional<std::set<std::string>> &tracked) {
  std::vector<Fault> faults;
  std::map<std::string, std::set<std::string>> anchors_of;
  const auto anchors = [&](const std::string &page) -> const std::set<std::string> & {
    auto it = anchors_of.find(page);
    if (it == anchors_of.end())
      it = anchors_of.emplace(page, Anchors(ReadFile(root / page))).first;
    return it->second;
  };
  const auto in_repository = [&](const std::string &rel) {
    std::error_code ec;
    if (!fs::exists(root / rel, ec))
      return false;
    if (!tracked)
      return true;
    if (tracked->count(rel) != 0)
      return true;
    const std::string folder = rel.empty() || rel.back() == '/' ? rel : rel + "/";
    const auto next = tracked->lower_bound(folder);
    return next != tracked->end() && next->compare(0, folder.size(), folder) == 0;
  };

  for (const std::string &page : pages) {
    const std::string text = ReadFile(root / page);
    const fs::path dir = fs::path(page).parent_path();
    for (const Link &link : ExtractLinks(text)) {
      const auto fault = [&](const std::string &what) {
        faults.push_back({page, link.line, "\"" + link.target + "\": " + what});
      };
      if (link.target.empty()) {
        fault("an empty link");
        continue;
      }
      if (HasScheme(link.target) || link.target.rfind("//", 0) == 0)
        continue; // a web address, not a file of ours
      const size_t hash = link.target.find('#');
      const std::string path = PercentDecoded(link.target.substr(0, hash));
      const std::string anchor = hash == std::string::npos ? "" : link.target.substr(hash + 1);
      std::string rel = page;
      if (!path.empty()) {
        const fs::path joined =
            (path.front() == '/' ? fs::path(path.substr(1)) : dir / path).lexically_normal();
        rel = joined.generic_string();
        if (rel.empty() || rel == ".")
          rel = "";
        if (rel == ".." || rel.rfind("../", 0) == 0) {
          fault("points outside the repository");
          continue;
        }
        if (!in_repository(rel)) {
          fault(tracked ? "not in the repository (missing, or not added to git)" : "missing");
          continue;
        }
      }
      if (!anchor.empty() && fs::path(rel).extension() == ".md" && anchors(rel).count(anchor) == 0)
        fault("no heading of " + rel + " has the anchor #" + anchor);
    }
  }
  return faults;
}

std::vector<std::string> DocumentationPages(const fs::path &root) {
  std::vector<std::string> pages;
  std::error_code ec;
  if (fs::is_regular_file(root / "README.md", ec))
    pages.push_back("README.md");
  for (fs::recursive_directory_iterator it(root / "docs", ec), end; !ec && it != end;
       it.increment(ec))
    if (it->is_regular_file(ec) && it->path().extension() == ".md")
      pages.push_back(fs::relative(it->path(), root, ec).generic_string());
  std::sort(pages.begin(), pages.end());
  return pages;
}

} // namespace setest::doclinks
