#!/usr/bin/env bash
# Checks Debian packages of the game as a distribution would before taking
# them: each holds the game in /usr/games, its manual page, copyright and
# changelog, its desktop entry, AppStream metadata and icons (valid by
# Debian's own validators), for the architecture its name gives, in section
# games, with the Depends that dpkg-shlibdeps finds in that architecture's
# libraries; lintian finds nothing to say, at any level; the binary unpacked
# from it is
# hardened and plays every transcript exactly (under qemu-user on another
# architecture).
# The package ksiezyc-apt-source gets its own checks (check_apt_source).
#   tests/debian/check-package.sh DEB...
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"

# Hardening as the binary shows it, not as the flags promise it.
check_hardened() {
    local binary=$1 header dynamic segments symbols
    header=$(readelf -hW "$binary")
    dynamic=$(readelf -dW "$binary")
    segments=$(readelf -lW "$binary")
    symbols=$(readelf --dyn-syms -W "$binary")
    grep -Eq 'Type: +DYN' <<<"$header" || fail "$binary: not position independent"
    grep -Eq 'FLAGS_1.*PIE' <<<"$dynamic" || fail "$binary: no PIE flag"
    grep -q 'GNU_RELRO' <<<"$segments" || fail "$binary: no RELRO"
    grep -Eq 'BIND_NOW|FLAGS_1.* NOW' <<<"$dynamic" || fail "$binary: no BIND_NOW"
    grep -q '__stack_chk_fail' <<<"$symbols" || fail "$binary: no stack protector"
    echo "hardened: PIE, RELRO, BIND_NOW, stack protector"
}

# The game's AppStream ID, after which its desktop files are named.
id=io.github.ksiezyc.ksiezyc

# The desktop entry and the AppStream metadata pass Debian's validators
# without a word, the metadata names this release, and each icon is drawn
# at the size its folder says.
check_desktop() {
    local unpacked=$1 version=$2 said png size
    said=$(desktop-file-validate "$unpacked/usr/share/applications/$id.desktop" 2>&1) ||
        fail "desktop-file-validate: $said"
    [ -z "$said" ] || fail "desktop-file-validate: $said"
    appstreamcli validate --no-net --pedantic "$unpacked/usr/share/metainfo/$id.metainfo.xml" ||
        fail "the AppStream metadata does not validate"
    grep -q "<release version=\"$version\" date=" "$unpacked/usr/share/metainfo/$id.metainfo.xml" ||
        fail "the AppStream metadata does not list release $version"
    for png in "$unpacked"/usr/share/icons/hicolor/*x*/apps/"$id.png"; do
        size=$(basename "$(dirname "$(dirname "$png")")")
        file -b "$png" | grep -q "^PNG image data, ${size/x/ x }," ||
            fail "$png is not a ${size} PNG: $(file -b "$png")"
    done
    echo "desktop: the entry, the metadata and the icons are valid"
}

check_package() {
    local deb=$1 arch unpacked file depends expected name version
    arch=$(dpkg-deb --field "$deb" Architecture)
    [[ $deb == *_"$arch".deb ]] || fail "$deb says Architecture: $arch"
    [ "$(dpkg-deb --field "$deb" Section)" = games ] || fail "$deb is not in section games"
    unpacked=$(mktemp -d)
    dpkg-deb --contents "$deb" >"$unpacked.contents"
    for file in games/ksiezyc share/man/man6/ksiezyc.6.gz share/doc/ksiezyc/copyright \
        share/doc/ksiezyc/changelog.gz "share/applications/$id.desktop" \
        "share/metainfo/$id.metainfo.xml" "share/icons/hicolor/scalable/apps/$id.svg" \
        share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256,512x512}/apps/"$id.png"; do
        grep -q " \./usr/$file\$" "$unpacked.contents" || fail "$deb lacks /usr/$file"
    done
    dpkg-deb -x "$deb" "$unpacked"
    # The manual page and the changelog name the package's own version.
    version=$(dpkg-deb --field "$deb" Version)
    zcat "$unpacked/usr/share/man/man6/ksiezyc.6.gz" | head -n 1 | grep -qF "\"ksiezyc $version\"" ||
        fail "$deb: the manual page does not name version $version"
    zcat "$unpacked/usr/share/doc/ksiezyc/changelog.gz" | head -n 1 | grep -qF "ksiezyc ($version)" ||
        fail "$deb: the changelog does not start with version $version"
    check_hardened "$unpacked/usr/games/ksiezyc"
    check_desktop "$unpacked" "$version"
    lintian --pedantic -E -I --tag-display-limit 0 --fail-on error,warning,info "$deb"
    # The README says which Raspberry Pi models the armhf package is for:
    # ARMv7 (Pi 2 and later), Debian's armhf baseline, not the ARMv6 of a Pi 1.
    if [ "$arch" = armhf ]; then
        readelf -A "$unpacked/usr/games/ksiezyc" | grep -qx '  Tag_CPU_arch: v7' ||
            fail "$deb is not built for ARMv7: $(readelf -A "$unpacked/usr/games/ksiezyc" |
                grep Tag_CPU_arch:)"
    fi
    mkdir "$unpacked/debian"
    printf 'Source: ksiezyc\n\nPackage: ksiezyc\nArchitecture: any\n' >"$unpacked/debian/control"
    expected=$(cd "$unpacked" && dpkg-shlibdeps -O usr/games/ksiezyc 2>/dev/null |
        sed -n 's/^shlibs:Depends=//p')
    depends=$(dpkg-deb --field "$deb" Depends)
    [[ -n $depends && $depends == "$expected" ]] ||
        fail "$deb has Depends: '$depends'; dpkg-shlibdeps says '$expected'"
    for name in $(transcripts); do
        play_transcript "$unpacked/usr/games/ksiezyc" "$name" "$(launcher "$arch")" >/dev/null
    done
    rm -rf "$unpacked" "$unpacked.contents"
    echo "package: $deb checked (Architecture: $arch; Depends: $depends;" \
        "played every transcript)"
}

# The players' subscription (tools/release): exactly the sources file and
# the keyring, both conffiles, and its copyright and changelog; the sources
# file names the repository's address (KSIEZYC_APT_URL) and that keyring,
# which holds the signing keys (KSIEZYC_SIGNING_KEY) exactly as GnuPG has
# them now.
check_apt_source() {
    local deb=$1 unpacked files
    unpacked=$(mktemp -d)
    dpkg-deb -x "$deb" "$unpacked"
    dpkg-deb -e "$deb" "$unpacked/DEBIAN"
    files=$(cd "$unpacked" && find etc usr -type f | sort)
    [ "$files" = "$(printf '%s\n' "${apt_keyring#/}" "${apt_sources#/}" \
        usr/share/doc/ksiezyc-apt-source/{changelog.gz,copyright})" ] ||
        fail "$deb holds other files than the sources file, the keyring and its docs:"$'\n'"$files"
    [ "$(cat "$unpacked/DEBIAN/conffiles")" = "$(printf '%s\n' "$apt_sources" "$apt_keyring")" ] ||
        fail "$deb: the sources file and the keyring are not its conffiles"
    for line in "URIs: $KSIEZYC_APT_URL" "Signed-By: $apt_keyring" "Suites: stable"; do
        grep -qxF "$line" "$unpacked$apt_sources" || fail "$deb: its sources file lacks '$line'"
    done
    # shellcheck disable=SC2086 # one fingerprint a word
    cmp "$unpacked$apt_keyring" <(gpg --batch --export --export-options export-minimal \
        $KSIEZYC_SIGNING_KEY) || fail "$deb: the keyring is not the signing keys as they are now"
    zcat "$unpacked/usr/share/doc/ksiezyc-apt-source/changelog.gz" | head -n 1 |
        grep -qF "ksiezyc ($(dpkg-deb --field "$deb" Version))" ||
        fail "$deb: the changelog does not start with its version"
    lintian --pedantic -E -I --tag-display-limit 0 --fail-on error,warning,info "$deb"
    rm -rf "$unpacked"
    echo "package: $deb checked (the sources file names $KSIEZYC_APT_URL, the keyring" \
        "$KSIEZYC_SIGNING_KEY)"
}

(($#)) || fail "usage: tests/debian/check-package.sh DEB..."
for deb in "$@"; do
    case $(dpkg-deb --field "$deb" Package) in
    ksiezyc) check_package "$deb" ;;
    ksiezyc-apt-source) check_apt_source "$deb" ;;
    *) fail "$deb is no package of ksiezyc" ;;
    esac
done
