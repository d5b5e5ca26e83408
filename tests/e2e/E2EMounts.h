#pragma once
// The private /tmp and home folder of a program copy: a shell script run by
// `sh -c` inside a fresh mount namespace, then the program, open on fd 3, in
// its place. Arguments: $1 the private /tmp, $2 the private home, $3 the home
// folder it covers, $4 the program's folder. The X server's socket folder and
// the program's folder are carried across at their own paths, so a program
// built under /tmp or under the home folder still finds its packs beside it.
#include <string>

namespace e2e
{

inline const char kPrivateMounts[] =
    "mkdir -p \"$1/.X11-unix\" \"$1/.program\" && "
    "mount --bind /tmp/.X11-unix \"$1/.X11-unix\" && "
    "mount --bind \"$4\" \"$1/.program\" && "
    "mount --bind \"$2\" \"$3\" && "
    "mount --rbind \"$1\" /tmp && "
    "mkdir -p \"$4\" && mount --bind /tmp/.program \"$4\" && "
    "exec /proc/self/fd/3";

// The folder that holds path ("." for a bare name).
inline std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash > 0 ? slash : 1);
}

} // namespace e2e
