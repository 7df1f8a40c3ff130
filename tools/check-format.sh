#!/usr/bin/env bash
# The C++ sources must be laid out as .clang-format says (Debian 12's
# clang-format 14). Lists the files that are not; `--fix` formats them.
set -euo pipefail
cd "$(dirname "$0")/.."
format=$(command -v clang-format-14 || command -v clang-format || true)
[ -n "$format" ] || { echo "clang-format is not installed (apt install clang-format)" >&2; exit 2; }
# Outside a clone (a source package) every build folder is left out: build*/
# and debhelper's obj-*/ hold generated sources.
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null ||
    find . \( -path './build*' -o -path './obj-*' \) -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
if [ "${1:-}" = --fix ]; then
    "$format" -i --style=file "${files[@]}"
    exit 0
fi
"$format" --dry-run -Werror --style=file "${files[@]}"
