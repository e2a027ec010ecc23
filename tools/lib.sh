# shellcheck shell=bash
# Helpers shared by the project's shell scripts (CI, tools/release, the
# release and package tests), sourced by them:
#   . "$(dirname "${BASH_SOURCE[0]}")/../tools/lib.sh"
# ksiezyc_top is the checkout's top folder.
ksiezyc_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

# The project's version, as CMakeLists.txt's project() gives it; the
# build checks the changelog against it.
project_version() {
    sed -n 's/^    VERSION \([0-9][0-9.]*\)$/\1/p' "${1:-$ksiezyc_top}/CMakeLists.txt"
}

# The rows "DEBIAN TRIPLE QEMU ROLE" of the architectures table, those of the
# given role only if one is given (package or test).
architectures() {
    awk -v role="${1:-}" '!/^#/ && NF == 4 && (role == "" || $4 == role)' \
        "$ksiezyc_top/platform/linux/architectures"
}

# Their Debian names only, on one line.
architecture_names() { architectures "$@" | awk '{print $1}' | paste -sd ' '; }

# The architecture releases are made on: the table's first.
release_architecture() { architectures | awk 'NR == 1 {print $1}'; }

# The first packaged architecture but the release's: the one whose package
# the players' check installs beside the native one.
foreign_architecture() {
    architectures package | awk -v own="$(release_architecture)" '$1 != own {print $1; exit}'
}

# The command line that runs a program built for the given architecture on
# this machine: nothing on the machine's own, qemu-user with the cross
# compiler's libraries on another.
launcher() {
    [ "$1" = "$(dpkg --print-architecture)" ] ||
        architectures | awk -v arch="$1" '$1 == arch {print $3 " -L /usr/" $2}'
}

# The Debian releases the game is built, tested and played on, oldest first.
# A package made on one installs on it and on the later ones (one made on
# Debian 13 needs its newer libstdc++), so releases are made on the oldest.
debian_releases=(bookworm trixie)

# This machine's Debian release (its codename), and a stop if it is not one
# of those above.
this_release() { (. /etc/os-release && echo "${VERSION_CODENAME:-}"); }
need_known_release() {
    [[ " ${debian_releases[*]} " == *" $(this_release) "* ]] ||
        fail "this is not one of the Debian releases ${debian_releases[*]}"
}
