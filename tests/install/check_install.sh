#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks what lands there.
#
#   check_install.sh CMAKE BUILD_DIR SOURCE_DIR
#
# BINDIR, DATADIR and MANDIR (relative, as configured) default to bin, share
# and share/man. Prints one line per check and exits non-zero on any failure.
set -u

if [ $# -ne 3 ]; then
    echo "usage: check_install.sh CMAKE BUILD_DIR SOURCE_DIR" >&2
    exit 2
fi
cmake=$1
build=$2
source=$3
bindir=${BINDIR:-bin}
datadir=${DATADIR:-share}
mandir=${MANDIR:-share/man}

work=$(mktemp -d "${TMPDIR:-/tmp}/sorrel-install-XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

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

if ! "$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
    cat "$work/install.log"
    fail "cmake --install into a temporary prefix"
    echo "$passed passed, $failed failed"
    exit 1
fi
ok "cmake --install into a temporary prefix"

# Nothing may be installed outside the prefix.
if grep -v "^$prefix/" "$build/install_manifest.txt" >"$work/outside"; then
    cat "$work/outside"
    fail "every installed file lies under the prefix"
else
    ok "every installed file lies under the prefix"
fi

# The programs: executable, their libraries found.
for program in sorrel sorrel-dis; do
    path=$prefix/$bindir/$program
    check "$bindir/$program is an executable file" test -f "$path" -a -x "$path"
    if ldd "$path" >"$work/ldd" 2>&1 && ! grep -q "not found" "$work/ldd"; then
        ok "$program finds its shared libraries"
    else
        cat "$work/ldd"
        fail "$program finds its shared libraries"
    fi
done

# The desktop entry starts the installed program and names the installed icon.
desktop=$prefix/$datadir/applications/sorrel.desktop
check "$datadir/applications/sorrel.desktop exists" test -f "$desktop"
value() { sed -n "s/^$1=//p" "$desktop" 2>/dev/null | head -n 1; }
check "desktop entry: Type=Application" test "$(value Type)" = Application
check "desktop entry: Exec=sorrel %f, the installed program given the chosen file" \
    test "$(value Exec)" = "sorrel %f" -a -x "$prefix/$bindir/sorrel"
check "desktop entry: Icon=sorrel" test "$(value Icon)" = sorrel
check "desktop entry: Terminal=false" test "$(value Terminal)" = false
check "desktop entry: Name and Name[ru]" \
    test "$(value Name)" = "Sorrel Disassembler" -a "$(value 'Name\[ru\]')" = "Sorrel Дизассемблер"
if command -v desktop-file-validate >/dev/null; then
    check "desktop-file-validate accepts the entry" desktop-file-validate "$desktop"
else
    echo "skip  desktop-file-validate (desktop-file-utils not installed)"
fi

icons=$prefix/$datadir/icons/hicolor
check "scalable icon apps/sorrel.svg is an SVG" grep -q "<svg" "$icons/scalable/apps/sorrel.svg"
png=$icons/64x64/apps/sorrel.png
# PNG signature, then the IHDR chunk: width and height as 32-bit big-endian.
check "64x64 icon apps/sorrel.png is a 64 by 64 PNG" \
    test "$(od -An -tx1 -j0 -N24 "$png" 2>/dev/null | tr -d ' \n')" = \
    "89504e470d0a1a0a0000000d494844520000004000000040"

# The manual pages, and that they render without warnings.
for page in sorrel.1 sorrel-dis.1; do
    manpage=$prefix/$mandir/man1/$page
    check "$mandir/man1/$page exists" test -f "$manpage"
    if command -v groff >/dev/null; then
        groff -ww -z -man "$manpage" >"$work/groff" 2>&1
        if [ $? -eq 0 ] && [ ! -s "$work/groff" ]; then
            ok "$page renders without warnings"
        else
            cat "$work/groff"
            fail "$page renders without warnings"
        fi
    else
        echo "skip  groff (not installed)"
    fi
done

# The example images, as committed.
samples=$prefix/$datadir/sorrel/samples
for f in header-program.bin raw-program.bin odd-length.bin README.md; do
    check "$datadir/sorrel/samples/$f as in the source" cmp -s "$samples/$f" "$source/samples/$f"
done

# The installed program's command line: --help and --version need no display.
gui=$prefix/$bindir/sorrel
nodisplay() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"; }
nodisplay "$gui" --help >"$work/help.out" 2>"$work/help.err"
check "sorrel --help: exit 0, the usage on standard output, without a display" \
    test $? -eq 0 -a ! -s "$work/help.err" -a "$(head -n 1 "$work/help.out")" = "Usage: sorrel [--raw] [FILE]"
nodisplay "$gui" --version >"$work/version.out" 2>&1
check "sorrel --version: exit 0, the version, without a display" \
    test $? -eq 0 -a "$(cat "$work/version.out")" = "sorrel $(sed -n 's/^project(sorrel VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")"
# Every usage error is found without a display, the toolkit's own options
# (-platform ...) passed over.
for wrong in "--bogus" "-platform offscreen -x" "a.bin b.bin" "--raw"; do
    # shellcheck disable=SC2086 # the words of one case
    nodisplay timeout 20 "$gui" $wrong >"$work/wrong.out" 2>"$work/wrong.err"
    check "sorrel $wrong: exit 2, the usage on standard error, without a display" \
        test $? -eq 2 -a ! -s "$work/wrong.out" -a -n "$(grep -x 'Usage: sorrel \[--raw\] \[FILE\]' "$work/wrong.err")"
done

# The installed lister runs: --help, and the samples listed as they should be.
dis=$prefix/$bindir/sorrel-dis
check "sorrel-dis --help exits 0 with the usage" \
    bash -c '"$1" --help | grep -q "^Usage: sorrel-dis"' _ "$dis"
"$dis" "$samples/header-program.bin" >"$work/header.txt" 2>"$work/header.err"
check "sorrel-dis lists header-program.bin" test $? -eq 0 -a ! -s "$work/header.err"
"$dis" --raw "$samples/raw-program.bin" >"$work/raw.txt" 2>"$work/raw.err"
check "sorrel-dis --raw lists raw-program.bin" test $? -eq 0 -a ! -s "$work/raw.err"
check "the header's 256 rows come first, undecoded" \
    test "$(head -n 256 "$work/header.txt" | grep -c $'^[0-9A-F]\\{4\\}([0-9]*)\t[01]\\{16\\}\t$')" = 256
check "the program part lists as the raw image" \
    cmp -s <(tail -n +257 "$work/header.txt") "$work/raw.txt"
check "the program starts with 'jmp  0002h' at 0000h" \
    test "$(head -n 1 "$work/raw.txt")" = $'0000h\t1000000000000010\tjmp  0002h'
"$dis" --raw "$samples/odd-length.bin" >"$work/odd.txt" 2>"$work/odd.err"
check "odd-length.bin: listed, exit 0" test $? -eq 0 -a "$(wc -l <"$work/odd.txt")" -eq 5
check "odd-length.bin: a warning on standard error" grep -q "odd-length.bin" "$work/odd.err"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
