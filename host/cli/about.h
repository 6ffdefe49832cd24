// What se-host says about itself: copyright and licence, for --version and
// the manual page.
#ifndef SEHOST_CLI_ABOUT_H
#define SEHOST_CLI_ABOUT_H

namespace sehost::cli {

inline constexpr const char *kCopyright = "Copyright (c) 2026 The ladder-osc-modules authors";
inline constexpr const char *kLicence =
    "Free software under the ISC licence: use, copy, modify and distribute it freely, keeping "
    "this notice. There is NO WARRANTY.";

} // namespace sehost::cli

#endif
