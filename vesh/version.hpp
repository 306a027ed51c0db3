// The library's version and the oldest host it runs on.
#pragma once

namespace vesh {

inline constexpr const char *version_text = "1.0-0";
inline constexpr const char *release_tag = "beta";
inline constexpr int build_number = 42;
inline constexpr const char *release_date = "june 16th 2021";

struct host_version {
    int major, minor, patch;
};

inline constexpr host_version required_host = {0, 51, 3};

// The hosts the whole test suite runs against, as the banner names them.
inline constexpr const char *tested_hosts_text = "0.53-1 and 0.56-5";

// Compares by major number, then minor, then patch.
constexpr bool host_is_recent_enough(host_version have, host_version need = required_host) {
    if (have.major != need.major) return have.major > need.major;
    if (have.minor != need.minor) return have.minor > need.minor;
    return have.patch >= need.patch;
}

}  // namespace vesh
