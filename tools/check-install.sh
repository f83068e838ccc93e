#!/usr/bin/env bash
# Installs Ventaro into a throwaway prefix and checks what a desktop and a
# distribution see: the binaries with their manual pages, each package's
# copyright file and changelog, a valid desktop entry, valid AppStream data
# that points at that entry, and icons of the right sizes. Exits non-zero on
# any fault.
#
#   tools/check-install.sh [BUILD_DIR]
#
# BUILD_DIR defaults to build under the repository root, the directory the
# test command already builds; it is configured (Release) if it has no CMake
# cache yet, and brought up to date either way.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
app_id=io.github.ventaro.Ventaro

# The validators are only needed here, so the everyday dependency list
# stays lean and this script fetches them itself.
need=()
command -v desktop-file-validate >/dev/null || need+=(desktop-file-utils)
command -v appstreamcli >/dev/null || need+=(appstream)
command -v lexgrog >/dev/null || need+=(man-db)
command -v dpkg-parsechangelog >/dev/null || need+=(dpkg-dev)
# Debian's own interpreter, where python3-debian lives, whatever else PATH
# puts first.
debian_python=/usr/bin/python3
"$debian_python" -c 'import debian.copyright' 2>/dev/null || need+=(python3-debian)
if [[ ${#need[@]} -gt 0 ]]; then
    if [[ "$(id -u)" -eq 0 ]]; then as_root=(); else as_root=(sudo); fi
    "${as_root[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

failures=0
fail() {
    echo "check-install: FAIL: $*" >&2
    failures=$((failures + 1))
}

if [[ ! -f "$build/CMakeCache.txt" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$build" -j2

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The program component alone must be installable without the tools.
cmake --install "$build" --component program --prefix "$work/program" >/dev/null
[[ -x "$work/program/bin/ventaro" ]] || fail "the program component lacks bin/ventaro"
for tool in ventaro-sample-server ventaro-pagecheck; do
    [[ ! -e "$work/program/bin/$tool" ]] || fail "the program component also installs $tool"
    [[ ! -e "$work/program/share/man/man1/$tool.1.gz" ]] || fail "the program component also installs $tool(1)"
done
for doc in copyright changelog.gz; do
    [[ -f "$work/program/share/doc/ventaro/$doc" ]] || fail "the program component lacks share/doc/ventaro/$doc"
done

# With VENTARO_BUILD_TOOLS=OFF there are no tools to install; the icons
# are rendered either way.
tools_built=yes
if grep -q '^VENTARO_BUILD_TOOLS:BOOL=OFF' "$build/CMakeCache.txt"; then
    tools_built=no
    echo "check-install: VENTARO_BUILD_TOOLS is OFF; expecting no tools"
fi

prefix="$work/full"
cmake --install "$build" --prefix "$prefix" >/dev/null
binaries=(ventaro)
[[ $tools_built == no ]] || binaries+=(ventaro-sample-server ventaro-pagecheck)
for binary in "${binaries[@]}"; do
    [[ -x "$prefix/bin/$binary" ]] || fail "bin/$binary is not installed"
done
[[ ! -e "$prefix/bin/ventaro-render-icon" ]] || fail "the build-time icon renderer got installed"

# True when the gzip file was made with -n: no file name stored (FLG bit 3)
# and no time stamp (MTIME, bytes 4 to 7), so its bytes are reproducible.
gzip_without_stamp() {
    local header
    header="$(od -An -tu1 -N8 "$1" | tr -s ' ' | sed 's/^ //')"
    read -r id1 id2 _ flags m0 m1 m2 m3 <<<"$header"
    [[ $id1 == 31 && $id2 == 139 && $((flags & 8)) == 0 && "$m0$m1$m2$m3" == 0000 ]]
}

echo "== manual pages"
for binary in "$prefix"/bin/*; do
    name="$(basename "$binary")"
    page="$prefix/share/man/man1/$name.1.gz"
    if [[ ! -f "$page" ]]; then
        fail "bin/$name has no manual page at share/man/man1/$name.1.gz"
        continue
    fi
    gzip -t "$page" || fail "$name.1.gz is not a sound gzip file"
    gzip_without_stamp "$page" || fail "$name.1.gz carries a file name or time stamp"
    # lexgrog reads the NAME line as apropos and whatis will.
    if ! whatis="$(lexgrog "$page" 2>&1)"; then
        fail "$name(1) has no NAME line that whatis can read"
    elif [[ "$whatis" != *": \"$name - "* ]]; then
        fail "$name(1)'s NAME line does not name $name: $whatis"
    fi
    # man reports roff mistakes only as warnings on standard error.
    warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)"
    [[ -z "$warnings" ]] || fail "$name(1) has formatting warnings: $warnings"
done

echo "== copyright and changelog"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
newest_release="$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$root/desktop/$app_id.metainfo.xml" | head -n 1)"
[[ "$newest_release" == "$version" ]] ||
    fail "the newest release in the AppStream data is '$newest_release', not the version $version"
packages=(ventaro)
[[ $tools_built == no ]] || packages+=(ventaro-tools)
for package in "${packages[@]}"; do
    docs="$prefix/share/doc/$package"
    if [[ ! -f "$docs/copyright" ]]; then
        fail "no copyright file at share/doc/$package/copyright"
    else
        # Debian's machine-readable format, strictly parsed; every licence
        # named needs its text, and the MIT text must be the LICENSE file's.
        "$debian_python" - "$docs/copyright" "$root/LICENSE" <<'PYTHON' || fail "share/doc/$package/copyright is not sound"
import sys
from debian.copyright import Copyright

with open(sys.argv[1], encoding="utf-8") as f:
    copyright = Copyright(f, strict=True)
texts = {p.license.synopsis: p.license.text for p in copyright.all_license_paragraphs()}
problems = []
files = list(copyright.all_files_paragraphs())
if not any(p.files == ("*",) for p in files):
    problems.append("no Files: * paragraph")
for p in files:
    if not (p.license.text or texts.get(p.license.synopsis)):
        problems.append(f"licence {p.license.synopsis} of {' '.join(p.files)} has no text")
    if not p.copyright:
        problems.append(f"{' '.join(p.files)} has no Copyright field")
with open(sys.argv[2], encoding="utf-8") as f:
    licence = f.read()
permission = licence[licence.find("Permission is hereby granted"):]
if " ".join(texts.get("MIT", "").split()) != " ".join(permission.split()):
    problems.append("the MIT licence text differs from LICENSE")
for problem in problems:
    print(f"check-install: {sys.argv[1]}: {problem}", file=sys.stderr)
sys.exit(1 if problems else 0)
PYTHON
    fi
    changelog="$docs/changelog.gz"
    if [[ ! -f "$changelog" ]]; then
        fail "no changelog at share/doc/$package/changelog.gz"
    else
        gzip_without_stamp "$changelog" || fail "share/doc/$package/changelog.gz carries a file name or time stamp"
        # A release without its changelog entry shows up as an older version.
        logged="$(dpkg-parsechangelog -l "$changelog" -S Version)" ||
            fail "share/doc/$package/changelog.gz does not parse"
        [[ "$logged" == "$version" ]] ||
            fail "the newest changelog entry of $package is '$logged', not the version $version"
    fi
done

desktop="$prefix/share/applications/$app_id.desktop"
metainfo="$prefix/share/metainfo/$app_id.metainfo.xml"

echo "== desktop-file-validate $desktop"
if [[ ! -f "$desktop" ]]; then
    fail "no desktop entry at share/applications/$app_id.desktop"
else
    # Errors make the validator exit non-zero; warnings only print, but a
    # warning is something a desktop may act on, so it fails here too.
    status=0
    out="$(desktop-file-validate "$desktop" 2>&1)" || status=$?
    [[ -z "$out" ]] || echo "$out"
    if [[ $status -ne 0 ]] || grep -qE ': (error|warning):' <<<"$out"; then
        fail "desktop-file-validate reported errors or warnings"
    fi

    exec_line="$(sed -n 's/^Exec=//p' "$desktop")"
    exec_binary="${exec_line%% *}"
    [[ -x "$prefix/bin/$exec_binary" ]] || fail "Exec=$exec_line names no installed binary"
    icon="$(sed -n 's/^Icon=//p' "$desktop")"
    [[ "$icon" == "$app_id" ]] || fail "Icon=$icon does not match the application id $app_id"
fi

echo "== appstreamcli validate --no-net $metainfo"
if [[ ! -f "$metainfo" ]]; then
    fail "no AppStream data at share/metainfo/$app_id.metainfo.xml"
else
    # Without --strict the validator fails on errors and warnings but lets
    # informational notes through.
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate failed"
    # Checking the installed tree also confirms that the launchable names a
    # desktop entry that really got installed next to it.
    appstreamcli validate-tree --no-net "$prefix" || fail "appstreamcli validate-tree failed"
fi

echo "== icons"
icons="$prefix/share/icons/hicolor"
[[ -s "$icons/scalable/apps/$app_id.svg" ]] || fail "no scalable icon"
for size in 16 22 24 32 48 64 128 256; do
    png="$icons/${size}x${size}/apps/$app_id.png"
    if [[ ! -s "$png" ]]; then
        fail "no ${size}x${size} icon"
        continue
    fi
    # Width and height are the big-endian words at bytes 16 and 20 of
    # a PNG (inside the IHDR chunk, which always comes first).
    read -r signature < <(od -An -tx1 -N8 "$png" | tr -d ' \n'; echo)
    read -r width height < <(od -An -tu1 -j16 -N8 "$png" |
        awk '{ print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }')
    if [[ "$signature" != 89504e470d0a1a0a ]]; then
        fail "${size}x${size} icon is not a PNG"
    elif [[ "$width" != "$size" || "$height" != "$size" ]]; then
        fail "${size}x${size} icon is ${width}x${height}"
    fi
done

if [[ $failures -gt 0 ]]; then
    echo "check-install: $failures check(s) failed" >&2
    exit 1
fi
echo "check-install: all install checks passed"
