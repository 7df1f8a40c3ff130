#!/usr/bin/env bash
# Installs what Parcelon needs on Debian 12 and is not installed yet (the
# packages debian/control names):
#   tools/install-deps.sh                 to build and run it
#   tools/install-deps.sh test            ... and to run the tests
#   tools/install-deps.sh test package    ... and to build and check the .deb
# With everything in place it runs no apt-get at all (works offline). Runs
# apt-get as root, through sudo when started by another user.
set -euo pipefail

# The packages come from debian/control, the one list: its Build-Depends
# (those marked <!nocheck> only for the tests) and what the package depends
# on at run time. build-essential is what Debian takes for granted there.
control=$(dirname "$0")/../debian/control
# Prints a field's entries one a line, "a|b" for alternatives, without
# versions, without substitutions, with " test" after those for the tests.
control_entries() {
    awk -v field="$1" '
        /^#/ { next }
        index($0, field ":") == 1 { on = 1; print substr($0, length(field) + 2); next }
        on && /^[ \t]/ { print; next }
        { on = 0 }' "$control" | tr '\n' ' ' | tr ',' '\n' | sed -E '
        /\$\{/d
        s/<!nocheck>/@/g
        s/\([^)]*\)|\[[^]]*\]|<[^>]*>//g
        s/ //g
        /^debhelper-compat/d
        /^$/d
        /@/ { s/@//g; s/$/ test/ }'
}
build=(build-essential) tests=()
while read -r name group; do
    if [ "$group" = test ]; then tests+=("$name"); else build+=("$name"); fi
done < <(control_entries Build-Depends; control_entries Depends)
wanted=("${build[@]}")
for group in "$@"; do
    case $group in
    test)
        wanted+=("${tests[@]}") ;;
    package)
        wanted+=(file lintian) ;;
    *)
        echo "usage: $0 [test] [package]" >&2
        exit 2 ;;
    esac
done

# One look at dpkg's database for every name; it fails on names it has never
# seen, which only means they are missing.
names=()
for want in "${wanted[@]}"; do
    IFS='|' read -r -a choices <<<"$want"
    names+=("${choices[@]}")
done
installed=" $({ dpkg-query -W -f='${Package}:${db:Status-Abbrev}\n' "${names[@]}" 2>/dev/null || true; } |
    sed -n 's/^\([^:]*\):ii.*/\1/p' | tr '\n' ' ') "

missing=()
for want in "${wanted[@]}"; do
    IFS='|' read -r -a choices <<<"$want"
    found=
    for choice in "${choices[@]}"; do
        [[ $installed == *" $choice "* ]] && found=1
    done
    [ -n "$found" ] || missing+=("${choices[0]}")
done
[ ${#missing[@]} -gt 0 ] || exit 0

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
else
    as_root=(sudo)
fi
echo "Installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update
"${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
