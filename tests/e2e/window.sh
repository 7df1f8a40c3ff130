#!/usr/bin/env bash
# The window as a desktop program, end to end: a dark theme, input during a
# slow click, the viewport's keys, wheel, drags and bars, the save's "Done.",
# a large scale on a small screen, drops and the dialogs' details.
# Real windows under Xvfb with openbox, real input through xdotool.
# Usage (inside an X session, e.g. xvfb-run): window.sh /path/to/parcelon /path/to/drag-source
set -uo pipefail

PARCELON=$(readlink -f "$1")
DRAG=$2
E2E_NAME=parcelon-window
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
unset QT_QPA_PLATFORMTHEME GTK_THEME QT_SCALE_FACTOR
APP_PID= WM_PID= DRAG_PID=
named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
has_named() { [ -n "$(named "$1")" ]; }
no_named() { [ -z "$(named "$1")" ]; }
window_sized() { # the visible Parcelon window of that client size
    local id
    for id in $(xdotool search --onlyvisible --name '^Parcelon' 2>/dev/null); do
        xwininfo -id "$id" | awk -v w="$1" -v h="$2" -v id="$id" \
            '/Width:/ { W = $NF } /Height:/ { H = $NF } END { if (W == w && H == h) print id }'
    done | head -n 1
}
preview_window() { window_sized 656 626; }
has_main() { [ -n "$(window_sized 536 605)" ]; }
has_preview() { [ -n "$(preview_window)" ]; }
no_main() { [ -z "$(window_sized 536 605)" ]; }
# A message box: a window titled Parcelon that is neither of the two forms.
boxes() {
    local id
    for id in $(xdotool search --onlyvisible --name '^Parcelon$' 2>/dev/null); do
        xwininfo -id "$id" | awk -v id="$id" '/Width:/ { W = $NF } /Height:/ { H = $NF }
            END { if (!((W == 536 && H == 605) || (W == 656 && H == 626))) print id }'
    done
}
has_box() { [ -n "$(boxes)" ]; }
no_box() { [ -z "$(boxes)" ]; }
dismiss_box() {
    local box
    box=$(boxes | head -n 1)
    [ -n "$box" ] || return 1
    xdotool windowactivate --sync "$box" key Return 2>/dev/null
    wait_until 10 no_box
}
setting() { grep -E "^$1=" "$SETTINGS" 2>/dev/null | head -n 1 | cut -d= -f2-; }
setting_is() { [ "$(setting "$1")" = "$2" ]; }
click() { # click window x y
    xdotool mousemove --window "$1" "$2" "$3" sleep 0.1 click 1
    sleep 0.3
}
origin() { # origin window: its client area's top-left on the screen
    xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF } END { print x, y }'
}
crop() { # crop window x y w h out.png: part of its client area, now
    local x=0 y=0
    [ -n "$1" ] && read -r x y <<<"$(origin "$1")"
    import -window root "$ROOT/screen.png" 2>/dev/null
    convert "$ROOT/screen.png" -crop "$4x$5+$((x + $2))+$((y + $3))" +repage "$6"
}
view() { crop "$PREVIEW" 10 10 618 491 "$1"; } # the viewport's inner area
differ() { [ "$(compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1)" != "0" ]; }
same() { ! differ "$1" "$2"; }
# Luminance spread (0..1) of an image: a caption on its ground gives a wide one.
spread() { convert "$1" -colorspace gray -format '%[fx:maxima-minima]' info:; }
legible() { awk -v s="$(spread "$1")" 'BEGIN { exit !(s > 0.5) }'; }
flat() { awk -v s="$(convert "$1" -colorspace gray -format '%[fx:standard_deviation]' info:)" 'BEGIN { exit !(s < 0.01) }'; }
app_running() { [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; }
app_gone() { ! app_running; }
office_pids() { pgrep -u "$(id -u)" -f "soffice\.bin.*pipe,name=parcelon-$APP_PID-"; }
start_app() { # start_app [env assignments...]
    env "$@" "$PARCELON" >>"$ROOT/app.log" 2>&1 &
    APP_PID=$!
}
stop_app() {
    [ -n "$APP_PID" ] && kill -TERM "$APP_PID" 2>/dev/null
    wait_until 15 app_gone
    APP_PID=
}
cleanup() {
    [ -n "$APP_PID" ] && kill -9 "$APP_PID" 2>/dev/null
    [ -n "$DRAG_PID" ] && kill "$DRAG_PID" 2>/dev/null
    [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null
    if [ "$failed" -eq 0 ] && [ -z "${PARCELON_E2E_SHOTS:-}" ]; then rm -rf "$ROOT"; else echo "left for inspection: $ROOT"; fi
}
trap cleanup EXIT

openbox >/dev/null 2>&1 &
WM_PID=$!
sleep 0.5

# --- a dark desktop theme: every caption stands out from its ground ----------------
if [ -n "$(find /usr/lib -path '*qt6/plugins/platformthemes/libqgtk3.so' 2>/dev/null | head -n 1)" ]; then
    start_app QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark
    check "the window starts under a dark theme" wait_until 90 has_main
    MAIN=$(window_sized 536 605)
fi
if [ -n "${MAIN:-}" ]; then
    sleep 0.5
    shot dark-main
    crop "$MAIN" 200 12 136 18 "$ROOT/start.png"
    check "dark theme: Start Creating Template is legible" legible "$ROOT/start.png"
    crop "$MAIN" 200 46 136 18 "$ROOT/help.png"
    check "dark theme: Help is legible" legible "$ROOT/help.png"
    crop "$MAIN" 16 78 120 12 "$ROOT/frame.png"
    check "dark theme: a frame's caption is legible" legible "$ROOT/frame.png"
    crop "$MAIN" 40 112 200 18 "$ROOT/field.png"
    check "dark theme: a field's text is legible" legible "$ROOT/field.png"
    click "$MAIN" 268 21
    check "dark theme: the preview opens" wait_until 90 has_preview
    PREVIEW=$(preview_window)
    sleep 0.5
    shot dark-preview
    crop "$PREVIEW" 100 550 140 16 "$ROOT/zoomin.png"
    check "dark theme: Zoom In is legible" legible "$ROOT/zoomin.png"
fi
if [ -z "${MAIN:-}" ]; then
    echo "# no Qt GTK platform theme installed: the dark theme is left to the unit test"
fi
stop_app

# --- input while a click runs is dropped, not applied later behind the preview ---------
start_app
check "the main window shows" wait_until 90 has_main
MAIN=$(window_sized 536 605)
click "$MAIN" 268 443 # Text8
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 20 "Ada Lovelace"
check "typing is stored" wait_until 5 setting_is Text8 "Ada Lovelace"
# A slow office: held still for three seconds from the click on.
for pid in $(office_pids); do kill -STOP "$pid"; done
xdotool mousemove --window "$MAIN" 268 21 click 1
sleep 0.3
xdotool type --delay 20 "QQQ"
xdotool mousemove --window "$MAIN" 400 55 click 1 # Load Sample/Example Data
sleep 2.5
for pid in $(office_pids); do kill -CONT "$pid"; done
check "the preview opens after the slow click" wait_until 90 has_preview
PREVIEW=$(preview_window)
sleep 1
# Either would have changed the recipient's name: "Ada LovelaceQQQ" or the sample's.
check "keys and a click on the sample button during the click changed no field" setting_is Text8 "Ada Lovelace"
check "... and raised no box" no_box
shot preview-after-slow-click

# --- focus, keys, wheel, drags and bars in the preview ---------------------------------
view "$ROOT/at1.png"
xdotool key Return
sleep 0.5
view "$ROOT/at125.png"
check "the preview opens with the focus on Zoom In: Return zooms" differ "$ROOT/at1.png" "$ROOT/at125.png"
click "$PREVIEW" 480 557 # back to 1.0
crop "$PREVIEW" 30 504 580 14 "$ROOT/hbar-off.png"
check "a disabled bar shows no thumb" flat "$ROOT/hbar-off.png"
view "$ROOT/fit-before.png"
xdotool mousemove --window "$PREVIEW" 200 200 mousedown 1 mousemove --window "$PREVIEW" 60 120 sleep 0.2 \
    mousemove --window "$PREVIEW" 20 100 mouseup 1
sleep 0.3
view "$ROOT/fit-after.png"
check "a page that fits is not moved by a drag" same "$ROOT/fit-before.png" "$ROOT/fit-after.png"
# The page's right edge: its rightmost column that is not white is a line, not the end of a word.
page_edge() {
    convert "$1" -crop 618x300+0+20 +repage -colorspace gray -scale '618x1!' -depth 8 txt:- |
        awk -F'[(),]' 'NR > 1 && $0 !~ /#FFFFFF/ { last = $(NF - 1) } END { exit !(last != "" && last + 0 < 200) }'
}
check "the page's edge is drawn" page_edge "$ROOT/fit-after.png"
shot page-edge
# The empty part of the viewport: no tip promising a drag or a menu there.
xdotool mousemove --window "$PREVIEW" 520 300 sleep 2
view "$ROOT/empty-hover.png"
check "no tip over the empty part of the viewport" same "$ROOT/fit-after.png" "$ROOT/empty-hover.png"

for _ in 1 2 3 4 5 6; do click "$PREVIEW" 172 557; done # 2.0, then 2.25 would reach the cap
view "$ROOT/at2.png"
click "$PREVIEW" 172 557
view "$ROOT/cap.png"
check "Zoom In at the cap does nothing, however often" same "$ROOT/at2.png" "$ROOT/cap.png"
click "$PREVIEW" 480 557
view "$ROOT/at175.png"
check "Zoom Out from the cap goes one step back" differ "$ROOT/at2.png" "$ROOT/at175.png"
click "$PREVIEW" 172 557
crop "$PREVIEW" 8 503 622 17 "$ROOT/hbar-before.png"
xdotool mousemove --window "$PREVIEW" 400 300 mousedown 1 mousemove --window "$PREVIEW" 300 250 sleep 0.2 \
    mousemove --window "$PREVIEW" 200 200 sleep 0.2
crop "$PREVIEW" 8 503 622 17 "$ROOT/hbar-dragging.png"
xdotool mouseup 1
check "the bar follows the drag while the button is held" differ "$ROOT/hbar-before.png" "$ROOT/hbar-dragging.png"
xdotool mousemove --window "$PREVIEW" 100 300 mousedown 1 mousemove --window "$PREVIEW" 10 300 sleep 0.2 \
    mousemove --window "$PREVIEW" 5 300 sleep 0.2 mouseup 1 # to the far right
sleep 0.3
view "$ROOT/far.png"
click "$PREVIEW" 622 511 # the bar's right arrow
view "$ROOT/far-arrow.png"
check "after a drag to the far right the bar's arrow does not jump back" same "$ROOT/far.png" "$ROOT/far-arrow.png"
shot dragged-far
xdotool mousemove --window "$PREVIEW" 300 250 click 4 sleep 0.3 # wheel up
view "$ROOT/wheel.png"
check "the wheel scrolls the picture" differ "$ROOT/far-arrow.png" "$ROOT/wheel.png"
xdotool keydown shift click 4 keyup shift
sleep 0.3
view "$ROOT/shift-wheel.png"
check "Shift+wheel scrolls it sideways" differ "$ROOT/wheel.png" "$ROOT/shift-wheel.png"
xdotool key Down
sleep 0.3
view "$ROOT/key.png"
check "an arrow key pans the focused picture by a visible step" differ "$ROOT/shift-wheel.png" "$ROOT/key.png"
xdotool keydown ctrl click 5 keyup ctrl
sleep 0.5
view "$ROOT/ctrl-wheel.png"
check "Ctrl+wheel zooms" differ "$ROOT/key.png" "$ROOT/ctrl-wheel.png"
shot after-wheel

# --- "Done." only when a file was written ----------------------------------------------
click "$PREVIEW" 488 603
check "the save dialog opens" wait_until 15 has_named '^Save File$'
xdotool key Escape
wait_until 5 no_named '^Save File$'
sleep 1.5
check "a cancelled save says nothing" no_box
click "$PREVIEW" 488 603
wait_until 15 has_named '^Save File$'
sleep 0.5
xdotool type --delay 10 "$ROOT/out/labels.doc"
xdotool key Return
sleep 1
has_named '^Save File$' && xdotool key Return
check "a written copy says Done." wait_until 15 has_box
check "the Done. box is wide enough for its title" \
    test "$(xwininfo -id "$(boxes | head -n 1)" | awk '/Width:/ { print $NF }')" -ge 200
shot done-box
dismiss_box
check "the copy was written" test -s "$ROOT/out/labels.doc"

# --- back, the sample data and Ctrl+Z ----------------------------------------------------
click "$PREVIEW" 164 603
check "< Back shows the main window" wait_until 10 has_main
MAIN=$(window_sized 536 605)
click "$MAIN" 400 55
check "Load Sample/Example Data fills the fields" wait_until 5 setting_is Text8 "Jordan Ellery"
click "$MAIN" 268 443
xdotool key --clearmodifiers ctrl+z
check "Ctrl+Z takes the typed addresses back" wait_until 5 setting_is Text8 "Ada Lovelace"

# --- Help: one box, the address on one line ----------------------------------------------
click "$MAIN" 136 55
check "Help opens its box" wait_until 10 has_box
sleep 0.3
shot help-box
dismiss_box

# --- drops: a copy, and refused while a list's sheets are made ---------------------------
LIST=$ROOT/out/list.csv
{
    echo "recipient_name,recipient_street,recipient_city,recipient_state,recipient_zip"
    seq 1 6000 | awk '{ printf "Person %d,%d Long Avenue,Dayton,OH,45402\n", $1, $1 }'
} >"$LIST"
"$DRAG" "$LIST" move >/dev/null 2>&1 &
DRAG_PID=$!
wait_until 15 has_named '^drag source'
SOURCE=$(named '^drag source')
drop_on() { # drop_on window x y
    xdotool mousemove --window "$SOURCE" 80 50 mousedown 1 sleep 0.3 mousemove --window "$1" "$2" "$(($3 - 10))" \
        sleep 0.3 mousemove --window "$1" "$2" "$3" sleep 0.3 mouseup 1
}
drop_on "$MAIN" 268 300
check "a dropped list is taken as a copy" wait_until 10 has_named '^drag source: copied$'
check "the dropped file is still there" test -s "$LIST"
check "... and asks where on the sheet" wait_until 15 has_named '^Where on the Sheet$'
DIALOG=$(named '^Where on the Sheet$')
# 99 copies of 6,000 addresses: refused in the dialog, with the reason.
xdotool key Tab ctrl+a
xdotool type "99"
sleep 0.3
shot where-too-many
xdotool key Return
sleep 1
check "the dialog keeps open on an impossible choice" has_named '^Where on the Sheet$'
xdotool key Escape
wait_until 5 no_named '^Where on the Sheet$'
sleep 0.5
check "cancelling it leaves the focus on the main window" test "$(xdotool getactivewindow)" = "$MAIN"
xdotool windowactivate --sync "$MAIN" key --clearmodifiers ctrl+o
wait_until 15 has_named '^Open Address List$'
sleep 0.5
xdotool type --delay 10 "$LIST"
xdotool key Return
sleep 1
[ -n "$(named '^Open Address List$')" ] && xdotool key Return
wait_until 15 has_named '^Where on the Sheet$'
xdotool key Return
making() { [ -n "$(named '^Parcelon - sheet 1 of 1000 \(')" ]; }
check "the list's first sheet shows while the rest are made" wait_until 60 making
shot list-making
LISTVIEW=$(named '^Parcelon - sheet')
drop_on "$LISTVIEW" 300 250
check "a drop while the sheets are made is refused to the source" \
    wait_until 10 has_named '^drag source: refused$'
check "... without a box" no_box
xdotool windowactivate --sync "$LISTVIEW" key --clearmodifiers ctrl+l
check "Ctrl+L on a list says why it does not print the typed address" wait_until 10 has_box
shot ctrl-l-on-list
dismiss_box
kill "$DRAG_PID" 2>/dev/null
DRAG_PID=
stop_app

# --- a broken pointer file: one report for both windows ---------------------------------
COPY=$ROOT/program
mkdir -p "$COPY"
cp "$PARCELON" "$COPY/parcelon"
head -c 300 /dev/urandom >"$COPY/HAND-M.CUR"
PARCELON_ENGINE_MODULE=$(dirname "$PARCELON")/parcelon-libreoffice.so "$COPY/parcelon" >>"$ROOT/app.log" 2>&1 &
APP_PID=$!
reports() { xdotool search --onlyvisible --name '^Application Error$' 2>/dev/null | wc -l; }
has_report() { [ "$(reports)" -ge 1 ]; }
check "a broken pointer file is reported" wait_until 30 has_report
xdotool key Return
sleep 3
check "... once" test "$(reports)" -eq 0
stop_app

# --- twice the scale on a 1280 x 1024 screen: the title bar stays reachable -------------
start_app QT_SCALE_FACTOR=2
scaled_main() { [ -n "$(window_sized 1072 1210)" ]; }
check "at twice the scale the window shows" wait_until 90 scaled_main
MAIN=$(window_sized 1072 1210)
shot scale-2
read -r X Y <<<"$(origin "${MAIN:-0}")"
check "... with its title bar and top-left corner on the screen" test "${X:--1}" -ge 0 -a "${Y:--1}" -ge 10
stop_app

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
