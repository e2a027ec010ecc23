# shellcheck shell=bash disable=SC2034 # its variables are for the scripts that source it
# Helpers shared by the project's shell scripts (CI, tools/release, the
# release and package tests), sourced by them:
#   . "$(dirname "${BASH_SOURCE[0]}")/../tools/lib.sh"
# ksiezyc_top is the checkout's top folder.
ksiezyc_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

# The argument FIELD (VERSION or DESCRIPTION) of project() in the
# CMakeLists.txt of TREE (this checkout's by default), however the call is
# laid out; a stop if there is none.
project_field() {
    local file=${2:-$ksiezyc_top}/CMakeLists.txt
    field=$1 perl -0777 -ne 'my ($args) = /^\s*project\s*\(((?:"[^"]*"|[^)"])*)\)/mi or exit 1;
        my @words; push @words, [$1 // $2, defined $2] while $args =~ /"([^"]*)"|([^\s"]+)/g;
        for my $i (0 .. $#words - 1) {
            if ($words[$i][1] && $words[$i][0] eq $ENV{field}) { print $words[$i + 1][0]; exit }
        }
        exit 1' "$file" || fail "no $1 in project() of $file"
}
# The project's version; the build checks the changelog against it.
project_version() { project_field VERSION "$@"; }
# Sets the version in project() of TREE's CMakeLists.txt to VERSION.
set_project_version() {
    new=$2 perl -0777 -i -pe \
        's/^(\s*project\s*\((?:"[^"]*"|[^)"])*?\bVERSION\s+)[^\s")]+/$1$ENV{new}/mi' "$1/CMakeLists.txt"
    [ "$(project_version "$1")" = "$2" ] || fail "could not set the version in $1/CMakeLists.txt"
}

# The rows "DEBIAN TRIPLE QEMU ROLE" of the architectures table, those of the
# given role only if one is given (package or test); a stop at a row of
# another shape.
architectures() {
    awk -v role="${1:-}" '/^#/ || NF == 0 {next}
        !/^[a-z0-9]+ +[a-z0-9_]+-linux-[a-z0-9]+ +qemu-[a-z0-9_]+ +(package|test)$/ {
            print "FAILED: not a row DEBIAN TRIPLE QEMU ROLE of " FILENAME ": " $0 > "/dev/stderr"
            exit 1
        }
        role == "" || $4 == role' "$ksiezyc_top/platform/linux/architectures"
}

# Their Debian names only, on one line.
architecture_names() { architectures "$@" | awk '{print $1}' | paste -sd ' '; }

# The architecture releases are made on, the build machine's: the table's first.
build_architecture() { architectures | awk 'NR == 1 {print $1}'; }

# The first packaged architecture but the build machine's: the one whose
# package the players' check installs beside the native one.
foreign_architecture() {
    architectures package | awk -v own="$(build_architecture)" '$1 != own {print $1; exit}'
}

# The command line that runs a program built for architecture ARCH on this
# machine: nothing on the machine's own, else qemu-user, with the cross
# compiler's libraries for a program built here, or with none (installed,
# multiarch puts them where qemu-user looks) if the second argument is
# "installed".
launcher() {
    [ "$1" = "$(dpkg --print-architecture)" ] ||
        architectures | awk -v arch="$1" -v installed="${2:-}" '$1 == arch {
            print $3 (installed == "installed" ? "" : " -L /usr/" $2)}'
}

# The downloads tools/release makes in dist/, by kind and version (and
# architecture, for a Debian package of the game); "keys" is the public
# keys that sign a release, the file KEYS of the repository:
#   download deb|apt-source|source|windows|web|keys VERSION [ARCH]
download() {
    case $1 in
    deb) echo "ksiezyc_$2_$3.deb" ;;
    apt-source) echo "ksiezyc-apt-source_$2_all.deb" ;;
    source) echo "ksiezyc-$2.tar.gz" ;;
    windows) echo "ksiezyc-$2-windows-x86_64.zip" ;;
    web) echo "ksiezyc-$2-web.zip" ;;
    keys) echo KEYS ;;
    *) fail "no download '$1'" ;;
    esac
}

# The apt repository's layout, in dist/apt/: the packages' folder, the
# suite's, and the sizes of the icons in its DEP-11 metadata.
apt_pool=pool/main/k/ksiezyc
apt_suite=dists/stable
dep11_icon_sizes=(48x48 64x64 128x128)

# Where the package ksiezyc-apt-source puts the apt repository's sources
# file and the keyring of its signing keys on a player's machine.
apt_sources=/etc/apt/sources.list.d/ksiezyc.sources
apt_keyring=/etc/apt/keyrings/ksiezyc.pgp

# Whether the folder TREE is a git clone's top (a release tarball is not).
is_git_clone() { [ -e "$1/.git" ]; }

# The rows "NAME RUN SETTING..." of the table of Debian suites (.ci/suites),
# oldest first; a stop at a row of another shape.
suite_table() {
    table_rows "$ksiezyc_top/.ci/suites" |
        awk '!/^[a-z]+ (default|named)( (apt|rename|skip|updates)=[^ ]+)*$/ {
            print "FAILED: not a row NAME RUN SETTING... of .ci/suites: " $0 > "/dev/stderr"
            exit 1
        }
        {print}'
}

# The suites of the table, oldest first, on one line.
debian_suites() { suite_table | awk '{print $1}' | paste -sd ' '; }

# The suites a run covers, oldest first: the default ones and any named
# in KSIEZYC_SUITES (set by .ci/run --suite in the roots it runs steps in);
# a stop at a name the table lacks.
run_suites() {
    local name known
    # Each lookup's failure returned by hand: a caller's set -e does not
    # reach into $(...).
    known=" $(debian_suites) " || return
    for name in ${KSIEZYC_SUITES:-}; do
        [[ $known == *" $name "* ]] || fail "no Debian suite '$name' in .ci/suites: $known"
    done
    suite_table | awk -v named=" ${KSIEZYC_SUITES:-} " '$2 == "default" ||
        index(named, " " $1 " ") {print $1}' | paste -sd ' '
}

# The values of setting KEY (apt, rename, skip or updates) of suite SUITE,
# one a line; renames are those of every suite up to SUITE.
suite_setting() {
    suite_table | awk -v key="$1" -v suite="$2" '{
            for (i = 3; i <= NF; i++) {
                split($i, kv, "=")
                if (kv[1] == key && (key == "rename" || $1 == suite)) print substr($i, length(key) + 2)
            }
            if ($1 == suite) exit
        }'
}

# This machine's Debian suite (its codename).
this_suite() { (. /etc/os-release && echo "${VERSION_CODENAME:-}"); }

# The suites that packages made here install on: this machine's and the
# later ones of the run, one a line; a stop if the run does not cover it.
player_suites() {
    run_suites | tr ' ' '\n' | awk -v own="$(this_suite)" '$0 == own {from = 1} from' | grep . ||
        fail "this machine's Debian suite '$(this_suite)' is none of the run's: $(run_suites)"
}

# The rows of CI's table of steps (.ci/steps), one a line: "NAME SUITES
# PACKAGE...".
step_table() { table_rows "$ksiezyc_top/.ci/steps"; }

# The rows of a table of FILE, one a line, its words one space apart: lines
# starting with # are comments, a row goes on in lines that start with spaces.
table_rows() {
    awk '/^#/ || NF == 0 {next} /^[ \t]/ {row = row " " $0; next}
        {if (row != "") print row; row = $0} END {if (row != "") print row}' "$1" |
        tr -s ' \t' '  ' | sed 's/ $//'
}

# The steps that run on SUITE by default, in order, on one line: those of
# every suite, those of the first or of the later ones, less those the
# suite skips.
steps_for() {
    local first skip
    first=$(debian_suites | awk '{print $1}') || return
    skip=$(suite_setting skip "$1" | paste -sd ' ') || return
    step_table | awk -v suite="$1" -v first="$first" -v skip=" $skip " \
        '($2 == "all" || ($2 == "first" && suite == first) || ($2 == "later" && suite != first)) &&
        !index(skip, " " $1 " ") {print $1}' | paste -sd ' '
}
