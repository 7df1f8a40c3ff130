# Sourced by the end-to-end scripts: a fresh user environment under ROOT (named
# after E2E_NAME, which the script sets first) and the checks' bookkeeping.
ROOT=$(mktemp -d "/tmp/$E2E_NAME-XXXXXX")
SHOTS=${PARCELON_E2E_SHOTS:-$ROOT/shots}
mkdir -p "$SHOTS"
export HOME=$ROOT/home XDG_CONFIG_HOME=$ROOT/config XDG_CACHE_HOME=$ROOT/cache \
       XDG_RUNTIME_DIR=$ROOT/runtime TEMP=$ROOT/temp TMPDIR=$ROOT/tmp LANG=C.UTF-8
unset PARCELON_ENGINE_MODULE XDG_CURRENT_DESKTOP
for d in home config cache runtime temp tmp out; do mkdir -p "$ROOT/$d"; chmod 700 "$ROOT/$d"; done
SETTINGS=$XDG_CONFIG_HOME/Quillmark/Quillmark.conf

passed=0
failed=0

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
    local end=$((SECONDS + $1))
    shift
    while ((SECONDS < end)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
