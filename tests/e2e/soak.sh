#!/usr/bin/env bash
# Soak run of Parcelon as a user works with it for a while: clicks on
# "Start Creating Template" and "< Back", and address lists opened in the
# window (100 rows, and 6,000 rows = 1,000 sheets), for N minutes. Prints the
# resident memory of the program and of its offices as it goes: the program's
# own should level off after a warm-up, the office that makes a list's PDF
# stay under 256 MB. Not part of the test suite (it takes minutes).
# Usage (inside an X session, e.g.
#   xvfb-run -a -s "-screen 0 1280x1024x24" sh -c 'openbox & sleep 1; tests/e2e/soak.sh build/bin/parcelon 20'):
#   soak.sh /path/to/parcelon [minutes] [big list every N cycles]
set -uo pipefail

PARCELON=$(readlink -f "$1")
MINUTES=${2:-20}
BIG_EVERY=${3:-3}
E2E_NAME=parcelon-soak
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
# On a busy machine the office may take longer than its usual 30 s for one
# call on 1,000 sheets; the soak is about memory, not that limit.
export PARCELON_ENGINE_CALL_TIMEOUT_MS=${PARCELON_ENGINE_CALL_TIMEOUT_MS:-300000}

window_of_size() { # the visible window titled Parcelon of that client size
    local id
    for id in $(xdotool search --onlyvisible --name '^Parcelon$' 2>/dev/null); do
        xdotool getwindowgeometry "$id" 2>/dev/null | grep -q "Geometry: $1x$2" && { echo "$id"; return 0; }
    done
    return 1
}
main_window() { window_of_size 536 605; }
preview_window() { window_of_size 656 626; }
has_main() { [ -n "$(main_window)" ]; }
has_preview() { [ -n "$(preview_window)" ]; }
list_preview() { xdotool search --onlyvisible --name '^Parcelon - sheet' 2>/dev/null | head -n 1; }
list_done() { # the list preview's title without "making" or "writing"
    local id
    id=$(list_preview)
    [ -n "$id" ] && xdotool getwindowname "$id" 2>/dev/null | grep -q "^Parcelon - sheet [0-9]* of $1\$"
}
# A message box: a window titled Parcelon that is neither of the two forms.
message_box() {
    local id
    for id in $(xdotool search --onlyvisible --name '^Parcelon$' 2>/dev/null); do
        xdotool getwindowgeometry "$id" 2>/dev/null | grep -Eq 'Geometry: (536x605|656x626)$' || { echo "$id"; return 0; }
    done
    return 1
}
has_box() { [ -n "$(message_box)" ]; }
dismiss_box() {
    xdotool windowactivate --sync "$(message_box)" key Return 2>/dev/null
    sleep 0.5
}
list_ends() { list_done "$1" || has_box; }
dialog() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1; }
has_dialog() { [ -n "$(dialog "$1")" ]; }
no_dialog() { [ -z "$(dialog "$1")" ]; }
click() { # click window-id x y
    xdotool mousemove --window "$1" "$2" "$3" click 1
}

rss_mb() { awk '/^VmRSS/ { printf "%d", $2 / 1024 }' "/proc/$1/status" 2>/dev/null || echo 0; }
offices() { pgrep -u "$(id -u)" -f "soffice\.bin.*pipe,name=parcelon-$APP_PID-"; }

# Samples every half second: the program, the largest office and how many
# run, into a log the report reads.
sample() {
    local pid biggest count mb
    while kill -0 "$APP_PID" 2>/dev/null; do
        biggest=0
        count=0
        for pid in $(offices); do
            mb=$(rss_mb "$pid")
            count=$((count + 1))
            ((mb > biggest)) && biggest=$mb
        done
        echo "$SECONDS $(rss_mb "$APP_PID") $biggest $count" >>"$ROOT/samples"
        sleep 0.5
    done
}

make_list() { # make_list file rows
    {
        echo "recipient_name,recipient_street,recipient_city,recipient_state,recipient_zip"
        seq 1 "$2" | awk '{ printf "Person %d,%d Long Avenue,Dayton,OH,45402\n", $1, $1 }'
    } >"$1"
}
SMALL=$ROOT/out/small.csv
BIG=$ROOT/out/big.csv
make_list "$SMALL" 100
make_list "$BIG" 6000

"$PARCELON" >"$ROOT/app.log" 2>&1 &
APP_PID=$!
wait_until 60 has_main || { echo "the main window never showed"; exit 1; }
sample &
SAMPLER=$!

clicks=0
lists=0
failures=0
open_list() { # open_list file sheets
    local main
    main=$(main_window) || return 1
    xdotool windowactivate --sync "$main" key --clearmodifiers ctrl+o
    wait_until 15 has_dialog "Open Address List" || return 1
    sleep 0.3
    xdotool type --delay 5 "$1"
    xdotool key Return
    sleep 0.5
    has_dialog "Open Address List" && xdotool key Return # a completion list took the first Return
    wait_until 15 has_dialog "Where on the Sheet" || return 1
    xdotool key Return
    local start=$SECONDS
    wait_until 900 list_ends "$2" || return 1
    if has_box; then # the list failed: the box says why
        echo "list of $2 sheets failed after $((SECONDS - start)) s" | tee -a "$ROOT/events" >&2
        dismiss_box
        wait_until 30 has_main
        return 1
    fi
    local peak
    peak=$(awk -v from="$start" '$1 >= from && $3 > peak { peak = $3 } END { print peak + 0 }' "$ROOT/samples")
    echo "list of $2 sheets: $((SECONDS - start)) s, office peak $peak MB" | tee -a "$ROOT/events" >&2
    xdotool key Next Next Prior
    sleep 0.3
    click "$(list_preview)" 164 603
    wait_until 30 has_main
}
one_click() {
    local main
    main=$(main_window) || return 1
    click "$main" 268 21
    wait_until 60 has_preview || { has_box && dismiss_box; return 1; }
    sleep 0.3
    click "$(preview_window)" 164 603
    wait_until 30 has_main
}

echo "minute program_MB office_MB office_peak_MB offices clicks lists"
END=$((SECONDS + MINUTES * 60))
next_report=60
cycle=0
report() {
    awk -v from=$((next_report - 60)) -v to="$next_report" -v clicks="$clicks" -v lists="$lists" '
        $1 >= from && $1 < to { app = $2; office = $3; n = $4; if ($3 > peak) peak = $3 }
        END { printf "%6d %11d %9d %14d %7d %6d %5d\n", to / 60, app, office, peak, n, clicks, lists }' \
        "$ROOT/samples"
}
while ((SECONDS < END)); do
    cycle=$((cycle + 1))
    for _ in 1 2 3 4 5; do
        one_click && clicks=$((clicks + 1)) || failures=$((failures + 1))
    done
    if ((cycle % BIG_EVERY == 0)); then
        open_list "$BIG" 1000 && lists=$((lists + 1)) || failures=$((failures + 1))
    else
        open_list "$SMALL" 17 && lists=$((lists + 1)) || failures=$((failures + 1))
    fi
    while ((SECONDS >= next_report)); do
        report
        next_report=$((next_report + 60))
    done
    if ((failures > 5)); then
        echo "stopped: $failures steps did not complete (see $ROOT)"
        break
    fi
done
kill -TERM "$APP_PID"
wait "$APP_PID" 2>/dev/null
kill "$SAMPLER" 2>/dev/null
echo "$clicks clicks, $lists lists, $failures steps that did not complete"
# The office's peak during each 1,000-sheet list.
awk '{ if ($3 > peak) peak = $3 } END { printf "office peak over the run: %d MB\n", peak }' "$ROOT/samples"
echo "samples: $ROOT/samples (seconds, program MB, largest office MB, offices)"
