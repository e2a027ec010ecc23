# shellcheck shell=bash
# Helpers shared by the shell tests of built things (packages, ZIPs, the
# release), with tools/lib.sh's, which this sources.
# shellcheck source=tools/lib.sh # the path from the top, where the scripts are checked
. "$(dirname "${BASH_SOURCE[0]}")/../tools/lib.sh"

# Plays transcript NAME with BINARY, under LAUNCHER (an emulator) if given:
# NAME.in in, exactly NAME.out out.
play_transcript() {
    local binary=$1 name=$2 launcher=${3:-} actual
    actual=$(mktemp)
    cmake -D BINARY="$binary" -D LAUNCHER="$launcher" \
        -D INPUT="$ksiezyc_top/tests/transcripts/$name.in" \
        -D EXPECTED="$ksiezyc_top/tests/transcripts/$name.out" \
        -D ACTUAL="$actual" -P "$ksiezyc_top/tests/run_transcript.cmake"
    rm -f "$actual"
}

# The names of every transcript.
transcripts() {
    local file
    for file in "$ksiezyc_top"/tests/transcripts/*.in; do
        basename "$file" .in
    done
}

# The files of a ZIP, all in one top folder, without that folder; the whole
# listing is shown on standard error. (Not with tee /dev/stderr, which opens
# a log file anew and truncates it.)
zip_listing() {
    local listing
    listing=$(python3 -m zipfile -l "$1" | awk 'NR > 1 {print $1}')
    printf '%s\n' "$listing" >&2
    awk -F/ 'NR == 1 {top = $1} $1 != top || NF != 2 {print "not in one folder: " $0; next}
        {print $2}' <<<"$listing" | sort
}

# Every file of dist/ when the whole release of VERSION is made and signed,
# one a line.
dist_files() {
    local version=$1 arch size
    printf '%s\n' SHA256SUMS SHA256SUMS.asc "$(download keys)" "$(download source "$version")" \
        "$(download source "$version").asc" "$(download windows "$version")" \
        "$(download web "$version")" "$(download apt-source "$version")" \
        "apt/$apt_pool/$(download apt-source "$version")" "apt/$apt_suite"/{Release,InRelease,Release.gpg}
    for size in "${dep11_icon_sizes[@]}"; do
        printf '%s\n' "apt/$apt_suite/main/dep11/icons-$size.tar"{,.gz}
    done
    for arch in $(architecture_names package); do
        printf '%s\n' "$(download deb "$version" "$arch")" "apt/$apt_pool/$(download deb "$version" "$arch")" \
            "apt/$apt_suite/main/binary-$arch/Packages"{,.gz} "apt/$apt_suite/main/dep11/Components-$arch.yml"{,.gz}
    done
}

# Stops unless the source tarball TARBALL holds exactly the files git tracks
# in the clone TREE, in one top folder.
check_tarball() {
    diff <(tar -tzf "$1" | grep -v '/$' | sed 's|^[^/]*/||' | sort) <(git -C "$2" ls-files | sort) ||
        fail "$1 does not hold exactly the files git tracks"
}

# The bytes of the file NAME in a ZIP's top folder, on standard output.
zip_member() {
    python3 -c 'import sys, zipfile
archive = zipfile.ZipFile(sys.argv[1])
sys.stdout.buffer.write(archive.read(next(n for n in archive.namelist() if n.endswith("/" + sys.argv[2]))))' \
        "$1" "$2"
}

# The fingerprints of the keys that made the detached signature SIGNATURE
# of FILE, one a line, as VERIFIER (gpgv or sqv, Debian's two) sees it
# against the keys file KEYS; fails if it refuses the signature.
signers() {
    local verifier=$1 keys=$2 signature=$3 file=$4 keyring status=0
    if [ "$verifier" = sqv ]; then
        sqv --keyring "$keys" "$signature" "$file" 2>/dev/null | sort
        return
    fi
    keyring=$(mktemp)
    gpg --batch --dearmor <"$keys" >"$keyring"
    gpgv --status-fd 1 --keyring "$keyring" "$signature" "$file" 2>/dev/null |
        awk '$2 == "VALIDSIG" {print $NF}' | sort || status=1
    rm -f "$keyring"
    return "$status"
}

# The keys that signed FILE (SIGNATURE, against KEYS), one a line, as gpgv
# and sqv both see them; fails if either refuses it or they disagree.
verify_signature() {
    local by_gpgv by_sqv
    by_gpgv=$(signers gpgv "$@") && by_sqv=$(signers sqv "$@") || return 1
    [ -n "$by_gpgv" ] && [ "$by_gpgv" = "$by_sqv" ] || return 1
    echo "$by_gpgv"
}

# Records the keys FINGERPRINT... in KEYS of the clone TREE, as a
# maintainer does (doc/releasing.md).
record_keys() {
    gpg --batch --armor --export --export-options export-minimal "${@:2}" >"$1/KEYS"
}

# Changes the byte at OFFSET (2000 unless given) of FILE, in place.
spoil_byte() {
    printf 'X' | dd of="$1" bs=1 seek="${2:-2000}" conv=notrunc status=none
}

# The fingerprint of a new Ed25519 signing key NAME without a passphrase, in
# GnuPG's keyring (GNUPGHOME), that expires in a day or after EXPIRY.
new_key() {
    gpg --batch --quiet --passphrase '' --quick-gen-key "$1 <ci@ksiezyc.invalid>" ed25519 sign \
        "${2:-1d}" 2>/dev/null
    gpg --batch --with-colons --list-secret-keys "$1 <ci@ksiezyc.invalid>" 2>/dev/null |
        awk -F: '$1 == "fpr" {print $10; exit}'
}
