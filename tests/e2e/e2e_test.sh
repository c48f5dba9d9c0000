#!/usr/bin/env bash
# The real program on a real X server (Xvfb and openbox), driven with xdotool as a user drives
# it: what only a real window system shows (a stray window of the open dialog, the keyboard
# focus after a dialog, the window's title, tool tips) and the command line.
#
#   e2e_test.sh SORREL OUTPUT_DIR [SORREL_DIS]
#
# Screenshots of every scenario go to OUTPUT_DIR/screenshots, the program's output to
# OUTPUT_DIR/program-*.log. Prints one line per check and "N passed, N failed"; exits 77
# (skipped) when a tool is missing, 1 when a check failed. E2E_SCENARIOS="dialog_fast ..." runs
# only the scenarios named. SORREL_DIS (the lister beside the program's build by default) gives
# the text a saved listing must equal.
set -u

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
    echo "usage: e2e_test.sh SORREL OUTPUT_DIR [SORREL_DIS]" >&2
    exit 2
fi
sorrel=$1
out=$2
dis=${3:-$(dirname "$sorrel")/../cli/sorrel-dis}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xdrive.sh"

for tool in Xvfb openbox xdotool xclip xwininfo xprop import; do
    if ! command -v "$tool" >/dev/null; then
        echo "skip: $tool is missing (bash scripts/deps.sh xvfb openbox xdotool xclip x11-utils imagemagick)"
        exit 77
    fi
done

shots=$out/screenshots
mkdir -p "$shots"
rm -f "$shots"/*.png "$out"/program-*.log
images=$(mktemp -d "${TMPDIR:-/tmp}/sorrel-e2e-XXXXXX")
trap 'xd_stop; rm -rf "$images"' EXIT
# The program's own texts, whatever the locale of the run.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
export XDG_RUNTIME_DIR=$images/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

passed=0
failed=0
check() { # DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then
        echo "ok    $what"
        passed=$((passed + 1))
    else
        echo "FAIL  $what"
        failed=$((failed + 1))
    fi
}
equals() { # EXPECTED ACTUAL
    [ "$1" = "$2" ] && return 0
    printf '      expected: %q\n      got:      %q\n' "$1" "$2"
    return 1
}
shot() { xd_shot "$shots/$1.png"; }

# Little-endian words as an image file: words FILE HEX...
words() {
    local file=$1 w
    shift
    : >"$file"
    for w in "$@"; do printf "\\x${w:2:2}\\x${w:0:2}" >>"$file"; done
}
caption() { printf 'Sorrel Дизассемблер - [%s]' "$1"; }

# The program's visible windows other than the main one, "id<TAB>type<TAB>title".
others() {
    local w
    for w in $(xd_windows | cut -f1); do
        [ "$w" = "$XD_WIN" ] && continue
        printf '%s\t%s\t%s\n' "$w" "$(xd_type_of "$w")" "$(xd_title "$w")"
    done
}
# Waits until the program shows exactly COUNT windows besides the main one (at most SECONDS).
wait_others() { # COUNT SECONDS
    local i
    for i in $(seq $(($2 * 10))); do
        [ "$(others | grep -c .)" -eq "$1" ] && return 0
        sleep 0.1
    done
    return 1
}
no_other_window() {
    local list
    list=$(others)
    [ -z "$list" ] && return 0
    echo "      other windows of the program:"
    echo "$list" | sed 's/^/        /'
    return 1
}
# The keys go wherever the keyboard is: nothing activates the main window first. Down from the
# first row, then Ctrl+C: the second row's address is copied.
keys_copy() {
    xd_clip_clear
    xd_key "$@" ctrl+c
    xd_clip
}
start() { # LOG ARGS...: starts the program on the server with ARGS
    local log=$1
    shift
    XD_LOG=$out/program-$log.log
    xd_start "$sorrel" "$@"
}

# --- The open dialog --------------------------------------------------------------------------
# A user types the path of an existing file and presses Enter. Typed at normal speed, the
# completion list is on screen under the file name when Enter comes; typed fast, Enter comes
# before the list, which the folder's listing would open after the dialog has closed. Either
# way no window of the dialog may stay, and the grid has the keys.
open_typed() { # NAME PATH DELAY: through Ctrl+O
    local name=$1 path=$2 delay=$3 dialog
    xd_tool xdotool windowactivate --sync "$XD_WIN" >/dev/null 2>&1
    xd_key ctrl+o
    dialog=$(xd_dialog) || { check "$name: the open dialog appears" false; return 1; }
    xd_tool xdotool windowactivate --sync "$dialog" >/dev/null 2>&1
    sleep 0.5
    xd_tool xdotool key ctrl+a
    XD_TYPE_DELAY=$delay xd_type "$path"
    if [ "$delay" -gt 0 ]; then
        # The dialog and its completion list.
        check "$name: the completion list is on screen before Enter" wait_others 2 5
        shot "$name-typed"
    fi
    xd_tool xdotool key Return
    # Long enough for a late completion list to open.
    sleep 2
    if [ "$delay" -eq 0 ] && others | grep -q DIALOG; then
        # The completion list came up between the last key and Enter, and
        # Enter completed the name in it instead (the toolkit's way): the
        # dialog is still open, as after typing at normal speed. A user
        # presses Enter again; what follows is checked as before.
        echo "note  $name: the completion list came before Enter; Enter again"
        xd_tool xdotool key Return
        sleep 2
    fi
    shot "$name-loaded"
}

scenario_dialog_normal_speed() {
    echo "== the open dialog, typed at normal speed"
    local first=$images/typed.bin second=$images/again.bin
    words "$first" 8000 07E0 0001
    words "$second" 0001 0002 0003 0004
    start dialog-normal
    shot start
    check "at start: the fresh caption" equals "Sorrel Дизассемблер " "$(xd_title)"

    open_typed normal "$first" 80
    check "normal speed: no window of the dialog is left" no_other_window
    check "normal speed: the caption names the file" equals "$(caption "$first")" "$(xd_title)"
    check "normal speed: the grid has the keys (Down, Ctrl+C)" equals "0001(1)" "$(keys_copy ctrl+Home Down)"
    check "normal speed: the listing" equals \
        "$(printf '0000(0)\t1000000000000000\t\n0001(1)\t0000011111100000\t\n0002(2)\t0000000000000001\t')" \
        "$(keys_copy ctrl+a)"
    tool_tip_check after-normal

    # The completion list still works the next time.
    open_typed again "$second" 80
    check "again: no window of the dialog is left" no_other_window
    check "again: the caption names the file" equals "$(caption "$second")" "$(xd_title)"
    check "again: the grid has the keys (Down Down, Ctrl+C)" equals "0002(2)" "$(keys_copy ctrl+Home Down Down)"

    # The hints show also while another window of the program is the active one.
    xd_key ctrl+b
    check "the byte-order window is the active one" wait_for_active_other
    tool_tip_check byte-order-active
    xd_quit
}

scenario_dialog_fast() {
    echo "== the open dialog, typed fast"
    local file=$images/fast.bin
    words "$file" 07E0 8000 1234 0002
    start dialog-fast
    open_typed fast "$file" 0
    check "fast: no window of the dialog is left" no_other_window
    check "fast: the caption names the file" equals "$(caption "$file")" "$(xd_title)"
    check "fast: the grid has the keys (Down, Ctrl+C)" equals "0001(1)" "$(keys_copy ctrl+Home Down)"
    tool_tip_check after-fast
    xd_quit
}
wait_for_active_other() {
    for _ in $(seq 30); do
        local a
        a=$(xd_active)
        [ -n "$a" ] && [ "$a" != "$XD_WIN" ] && xd_windows | cut -f1 | grep -qx "$a" && return 0
        sleep 0.1
    done
    return 1
}

# --- Tool tips --------------------------------------------------------------------------------
# The pointer rests on the load button: its hint appears as a tool tip.
tool_tip_check() { # NAME
    local name=$1 tip=""
    xd_move "$XD_WIN" 200 150  # over the grid first, so that the tip is a new one
    sleep 0.5
    xd_move "$XD_WIN" 14 16    # the load button
    for _ in $(seq 40); do
        tip=$(others | awk -F '\t' '$2 == "TOOLTIP" {print $1}' | head -n 1)
        [ -n "$tip" ] && break
        sleep 0.1
    done
    shot "tooltip-$name"
    check "$name: the load button's hint shows as a tool tip" test -n "$tip"
    xd_move "$XD_WIN" 200 150
    sleep 0.3
}

# --- The command line -------------------------------------------------------------------------
scenario_command_line() {
    echo "== the command line"
    local file=$images/start.bin odd=$images/odd.bin missing=$images/missing.bin
    words "$file" 0001 0002 0003
    start command-line "$file"
    sleep 1
    shot command-line
    check "FILE: the caption names it" equals "$(caption "$file")" "$(xd_title)"
    check "FILE: no other window" no_other_window
    check "FILE: the grid has the keys at start (Down, Ctrl+C)" equals "0001(1)" "$(keys_copy ctrl+Home Down)"
    check "FILE: the listing" equals \
        "$(printf '0000(0)\t0000000000000001\t\n0001(1)\t0000000000000010\t\n0002(2)\t0000000000000011\t')" \
        "$(keys_copy ctrl+a)"
    check "FILE: nothing on standard error" test ! -s "$XD_LOG"
    xd_quit

    # A relative name, of odd length: the warning, then the listing.
    printf '\x00\x80\x07' >"$odd"
    cd "$images" || return 1
    start command-line-odd odd.bin
    cd - >/dev/null || return 1
    check "odd FILE: the warning is shown" wait_others 1 5
    shot command-line-odd-warning
    check "odd FILE: the warning's title" equals "Предкпреждение" "$(others | cut -f3)"
    xd_key Return
    check "odd FILE: the warning closes" wait_others 0 5
    check "odd FILE: the caption names it by its full path" equals "$(caption "$odd")" "$(xd_title)"
    check "odd FILE: the grid has the keys after the warning" equals "0000(0)" "$(keys_copy ctrl+Home)"
    xd_quit

    start command-line-missing "$missing"
    sleep 1
    shot command-line-missing
    check "missing FILE: the message on standard error" equals \
        "sorrel: cannot open '$missing': No such file or directory" "$(cat "$XD_LOG")"
    check "missing FILE: the fresh caption" equals "Sorrel Дизассемблер " "$(xd_title)"
    check "missing FILE: no other window" no_other_window
    # No listing: Ctrl+C has nothing to copy and leaves the clipboard as it was (emptied here).
    check "missing FILE: the fresh listing, nothing to copy" equals "" "$(keys_copy ctrl+a)"
    xd_quit
}

# --- A caption with "[*]" ---------------------------------------------------------------------
scenario_placeholder_caption() {
    echo "== a path with [*] in the caption"
    local file=$images/'a[*]b.bin'
    words "$file" 8000
    start placeholder "$file"
    sleep 1
    shot placeholder-caption
    check "the caption shows [*] as it is in the path" equals "$(caption "$file")" "$(xd_title)"
    xd_quit
}

# --- Ctrl+S: the listing through the save dialog ---------------------------------------------
# Waits until FILE exists (at most SECONDS).
wait_file() { # FILE SECONDS
    local i
    for i in $(seq $(($2 * 10))); do
        [ -e "$1" ] && return 0
        sleep 0.1
    done
    return 1
}
# Waits until the main window's title is TITLE (at most SECONDS).
wait_title() { # TITLE SECONDS
    local i
    for i in $(seq $(($2 * 20))); do
        [ "$(xd_title)" = "$1" ] && return 0
        sleep 0.05
    done
    return 1
}
# The names in a folder, hidden ones included, one a line.
names() { ls -A "$1"; }

scenario_save_listing() {
    echo "== Ctrl+S: the listing saved through the save dialog"
    local file=$images/save.bin folder=$images/saved target dialog
    target=$folder/listing.txt
    mkdir -p "$folder"
    words "$file" 8000 07E0 0001 1234 0002
    start save "$file"
    sleep 1
    xd_tool xdotool windowactivate --sync "$XD_WIN" >/dev/null 2>&1
    xd_key ctrl+s
    dialog=$(xd_dialog) || { check "save: the save dialog appears" false; xd_quit; return 1; }
    check "save: the dialog's title" equals "Сохранить листинг" "$(xd_title "$dialog")"
    xd_tool xdotool windowactivate --sync "$dialog" >/dev/null 2>&1
    sleep 0.5
    shot save-dialog
    xd_tool xdotool key ctrl+a
    XD_TYPE_DELAY=40 xd_type "$target"
    xd_tool xdotool key Return
    check "save: the file is written" wait_file "$target" 10
    # Long enough for a late completion list to open.
    sleep 2
    shot save-done
    check "save: the file is sorrel-dis's listing" cmp "$target" <("$dis" "$file")
    check "save: nothing else in the folder" equals "listing.txt" "$(names "$folder")"
    check "save: no window of the dialog is left" no_other_window
    check "save: the grid has the keys (Down, Ctrl+C)" equals "0001(1)" "$(keys_copy ctrl+Home Down)"
    check "save: the caption is the image's" equals "$(caption "$file")" "$(xd_title)"
    xd_quit
}

# --- Esc cancels a load -----------------------------------------------------------------------
scenario_cancel_load() {
    echo "== Esc cancels the load of a large file"
    local small=$images/small.bin large=$images/large.bin dialog
    words "$small" 0001 0002 0003
    # 3 GiB of zeros that take no disk; reading them takes a while.
    truncate -s 3G "$large"
    start cancel-load "$small"
    sleep 1
    xd_tool xdotool windowactivate --sync "$XD_WIN" >/dev/null 2>&1
    xd_key ctrl+o
    dialog=$(xd_dialog) || { check "cancel: the open dialog appears" false; xd_quit; return 1; }
    xd_tool xdotool windowactivate --sync "$dialog" >/dev/null 2>&1
    sleep 0.5
    xd_tool xdotool key ctrl+a
    xd_type "$large"
    xd_tool xdotool key Return
    # The caption names the file as soon as its read begins.
    check "cancel: the read begins" wait_title "$(caption "$large")" 5
    shot cancel-load-reading
    xd_key Escape
    check "cancel: the caption names the listed file again" wait_title "$(caption "$small")" 5
    sleep 0.5
    shot cancel-load-cancelled
    check "cancel: no other window" no_other_window
    check "cancel: the listing is unchanged" equals \
        "$(printf '0000(0)\t0000000000000001\t\n0001(1)\t0000000000000010\t\n0002(2)\t0000000000000011\t')" \
        "$(keys_copy ctrl+a)"
    rm -f "$large"
    xd_quit
}


if ! xd_server; then
    echo "FAIL  the X server and the window manager start"
    exit 1
fi
# E2E_SCENARIOS picks some by name.
for scenario in ${E2E_SCENARIOS:-dialog_normal_speed dialog_fast command_line placeholder_caption \
    save_listing cancel_load}; do
    "scenario_$scenario"
done

echo "screenshots: $shots"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
