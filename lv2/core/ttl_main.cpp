// se_lv2_ttl <bundle folder> <binary file name>: writes the bundle's Turtle
// files (run by the build after the binary is linked).
#include "ttl_writer.h"

#include <cstdio>

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: se_lv2_ttl <bundle folder> <binary file name>\n");
    return 2;
  }
  const std::string error = se_lv2::WriteBundle(argv[1], argv[2]);
  if (!error.empty()) {
    std::fprintf(stderr, "se_lv2_ttl: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
