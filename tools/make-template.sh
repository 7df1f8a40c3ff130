#!/bin/sh
# Regenerates resources/template.dot (the Word 97-2003 label template compiled
# into Parcelon) from its readable source resources/template.fodt.
#
#   tools/make-template.sh [source.fodt [target.dot]]
#
# Runs LibreOffice headless in a throwaway profile of its own, so it neither
# touches the user's profile nor hands the work to an office already running,
# and leaves no office process behind.
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
source=${1:-$repo/resources/template.fodt}
target=${2:-$repo/resources/template.dot}
soffice=${SOFFICE:-/usr/lib/libreoffice/program/soffice}

[ -r "$source" ] || { echo "make-template: cannot read $source" >&2; exit 1; }

work=$(mktemp -d /tmp/parcelon-template.XXXXXX)
group=""
cleanup() {
    # The office runs in a process group of its own; end whatever is left of it.
    if [ -n "$group" ]; then
        kill -KILL -- "-$group" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT INT TERM HUP

cp "$source" "$work/template.fodt"
mkdir "$work/out" "$work/tmp"

convert() {
    # setsid: a new process group whose id is the shell's pid, recorded so
    # that cleanup can reach the office and any child it leaves running.
    LC_ALL=C.UTF-8 TMPDIR="$work/tmp" setsid sh -c '
        echo $$ > "$1/group"
        exec timeout -k 5 120 "$2" --headless --norestore --nologo --nolockcheck \
            "-env:UserInstallation=file://$1/profile" \
            "--infilter=OpenDocument Text Flat XML" --convert-to "dot:MS Word 97 Vorlage" --outdir "$1/out" "$1/template.fodt"
    ' sh "$work" "$soffice" > "$work/log" 2>&1 &
    wait $! || status=$?
    group=$(cat "$work/group" 2>/dev/null || true)
    kill -KILL -- "-$group" 2>/dev/null || true
    group=""
}

# A first start on an empty profile may only set the profile up and exit (81):
# try again, a few times at most.
for attempt in 1 2 3; do
    status=0
    convert
    [ -s "$work/out/template.dot" ] && break
done

if [ ! -s "$work/out/template.dot" ]; then
    echo "make-template: LibreOffice did not write the template (exit $status):" >&2
    cat "$work/log" >&2
    exit 1
fi

# A Word 97-2003 file is an OLE compound file: check its signature.
magic=$(head -c 8 "$work/out/template.dot" | od -An -tx1 | tr -d ' \n')
if [ "$magic" != "d0cf11e0a1b11ae1" ]; then
    echo "make-template: the result is not an OLE compound file" >&2
    exit 1
fi

cp "$work/out/template.dot" "$target.new"
mv "$target.new" "$target"
echo "make-template: wrote $target ($(wc -c < "$target") bytes)"
