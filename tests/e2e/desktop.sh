#!/usr/bin/env bash
# End-to-end run of Parcelon as a user meets it: real windows under an X
# server, real key presses and clicks, documents checked with catdoc.
# Usage (inside an X session, e.g. xvfb-run): desktop.sh /path/to/parcelon [drag-source]
# (drag-source: tests/e2e/DragSource.cpp built; without it no list is dropped)
set -uo pipefail

PARCELON=$(readlink -f "$1")
DRAG=${2:-}
E2E_NAME=parcelon-e2e
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
APP_PID=
WM_PID=

# Visible top-level windows titled Parcelon, as "id width height x y" lines.
windows() {
    local id
    for id in $(xdotool search --onlyvisible --name '^Parcelon$' 2>/dev/null); do
        local WIDTH= HEIGHT= X= Y=
        eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null | grep -E '^(WIDTH|HEIGHT|X|Y)=')"
        [ -n "$WIDTH" ] && echo "$id $WIDTH $HEIGHT $X $Y"
    done
}
# The id of a window, read only once it shows (waits up to 15 s; empty when
# it never does): `FUNCTION [arguments]` prints it as its first word.
await() {
    local out end=$((SECONDS + 15))
    while ((SECONDS < end)); do
        out=$("$@")
        [ -n "$out" ] && { echo "${out%% *}"; return 0; }
        sleep 0.1
    done
    return 1
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
    wait_until 15 has_preview || return 1
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

# The windows of a list's preview, titled by the sheet shown, and dialogs by title.
list_preview() { xdotool search --onlyvisible --name '^Parcelon - sheet' 2>/dev/null | head -n 1; }
list_title_is() { local id; id=$(list_preview); [ -n "$id" ] && [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1" ]; }
dialog() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1; }
has_dialog() { [ -n "$(dialog "$1")" ]; }
no_dialog() { [ -z "$(dialog "$1")" ]; }
type_into_dialog() { # type_into_dialog title text: the file name of an open or save dialog, then Return
    wait_until 15 has_dialog "$1" || return 1
    sleep 0.5
    xdotool type --delay 10 "$2"
    sleep 0.3
    xdotool key Return
    # A completion list that pops up over the name field takes the first Return.
    sleep 1
    if has_dialog "$1"; then xdotool key Return; fi
    wait_until 10 no_dialog "$1"
}
print_to_file() { # print_to_file path: the print dialog's PDF printer, every page
    wait_until 15 has_dialog Print || return 1
    sleep 0.5
    xdotool key alt+f ctrl+a
    xdotool type --delay 10 "$1"
    xdotool key Return
    wait_until 30 test -s "$1"
}
# The label (1..6) of every word of a PDF, as "page label word" lines.
word_labels() {
    pdftotext -bbox "$1" - 2>/dev/null | awk '
        /<page / { page++ }
        /<word / {
            match($0, /xMin="[0-9.]+"/); x = substr($0, RSTART + 6, RLENGTH - 7) + 0
            match($0, /yMin="[0-9.]+"/); y = substr($0, RSTART + 6, RLENGTH - 7) + 0
            w = $0; sub(/.*">/, "", w); sub(/<\/word>.*/, "", w)
            col = x >= 312.75 ? 1 : 0; row = int((y - 36) / 240)
            if (x >= 11.25 && x < 600.75 && y >= 36 && row < 3) print page, row * 2 + col + 1, w
        }'
}
# Where a label of a page holds ink: its bounding box at 30 dpi, or "blank".
label_ink() { # label_ink file.pdf page label
    local pgm=$ROOT/ink.pgm c=$((($3 - 1) % 2)) r=$((($3 - 1) / 2))
    pdftoppm -r 30 -gray -f "$2" -l "$2" -singlefile "$1" "${pgm%.pgm}" || return 1
    convert "$pgm" -crop "120x100+$((c ? 130 : 5))+$((15 + r * 100))" +repage -threshold 80% -negate \
        -format '%[fx:mean>0?1:0] %@' info: 2>/dev/null | awk '{ print ($1 == 1 ? $2 : "blank") }'
}
pdf_pages() { pdfinfo "$1" 2>/dev/null | awk '/^Pages:/ { print $2 }'; }
# Every label of every page inked as on the reference, to a pixel at 30 dpi.
same_labels() { # same_labels printed.pdf reference.pdf
    local page label a b
    [ "$(pdf_pages "$1")" = "$(pdf_pages "$2")" ] || return 1
    for ((page = 1; page <= $(pdf_pages "$2"); page++)); do
        for label in 1 2 3 4 5 6; do
            a=$(label_ink "$1" "$page" "$label")
            b=$(label_ink "$2" "$page" "$label")
            [ "$a" = blank ] || [ "$b" = blank ] || a=$(awk -v a="$a" -v b="$b" 'BEGIN {
                split(a, p, /[x+]/); split(b, q, /[x+]/); ok = 1
                for (i = 1; i <= 4; i++) if (p[i] - q[i] > 1 || q[i] - p[i] > 1) ok = 0
                print ok ? b : a }')
            [ "$a" = "$b" ] || { echo "page $page label $label: $a, expected $b"; return 1; }
        done
    done
}

cleanup() {
    [ -n "$APP_PID" ] && kill -9 "$APP_PID" 2>/dev/null
    [ -n "${DRAG_PID:-}" ] && kill "$DRAG_PID" 2>/dev/null
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
MAIN=$(await main_window)
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
MAIN=$(await main_window)
double_click "$MAIN" 268 21
check "preview window opens" wait_until 90 has_preview
check "main window is hidden" wait_until 5 no_main
# The second click came during the work: a second generation would be running now.
sleep 2
check "the double-click left one office" one_office
check "preview window is centred with its frame" frame_centred "$(await preview_window)"
sleep 0.5
shot preview
PREVIEW=$(await preview_window)
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

# --- an address list: a Shopify orders export from label 4, one copy each ----------
# Ten orders, two with a second item row (skipped); "ShopperNN" names each.
LIST=$ROOT/out/orders_export.csv
{
    printf 'Name,Email,Financial Status,Lineitem quantity,Lineitem name,Shipping Name,Shipping Street,'
    printf 'Shipping Address1,Shipping Address2,Shipping Company,Shipping City,Shipping Zip,Shipping Province,'
    printf 'Shipping Country,Shipping Phone\r\n'
    for k in 01 02 03 04 05 06 07 08 09 10; do
        printf '#10%s,buyer%s@shop.example,paid,1,Mug,Ann Shopper%s,%s Market St,%s Market St,,,Portland,041%s,ME,US,\r\n' \
            "$k" "$k" "$k" "$k" "$k" "$k"
        case $k in 02 | 05) printf '#10%s,,,1,Spoon,,,,,,,,,,\r\n' "$k" ;; esac
    done
} >"$LIST"
MAIN=$(await main_window)
xdotool windowactivate --sync "$MAIN" key --clearmodifiers ctrl+o
check "Ctrl+O opens the list" type_into_dialog "Open Address List" "$LIST"
# The skipped item rows are counted in the dialog itself, not in a box before it.
check "a dialog asks where on the sheet" wait_until 15 has_dialog "Where on the Sheet"
xdotool key 4 # label 4, the sheet's picture has the focus
sleep 0.3
shot where-on-the-sheet
xdotool key Return
check "the list's preview shows sheet 1 of 3" wait_until 90 list_title_is "Parcelon - sheet 1 of 3"
check "the main window is hidden for the list" wait_until 5 no_main
LISTVIEW=$(await list_preview)
xdotool windowactivate --sync "$LISTVIEW"
list_crop() { # list_crop out.png: the list preview's viewport now
    local X= Y=
    eval "$(xdotool getwindowgeometry --shell "$LISTVIEW" | grep -E '^(X|Y)=')"
    import -window root "$ROOT/shot.png" && convert "$ROOT/shot.png" -crop "622x495+$((X + 8))+$((Y + 8))" +repage "$1"
}
sleep 0.5
list_crop "$SHOTS/list-sheet-1.png"
xdotool key Next
check "Page Down shows sheet 2" wait_until 5 list_title_is "Parcelon - sheet 2 of 3"
sleep 0.5
list_crop "$SHOTS/list-sheet-2.png"
check "sheet 2 is another picture" differ "$SHOTS/list-sheet-1.png" "$SHOTS/list-sheet-2.png"
xdotool key Next Next
check "Page Down stops at the last sheet" wait_until 5 list_title_is "Parcelon - sheet 3 of 3"
xdotool key Prior Prior
check "Page Up goes back to sheet 1" wait_until 5 list_title_is "Parcelon - sheet 1 of 3"
sleep 0.5
list_crop "$ROOT/again-1.png"
check "sheet 1 shows as before" same "$SHOTS/list-sheet-1.png" "$ROOT/again-1.png"

xdotool key --clearmodifiers ctrl+p
check "Ctrl+P prints the list to a PDF printer" print_to_file "$ROOT/out/printed.pdf"
xdotool windowactivate --sync "$LISTVIEW" key --clearmodifiers ctrl+shift+s
check "Ctrl+Shift+S saves the list as a PDF" type_into_dialog "Save as PDF" "$ROOT/out/saved.pdf"
check "... and says Done." wait_until 15 has_box
dismiss_box
click "$LISTVIEW" 488 603
check "Save Results To Word File saves the list" type_into_dialog "Save File" "$ROOT/out/list.doc"
check "... and says Done." wait_until 15 has_box
dismiss_box
expected_labels() { # orders 1..10 from label 4: "page label ShopperNN"
    local k slot
    for ((k = 1; k <= 10; k++)); do
        slot=$((3 + k - 1))
        printf '%d %d Shopper%02d\n' $((slot / 6 + 1)) $((slot % 6 + 1)) "$k"
    done
}
check "the saved PDF has every recipient on its label" \
    test "$(word_labels "$ROOT/out/saved.pdf" | grep Shopper | sort)" = "$(expected_labels | sort)"
check "the printed pages have three sheets" test "$(pdf_pages "$ROOT/out/printed.pdf")" = 3
check "the printed labels lie where the saved PDF has them" same_labels "$ROOT/out/printed.pdf" "$ROOT/out/saved.pdf"
check "the saved Word file holds every recipient once" test "$(count_in_doc "$ROOT/out/list.doc" Shopper)" -eq 10
click "$LISTVIEW" 164 603
check "< Back from the list shows the main window" wait_until 10 has_main
check "... with the typed recipient unchanged" setting_is Text8 "Ada Lovelace"
check "... and leaves nothing of the list behind" wait_until 10 temp_empty

# --- "< Back" while a long list's sheets are being made --------------------------------
BIG=$ROOT/out/big.csv
{
    echo "recipient_name,recipient_street,recipient_city,recipient_state,recipient_zip"
    seq 1 6000 | awk '{ printf "Person %d,%d Long Avenue,Dayton,OH,45402\n", $1, $1 }'
} >"$BIG"
MAIN=$(await main_window)
xdotool windowactivate --sync "$MAIN" key --clearmodifiers ctrl+o
check "a long list opens" type_into_dialog "Open Address List" "$BIG"
check "... and asks where on the sheet" wait_until 15 has_dialog "Where on the Sheet"
xdotool key Return
making() { [ -n "$(list_preview)" ] && xdotool getwindowname "$(list_preview)" | grep -Eq 'making the sheets|writing the [0-9]+ sheets'; }
check "its first sheet shows while the others are being made" wait_until 60 making
shot list-making
click "$(await list_preview)" 164 603
check "< Back while making shows the main window" wait_until 10 has_main
check "... stops the work and leaves no file" wait_until 10 temp_empty
check "... and no office but the one of the run" wait_until 10 one_office

# --- a list file dropped on the main window ----------------------------------------
if [ -n "$DRAG" ]; then
    "$DRAG" "$LIST" >/dev/null 2>&1 &
    DRAG_PID=$!
    wait_until 15 has_dialog "drag source"
    MAIN=$(await main_window)
    xdotool mousemove --window "$(await dialog "drag source")" 80 50 mousedown 1 sleep 0.3 \
        mousemove --window "$MAIN" 260 300 sleep 0.3 mousemove --window "$MAIN" 268 310 sleep 0.3 mouseup 1
    check "a dropped list is read and asks where on the sheet" wait_until 15 has_dialog "Where on the Sheet"
    xdotool key Escape
    check "cancelling that makes nothing" wait_until 5 no_dialog "Where on the Sheet"
    check "... and keeps the main window" has_main
    kill "$DRAG_PID" 2>/dev/null
    DRAG_PID=
fi

# --- generate again, then close the preview: the program ends --------------------
MAIN=$(await main_window)
click "$MAIN" 268 21
check "preview opens a second time" wait_until 90 has_preview
PREVIEW=$(await preview_window)

# --- one label on a used sheet: Ctrl+L, label 6 ------------------------------------
xdotool windowactivate --sync "$PREVIEW" key --clearmodifiers ctrl+l
check "Ctrl+L asks where on the sheet" wait_until 15 has_dialog "Where on the Sheet"
xdotool key 6 Return
check "Ctrl+L prints to a PDF printer" print_to_file "$ROOT/out/one-label.pdf"
check "the printed page has ink on label 6 only" test "$(for l in 1 2 3 4 5 6; do
    label_ink "$ROOT/out/one-label.pdf" 1 "$l"
done | tr '\n' ' ' | sed 's/[0-9x+]\{5,\}/ink/g')" = "blank blank blank blank blank ink "
xdotool windowactivate --sync "$PREVIEW" key --clearmodifiers alt+F4
check "closing the preview ends the program" wait_until 15 app_gone
check "no office process is left" wait_until 10 no_offices
check "no temporary file is left" temp_empty

# --- a list named on the command line, as a file manager's "Open With" starts it ---
"$PARCELON" "$LIST" >"$ROOT/open-with.log" 2>&1 &
APP_PID=$!
check "a list named on the command line is read at start and asks where on the sheet" \
    wait_until 60 has_dialog "Where on the Sheet"
xdotool windowactivate --sync "$(dialog "Where on the Sheet")" key Return
check "... and shows its ten addresses from label 1 on two sheets" wait_until 90 list_title_is "Parcelon - sheet 1 of 2"
shot open-with
kill -TERM "$APP_PID"
check "... and ends on SIGTERM" wait_until 15 app_gone
check "... leaving no office process" wait_until 10 no_offices

# --- log-out (SIGTERM) with the preview open: ends like a close -------------------
start_app
check "main window shows for the log-out case" wait_until 60 has_main
MAIN=$(await main_window)
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
MAIN=$(await main_window)
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
