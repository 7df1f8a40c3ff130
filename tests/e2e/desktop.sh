#!/usr/bin/env bash
# End-to-end run of Parcelon as a user meets it: real windows under an X
# server, real key presses and clicks, documents checked with catdoc.
# Usage (inside an X session, e.g. xvfb-run): desktop.sh /path/to/parcelon
set -uo pipefail

PARCELON=$(readlink -f "$1")
ROOT=$(mktemp -d /tmp/parcelon-e2e-XXXXXX)
SHOTS=${PARCELON_E2E_SHOTS:-$ROOT/shots}
mkdir -p "$SHOTS"
export HOME=$ROOT/home XDG_CONFIG_HOME=$ROOT/config XDG_CACHE_HOME=$ROOT/cache \
       XDG_RUNTIME_DIR=$ROOT/runtime TEMP=$ROOT/temp TMPDIR=$ROOT/tmp LANG=C.UTF-8
unset PARCELON_ENGINE_MODULE XDG_CURRENT_DESKTOP
for d in home config cache runtime temp tmp out; do mkdir -p "$ROOT/$d"; chmod 700 "$ROOT/$d"; done
SETTINGS=$XDG_CONFIG_HOME/Quillmark/Quillmark.conf

passed=0
failed=0
APP_PID=
WM_PID=

check() { # check "description" command...
    local what=$1
    shift
    if "$@"; then
        echo "ok - $what"
        passed=$((passed + 1))
    else
        echo "not ok - $what"
        failed=$((failed + 1))
        shot "failed-$failed"
    fi
}

shot() { import -window root "$SHOTS/$1.png" 2>/dev/null; }

wait_until() { # wait_until seconds command...
    local limit=$1
    shift
    local end=$((SECONDS + limit))
    while ((SECONDS < end)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# Visible top-level windows titled Parcelon, as "id width height x y" lines.
windows() {
    local id
    for id in $(xdotool search --onlyvisible --name '^Parcelon$' 2>/dev/null); do
        local WIDTH= HEIGHT= X= Y=
        eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null | grep -E '^(WIDTH|HEIGHT|X|Y)=')"
        [ -n "$WIDTH" ] && echo "$id $WIDTH $HEIGHT $X $Y"
    done
}
window_of_size() { windows | awk -v w="$1" -v h="$2" '$2 == w && $3 == h { print; exit }'; }
main_window() { window_of_size 536 605; }
preview_window() { window_of_size 656 626; }
has_main() { [ -n "$(main_window)" ]; }
has_preview() { [ -n "$(preview_window)" ]; }
no_main() { [ -z "$(main_window)" ]; }
no_preview() { [ -z "$(preview_window)" ]; }
# A message box: a Parcelon window that is neither of the two forms.
message_box() { windows | awk '!(($2 == 536 && $3 == 605) || ($2 == 656 && $3 == 626)) { print; exit }'; }
has_box() { [ -n "$(message_box)" ]; }
no_box() { [ -z "$(message_box)" ]; }

click() { # click window-id x y (client pixels)
    xdotool mousemove --window "$1" "$2" "$3" sleep 0.1 click 1
    sleep 0.2
}
double_click() { # double_click window-id x y
    xdotool mousemove --window "$1" "$2" "$3" sleep 0.1 click --repeat 2 --delay 150 1
    sleep 0.2
}

setting() { grep -E "^$1=" "$SETTINGS" 2>/dev/null | head -n 1 | cut -d= -f2-; }
setting_is() { [ "$(setting "$1")" = "$2" ]; }
# The offices of the program started last, found by the pipe name it gives
# them (parcelon-<program pid>-...), which they keep when they outlive it.
app_offices() { pgrep -u "$(id -u)" -f "soffice\.bin.*pipe,name=parcelon-$APP_PID-" | wc -l; }
no_offices() { [ "$(app_offices)" -eq 0 ]; }
one_office() { [ "$(app_offices)" -eq 1 ]; }
app_running() { [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; }
app_gone() { ! app_running; }

start_app() {
    "$PARCELON" >"$ROOT/app.log" 2>&1 &
    APP_PID=$!
}

box_gone() { ! windows | grep -q "^$1 "; }
dismiss_box() { # press Return on the current message box, wait until it has gone
    local box
    box=$(message_box | cut -d' ' -f1)
    [ -n "$box" ] || return 1
    xdotool windowactivate --sync "$box" 2>/dev/null
    xdotool key Return 2>/dev/null
    wait_until 10 box_gone "$box"
}

# The whole window, frame included, centred on the screen to a pixel.
frame_centred() { # frame_centred window-id
    local x y w h l=0 r=0 t=0 b=0 sw sh
    read -r x y w h <<<"$(xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF }
        /Absolute upper-left Y/ { y = $NF } /Width:/ { w = $NF } /Height:/ { h = $NF } END { print x, y, w, h }')"
    read -r l r t b <<<"$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p' | tr -d ,)"
    read -r sw sh <<<"$(xwininfo -root | awk '/Width:/ { w = $NF } /Height:/ { h = $NF } END { print w, h }')"
    local dx=$((2 * (x - ${l:-0}) + w + ${l:-0} + ${r:-0} - sw)) dy=$((2 * (y - ${t:-0}) + h + ${t:-0} + ${b:-0} - sh))
    ((${dx#-} <= 2 && ${dy#-} <= 2))
}

viewport_crop() { # viewport_crop shot.png out.png: the preview's viewport area
    local id w h x y
    read -r id w h x y <<<"$(preview_window)"
    convert "$1" -crop "622x495+$((x + 8))+$((y + 8))" +repage "$2"
}
stddev() { convert "$1" -colorspace gray -format '%[fx:standard_deviation]' info:; }
not_blank() { awk -v s="$(stddev "$1")" 'BEGIN { exit !(s > 0.02) }'; }
differ() { [ "$(compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1)" != "0" ]; }
same() { ! differ "$1" "$2"; }
count_in_doc() { LANG=C.UTF-8 catdoc -w "$1" 2>/dev/null | grep -o -- "$2" | wc -l; }
temp_docs() { find "$TEMP" -maxdepth 1 -name 'qmtemp*.doc' | sort; }
temp_holds_only_docs() { # the documents and their owner markers
    [ -z "$(find "$TEMP" -mindepth 1 -maxdepth 1 ! -name 'qmtemp*.doc' ! -name 'qmtemp*.doc.owner')" ]
}
temp_empty() { [ -z "$(find "$TEMP" -mindepth 1 -maxdepth 1)" ]; }

cleanup() {
    [ -n "$APP_PID" ] && kill -9 "$APP_PID" 2>/dev/null
    [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null
    if [ "$failed" -eq 0 ] && [ -z "${PARCELON_E2E_SHOTS:-}" ]; then rm -rf "$ROOT"; else echo "left for inspection: $ROOT"; fi
}
trap cleanup EXIT

openbox >/dev/null 2>&1 &
WM_PID=$!
sleep 0.5

# --- first start: the sample values, written to the store -----------------
start_app
check "main window shows at first start" wait_until 60 has_main
check "main window is centred with its frame" wait_until 5 frame_centred "$(main_window | cut -d' ' -f1)"
shot first-start
check "first start stores the sample recipient" setting_is Text8 "Jordan Ellery"
check "first start stores the sample sender ZIP" setting_is Text6 "03100"
check "start-up keeps one office process for the run" wait_until 15 one_office

# --- typing is stored at once and survives kill -9 ---------------------------
read -r MAIN _ <<<"$(main_window)"
click "$MAIN" 268 443 # Text8, recipient name
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 30 "Ada Lovelace"
check "each keystroke reaches the settings file" wait_until 5 setting_is Text8 "Ada Lovelace"
kill -9 "$APP_PID"
wait "$APP_PID" 2>/dev/null
check "the office dies with a killed program" wait_until 10 no_offices
start_app
check "main window shows again after kill -9" wait_until 60 has_main
check "typed value survives kill -9 and restart" setting_is Text8 "Ada Lovelace"

# --- Start Creating Template opens the preview, once for a double-click ----------
read -r MAIN _ <<<"$(main_window)"
double_click "$MAIN" 268 21
check "preview window opens" wait_until 90 has_preview
check "main window is hidden" wait_until 5 no_main
# The second click came during the work: a second generation would be running now.
sleep 2
check "the double-click left one office" one_office
check "preview window is centred with its frame" frame_centred "$(preview_window | cut -d' ' -f1)"
sleep 0.5
shot preview
read -r PREVIEW _ <<<"$(preview_window)"
DOC=$(temp_docs | head -n 1)
check "a double-click makes one document" test "$(temp_docs | wc -l)" -eq 1
check "temporary folder holds nothing but the document" temp_holds_only_docs
check "the document holds the typed recipient in all six labels" \
    test "$(count_in_doc "$DOC" "Ada Lovelace")" -eq 6
check "the document holds the sample sender in all six labels" \
    test "$(count_in_doc "$DOC" "Dana Whitcombe")" -eq 6
check "no placeholder phrase is left" test "$(count_in_doc "$DOC" "Recipient Name")" -eq 0
check "generation keeps the one office process" one_office
viewport_crop "$SHOTS/preview.png" "$ROOT/view1.png"
check "the preview shows a picture" not_blank "$ROOT/view1.png"

# --- zoom ------------------------------------------------------------------------
click "$PREVIEW" 172 557 # Zoom In
sleep 0.5
shot zoom-in
viewport_crop "$SHOTS/zoom-in.png" "$ROOT/view2.png"
check "Zoom In changes the picture" differ "$ROOT/view1.png" "$ROOT/view2.png"
click "$PREVIEW" 480 557 # Zoom Out
click "$PREVIEW" 480 557
sleep 0.5
shot zoom-out
viewport_crop "$SHOTS/zoom-out.png" "$ROOT/view3.png"
check "Zoom Out changes the picture" differ "$ROOT/view2.png" "$ROOT/view3.png"
# Impatient: four Zoom In and four Zoom Out clicks 40 ms apart come back to
# the same picture, whether a step's painting was made ahead or on the spot.
xdotool mousemove --window "$PREVIEW" 172 557 sleep 0.1 click --repeat 4 --delay 40 1
sleep 0.5
shot zoom-rapid-in
viewport_crop "$SHOTS/zoom-rapid-in.png" "$ROOT/view-in.png"
check "rapid Zoom In clicks change the picture" differ "$ROOT/view3.png" "$ROOT/view-in.png"
xdotool mousemove --window "$PREVIEW" 480 557 sleep 0.1 click --repeat 4 --delay 40 1
sleep 0.5
shot zoom-rapid
viewport_crop "$SHOTS/zoom-rapid.png" "$ROOT/view4.png"
check "rapid zoom clicks come back to the same picture" same "$ROOT/view3.png" "$ROOT/view4.png"
check "rapid zoom clicks raise no box" no_box

# --- save through the real dialog ----------------------------------------------
TARGET=$ROOT/out/labels.doc
save_as() { # save_as path [answer-overwrite]
    click "$PREVIEW" 488 603
    wait_until 15 xdotool search --onlyvisible --name '^Save File$' >/dev/null || return 1
    sleep 0.5
    xdotool type --delay 10 "$1"
    sleep 0.3
    xdotool key Return
    # A completion list that pops up over the name field takes the first Return.
    sleep 1
    if xdotool search --onlyvisible --name '^Save File$' >/dev/null 2>&1; then
        xdotool key Return
    fi
    if [ "${2:-}" = yes ]; then
        wait_until 15 has_box || return 1
        dismiss_box || return 1 # the overwrite question: Return is Yes
    fi
    wait_until 15 has_box || return 1
    dismiss_box # "Done."
}
check "save through the dialog" save_as "$TARGET"
check "the saved copy is byte-identical" cmp -s "$DOC" "$TARGET"
echo "scratch" >"$TARGET"
check "save over an existing file after the question" save_as "$TARGET" yes
check "the overwritten copy is byte-identical" cmp -s "$DOC" "$TARGET"
check "the temporary document survives saving" test -f "$DOC"

# --- back to the main window ---------------------------------------------------
click "$PREVIEW" 164 603
check "< Back shows the main window" wait_until 10 has_main
check "< Back hides the preview" wait_until 5 no_preview
check "< Back deletes the temporary document" test ! -e "$DOC"

# --- generate again, then close the preview: the program ends --------------------
read -r MAIN _ <<<"$(main_window)"
click "$MAIN" 268 21
check "preview opens a second time" wait_until 90 has_preview
read -r PREVIEW _ <<<"$(preview_window)"
xdotool windowactivate --sync "$PREVIEW" key --clearmodifiers alt+F4
check "closing the preview ends the program" wait_until 15 app_gone
check "no office process is left" wait_until 10 no_offices
check "no temporary file is left" temp_empty

# --- log-out (SIGTERM) with the preview open: ends like a close -------------------
start_app
check "main window shows for the log-out case" wait_until 60 has_main
read -r MAIN _ <<<"$(main_window)"
click "$MAIN" 268 21
check "preview opens before the log-out" wait_until 90 has_preview
kill -TERM "$APP_PID"
check "SIGTERM ends the program" wait_until 15 app_gone
check "SIGTERM leaves no temporary document" temp_empty
check "SIGTERM leaves no office process" wait_until 10 no_offices

# --- a second copy shares TEMP; a copy killed with kill -9 -------------------------
start_app
FIRST_PID=$APP_PID
check "main window shows for the two-copy case" wait_until 60 has_main
read -r MAIN _ <<<"$(main_window)"
click "$MAIN" 268 21
check "the first copy's preview opens" wait_until 90 has_preview
DOC=$(temp_docs | head -n 1)
start_app
check "a second copy starts beside it" wait_until 60 has_main
check "the second copy's start keeps the first copy's document" test -f "$DOC"
kill -TERM "$APP_PID"
check "the second copy ends" wait_until 15 app_gone
check "the first copy's document survives the second copy's end" test -f "$DOC"
APP_PID=$FIRST_PID
kill -9 "$APP_PID"
wait "$APP_PID" 2>/dev/null
check "kill -9 leaves no office process" wait_until 10 no_offices
start_app
check "main window shows after kill -9 with the preview open" wait_until 60 has_main
check "the start removes the document the killed copy left" test ! -e "$DOC"
check "... and its owner marker" temp_empty
kill -TERM "$APP_PID"
check "SIGTERM on the main window ends the program" wait_until 15 app_gone

# --- SIGTERM while a start-up report is open: the start-up ends there ------------
COPY=$ROOT/program
mkdir -p "$COPY/x"
cp "$PARCELON" "$COPY/parcelon"
printf 'QWidget { color: red;' >"$COPY/x/o.cjs" # a skin that cannot be applied
PARCELON_ENGINE_MODULE=$(dirname "$PARCELON")/parcelon-libreoffice.so "$COPY/parcelon" >"$ROOT/skin.log" 2>&1 &
APP_PID=$!
has_report() { xdotool search --onlyvisible --name '^Application Error$' >/dev/null 2>&1; }
check "a skin that cannot be applied is reported at start" wait_until 30 has_report
kill -TERM "$APP_PID"
check "SIGTERM during a start-up report ends the program" wait_until 15 app_gone
check "... and leaves no office process" no_offices

# --- no document engine: the message, then the end, before any window ------------
PARCELON_ENGINE_MODULE=/nonexistent/parcelon-libreoffice.so "$PARCELON" >"$ROOT/noengine.log" 2>&1 &
APP_PID=$!
check "without the engine a message box appears" wait_until 30 has_box
shot no-engine
check "without the engine the main window never shows" no_main
dismiss_box
check "without the engine the program ends after the message" wait_until 10 app_gone

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
