#!/usr/bin/env bash
# Makes the Debian package of a build into a temporary folder and checks its
# control fields (dpkg-deb -I) and its contents (dpkg-deb -c).
#
#   check_package.sh CPACK BUILD_DIR SOURCE_DIR
#
# Prints one line per check and exits non-zero on any failure.
# shellcheck disable=SC2016,SC2317 # bash -c '...' takes its words as $1...; check calls the helpers
set -u

if [ $# -ne 3 ]; then
    echo "usage: check_package.sh CPACK BUILD_DIR SOURCE_DIR" >&2
    exit 2
fi
cpack=$1
build=$2
source=$3

work=$(mktemp -d "${TMPDIR:-/tmp}/sorrel-package-XXXXXX")
trap 'rm -rf "$work"' EXIT

passed=0
failed=0
ok() {
    echo "ok    $1"
    passed=$((passed + 1))
}
fail() {
    echo "FAIL  $1"
    failed=$((failed + 1))
}
check() {  # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then ok "$what"; else fail "$what"; fi
}
finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
    exit
}

for tool in dpkg dpkg-deb dpkg-shlibdeps file; do
    if ! command -v "$tool" >/dev/null; then
        fail "$tool is installed (packages dpkg-dev and file)"
        finish
    fi
done

version=$(sed -n 's/^project(sorrel VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
arch=$(dpkg --print-architecture)
deb=$work/out/sorrel_${version}_${arch}.deb

# Installing into CPack's staging folder rewrites the build's
# install_manifest.txt: keep the one of the last `cmake --install`.
manifest=$build/install_manifest.txt
[ -f "$manifest" ] && cp -p "$manifest" "$work/manifest"
(cd "$work" && "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work/out") \
    >"$work/cpack.log" 2>&1
status=$?
if [ -f "$work/manifest" ]; then cp -p "$work/manifest" "$manifest"; else rm -f "$manifest"; fi
if [ $status -ne 0 ] || [ ! -f "$deb" ]; then
    cat "$work/cpack.log"
    fail "cpack -G DEB makes sorrel_${version}_${arch}.deb"
    finish
fi
ok "cpack -G DEB makes sorrel_${version}_${arch}.deb"

# The control fields.
dpkg-deb -I "$deb" >"$work/info"
field() { sed -n "s/^ $1: //p" "$work/info"; }
check "Package: sorrel" test "$(field Package)" = sorrel
check "Version: $version, the project's" test "$(field Version)" = "$version"
check "Architecture: $arch" test "$(field Architecture)" = "$arch"
check "Section: devel" test "$(field Section)" = devel
check "Priority: optional" test "$(field Priority)" = optional
check "Maintainer: a name and an address" \
    grep -qE '^ Maintainer: [^<]+ <[^@>]+@[^>]+>$' "$work/info"
check "Installed-Size: a number" grep -qE '^ Installed-Size: [0-9]+$' "$work/info"
depends=$(field Depends)
for needed in libc6 libqt6core6 libqt6widgets6 qt6-translations-l10n fonts-liberation; do
    check "Depends: $needed" grep -qE "(^|, )$needed( |,|$)" <<<"$depends"
done
check "Description: a synopsis" grep -qE '^ Description: [a-z].{9,70}$' "$work/info"
check "Description: an extended description" \
    test "$(sed -n '/^ Description: /,$p' "$work/info" | grep -c '^  [^ ]')" -ge 3
dpkg-deb --ctrl-tarfile "$deb" | tar -tvf - >"$work/control"
check "control archive: control and md5sums, rw-r--r-- root/root" \
    test "$(grep -cE '^-rw-r--r-- root/root .* \./(control|md5sums)$' "$work/control")" = 2

# The contents: path, mode, owner.
dpkg-deb -c "$deb" >"$work/list"
awk '{ print $6 }' "$work/list" >"$work/paths"
if grep -vE '^\./(usr/.*)?$' "$work/paths" >"$work/outside"; then
    cat "$work/outside"
    fail "nothing installed outside /usr"
else
    ok "nothing installed outside /usr"
fi
check "every entry owned by root/root" test -z "$(awk '$2 != "root/root"' "$work/list")"
check "every folder rwxr-xr-x" test -z "$(awk '/^d/ && $1 != "drwxr-xr-x"' "$work/list")"
has() {  # has MODE PATH
    grep -qE "^$1 root/root +[0-9]+ [0-9-]+ [0-9:]+ \./$2$" "$work/list"
}
for program in sorrel sorrel-dis; do
    check "/usr/bin/$program, rwxr-xr-x" has -rwxr-xr-x "usr/bin/$program"
done
for file in \
    share/applications/sorrel.desktop \
    share/icons/hicolor/scalable/apps/sorrel.svg \
    share/icons/hicolor/64x64/apps/sorrel.png \
    share/man/man1/sorrel.1.gz \
    share/man/man1/sorrel-dis.1.gz \
    share/sorrel/samples/header-program.bin \
    share/sorrel/samples/raw-program.bin \
    share/sorrel/samples/odd-length.bin \
    share/sorrel/samples/README.md \
    share/doc/sorrel/copyright \
    share/doc/sorrel/changelog.gz; do
    check "/usr/$file, rw-r--r--" has -rw-r--r-- "usr/$file"
done
check "no manual page left uncompressed" \
    test -z "$(grep -E '^\./usr/share/man/.*[^/]$' "$work/paths" | grep -v '\.gz$')"

# What the files hold.
root=$work/root
dpkg-deb -x "$deb" "$root"
for program in sorrel sorrel-dis; do
    check "$program is stripped" \
        bash -c 'file -b "$1" | grep -q "ELF.*, stripped"' _ "$root/usr/bin/$program"
done
check "sorrel-dis --version of the package: sorrel-dis $version" \
    test "$("$root/usr/bin/sorrel-dis" --version 2>&1)" = "sorrel-dis $version"
# gzip -9n: no file name and no time stamp in the header, best compression.
gzipped() {  # gzipped FILE: the header's flags, time stamp and extra flags
    test "$(od -An -tx1 -j3 -N6 "$1" | tr -d ' \n')" = 000000000002
}
# The pages name the samples under /usr, where the package puts them.
for page in sorrel.1 sorrel-dis.1; do
    gz=$root/usr/share/man/man1/$page.gz
    check "$page.gz: man/$page with the samples under /usr/share" \
        bash -c 'cmp -s <(gzip -dc "$1") <(sed "s|/usr/local/share/|/usr/share/|g" "$2")' \
        _ "$gz" "$source/man/$page"
    check "$page.gz: no /usr/local" bash -c '! gzip -dc "$1" | grep -q /usr/local' _ "$gz"
    check "$page.gz: no name or time stamp, best compression" gzipped "$gz"
done
check "the desktop entry as in the source" \
    cmp -s "$root/usr/share/applications/sorrel.desktop" "$source/resources/sorrel.desktop"
for f in header-program.bin raw-program.bin odd-length.bin README.md; do
    check "samples/$f as in the source" \
        cmp -s "$root/usr/share/sorrel/samples/$f" "$source/samples/$f"
done
doc=$root/usr/share/doc/sorrel
check "copyright: machine-readable, The Sorrel developers" \
    test "$(head -n 1 "$doc/copyright")" = \
    "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" \
    -a -n "$(grep '^Copyright: .*The Sorrel developers' "$doc/copyright")"
check "changelog.gz: its entry is sorrel ($version)" \
    bash -c 'gzip -dc "$1" | head -n 1 | grep -q "^sorrel ($2) "' _ "$doc/changelog.gz" "$version"
check "changelog.gz: no name or time stamp, best compression" gzipped "$doc/changelog.gz"

finish
