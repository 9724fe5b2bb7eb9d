#!/usr/bin/env bash
# exit_bench.sh [BUILD_DIR] [RUNS] - times how long the program takes to end after Ctrl+X,
# under Xvfb without a window manager and under openbox, on an inventory of 5 records and
# one of 100,000. Each figure is the median of RUNS starts (default 5), from the key press
# to the end of the process. Needs xdotool and openbox (apt-get install xdotool openbox).
set -u
export LC_ALL=C
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=$(readlink -f "${1:-$HERE/../build/default}")
RUNS=${2:-5}
APP=$BUILD/src/stowkeep
BATCH=$BUILD/src/stowkeep-batch
[ -x "$APP" ] && [ -x "$BATCH" ] || { echo "build stowkeep and stowkeep-batch in $BUILD first" >&2; exit 2; }
for tool in Xvfb xdotool openbox; do
    command -v "$tool" >/dev/null || { echo "$tool is missing" >&2; exit 2; }
done
WORK=$(mktemp -d /tmp/stowkeep_exit.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$WORK"' EXIT
DISPLAY_NUMBER=${STOWKEEP_BENCH_DISPLAY:-:77}

now_ms() { echo $(( ${EPOCHREALTIME/./} / 1000 )); }

# one_exit HOME: starts the program, waits for its window, presses Ctrl+X in it and prints
# the milliseconds until the process has ended (or "hang" after 10 s).
one_exit() {
    local home=$1
    HOME=$home "$APP" >/dev/null 2>&1 &
    local pid=$! win= t0
    for _ in $(seq 100); do
        win=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -1)
        [ -n "$win" ] && break
        sleep 0.05
    done
    sleep 0.5 # let the first screen settle, as a user would look at it
    xdotool windowactivate --sync "$win" >/dev/null 2>&1 || xdotool windowfocus --sync "$win"
    t0=$(now_ms)
    xdotool key --clearmodifiers ctrl+x
    while kill -0 "$pid" 2>/dev/null; do
        if [ $(( $(now_ms) - t0 )) -gt 10000 ]; then
            kill "$pid"
            echo hang
            return
        fi
        sleep 0.002
    done
    echo $(( $(now_ms) - t0 ))
}

# The median of the runs, or "hang" when any run hung: a hang is never averaged away.
median() {
    tr ' ' '\n' | sort -n | awk '/hang/ { hung = 1 } { a[NR] = $1 }
        END { print (hung ? "hang" : NR ? a[int((NR + 1) / 2)] : "-") }'
}

# home_with RECORDS: a home whose settings open an inventory of RECORDS records, tips off.
home_with() {
    local home=$WORK/home$1
    mkdir -p "$home/.config/stowkeep" "$home/.local/share/stowkeep"
    "$BATCH" --data-dir "$home/.local/share/stowkeep" generate "$home/.local/share/stowkeep/MASTER.DBF" "$1" >/dev/null ||
        exit 1
    printf '[Misc]\r\nShow Tips=No\r\nLast Database=%s\r\n' "$home/.local/share/stowkeep/MASTER.DBF" \
        >"$home/.config/stowkeep/STOWKP.INI"
    echo "$home"
}

Xvfb "$DISPLAY_NUMBER" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
export DISPLAY=$DISPLAY_NUMBER
sleep 1
SMALL=$(home_with 5)
LARGE=$(home_with 100000)
printf '%-22s %12s %14s\n' "window manager" "5 records" "100,000 records"
for wm in none openbox; do
    wm_pid=
    if [ "$wm" = openbox ]; then
        openbox >/dev/null 2>&1 &
        wm_pid=$!
        sleep 1
    fi
    small=() large=()
    for _ in $(seq "$RUNS"); do
        small+=("$(one_exit "$SMALL")")
        large+=("$(one_exit "$LARGE")")
    done
    printf '%-22s %9s ms %11s ms   (each run: %s | %s)\n' "$wm" \
        "$(echo "${small[*]}" | median)" "$(echo "${large[*]}" | median)" "${small[*]}" "${large[*]}"
    [ -n "$wm_pid" ] && kill "$wm_pid" && wait "$wm_pid" 2>/dev/null
done
