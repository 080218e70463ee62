#!/bin/bash
# wine-run.sh - run a cross-built Windows program under wine64, headless.
#
#   wine-run.sh [--prefix=DIR] [--retry-silent] PROG.exe [ARGS...]
#                                                  run one program (ctest's emulator)
#   wine-run.sh [--prefix=DIR] --start             start Xvfb + a persistent wineserver
#   wine-run.sh [--prefix=DIR] --stop              stop what --start started
#   wine-run.sh [--prefix=DIR] --init              only create and prepare the prefix
#   wine-run.sh [--prefix=DIR] --env               print the environment a run uses
#
# Without a running --start session, a run starts its own Xvfb and wineserver and stops
# both before it returns; such runs are serialised per prefix. With --retry-silent, a
# program that fails before writing a byte to its output is run once more: Wine did not
# start it (a loader or server hiccup under load). For test programs, which always write.
# Environment: WINE_RUN_LANG (default ja_JP.UTF-8), WINE_RUN_KEEP_CR=1 (keep the CR of
# the program's CRLF output), WINE_RUN_DISPLAY (use this X display instead of an Xvfb).
set -u
WINE=${WINE:-/usr/lib/wine/wine64}
# Debian's /usr/lib/wine/wineserver is a script adding -p0; the binary is run directly
# so that its PID is known.
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver64}
export WINESERVER
prefix=${WINE_TEST_PREFIX:-${TMPDIR:-/tmp}/hinmei-wine-prefix-$(id -u)}
retry_silent=0
while [[ ${1-} == --prefix=* || ${1-} == --retry-silent ]]; do
    if [[ $1 == --retry-silent ]]; then retry_silent=1; else prefix=${1#--prefix=}; fi
    shift
done
prefix=$(realpath -m "$prefix")
sess=$prefix.session
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

export WINEPREFIX=$prefix WINEARCH=win64
# Debian's wine puts its server socket below $TMPDIR: keep it beside the prefix.
export TMPDIR=$prefix.tmp
mkdir -p "$TMPDIR"
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko prompt, no menu entries written into $HOME.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${WINE_RUN_DLLOVERRIDES:+;$WINE_RUN_DLLOVERRIDES}"
# Lets a test know that Unix mode bits do not bind root.
export WINE_RUN_UNIX_UID=$(id -u)

log() { echo "wine-run: $*" >&2; }

# A Japanese Unix locale gives Wine the ANSI code page 932; compiled privately when the
# system has not generated it.
setup_locale() {
    local want=${WINE_RUN_LANG-ja_JP.UTF-8}
    [[ -z $want ]] && return 0
    local norm=${want/UTF-8/utf8}
    if ! locale -a 2>/dev/null | grep -qx "$norm"; then
        local locdir=$prefix.locale
        if [[ ! -e $locdir/$want/LC_CTYPE ]]; then
            mkdir -p "$locdir"
            localedef -i "${want%%.*}" -f UTF-8 "$locdir/$want" >/dev/null 2>&1 ||
                { log "localedef $want failed (package 'locales' missing?)"; return 0; }
        fi
        export LOCPATH=$locdir
    fi
    { export LANG=$want LC_ALL=$want; } 2>/dev/null
}

# Running, where a zombie waiting for a lazy reaper counts as gone.
alive() {
    [[ -n ${1-} ]] && kill -0 "$1" 2>/dev/null || return 1
    local st
    read -r _ _ st _ <"/proc/$1/stat" 2>/dev/null || return 1
    [[ $st != Z ]]
}

stop_pid() {
    local pid=$1 i
    alive "$pid" || return 0
    kill "$pid" 2>/dev/null
    for i in $(seq 50); do alive "$pid" || return 0; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
}

server_socket() {
    [[ -d $prefix ]] || return 1
    local d
    d=$(printf 'server-%x-%x' "$(stat -c %d "$prefix")" "$(stat -c %i "$prefix")")
    compgen -G "$TMPDIR/wine-*/$d/socket" | head -n1
}

# Every long-lived child gets "8>&- 9>&-": an orphan left by a killed wrapper must not
# hold the lock files and block every later run.
start_xvfb() {
    local d=$1 i
    if [[ -n ${WINE_RUN_DISPLAY-} ]]; then
        export DISPLAY=$WINE_RUN_DISPLAY
        echo "${DISPLAY#:}" >"$d/display"
        return 0
    fi
    rm -f "$d/display"
    # setsid: a signal to the process group (timeout, Ctrl-C) must not kill the helpers
    # before the orderly shutdown has run.
    setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
        3>"$d/display" </dev/null >"$d/xvfb.log" 2>&1 8>&- 9>&- &
    echo $! >"$d/xvfb.pid"
    for i in $(seq 100); do [[ -s $d/display ]] && break; sleep 0.05; done
    [[ -s $d/display ]] || { log "Xvfb did not start"; cat "$d/xvfb.log" >&2; return 1; }
    export DISPLAY=:$(tr -dc 0-9 <"$d/display")
}

start_server() {
    local d=$1 i sock
    setsid "$WINESERVER" -f -p </dev/null >"$d/wineserver.log" 2>&1 8>&- 9>&- &
    echo $! >"$d/wineserver.pid"
    for i in $(seq 200); do
        sock=$(server_socket)
        [[ -n $sock && -S $sock ]] && return 0
        sleep 0.05
    done
    log "wineserver socket did not appear"
    return 1
}

# Wine's own background processes (services, explorer /desktop, plugplay) are started with
# harmless stdio; otherwise the first test spawns them, they inherit its output pipe, and
# ctest waits on that pipe until the test times out.
prewarm() {
    "$WINE" rundll32.exe user32.dll,GetDesktopWindow </dev/null >>"$1/prewarm.log" 2>&1 8>&- 9>&-
}

# Wine processes of this prefix that outlived their wineserver, found through /proc by
# their environment, never by name.
sweep() {
    local p exe
    for p in /proc/[0-9]*; do
        p=${p#/proc/}
        [[ $p == "$$" || ! -O /proc/$p ]] && continue
        exe=$(readlink "/proc/$p/exe" 2>/dev/null) || continue
        [[ $exe == /usr/lib/wine/* ]] || continue
        tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$prefix" &&
            kill -9 "$p" 2>/dev/null
    done
}

stop_all() {
    local d=$1 ws x i
    ws=$(cat "$d/wineserver.pid" 2>/dev/null)
    x=$(cat "$d/xvfb.pid" 2>/dev/null)
    # -k ends the wine processes of this prefix only and saves its registry.
    alive "$ws" && "$WINESERVER" -k 2>/dev/null
    alive "$x" && kill "$x" 2>/dev/null
    for i in $(seq 100); do alive "$ws" || alive "$x" || break; sleep 0.05; done
    stop_pid "$ws"
    stop_pid "$x"
    sweep
    wait 2>/dev/null
}

# Leftovers of one-shot runs whose wrapper was killed (SIGKILL cannot be trapped).
reap_stale() {
    local d owner
    for d in "$prefix".run.*; do
        [[ -d $d ]] || continue
        owner=$(cat "$d/owner" 2>/dev/null)
        alive "$owner" && continue
        stop_all "$d"
        rm -rf "$d"
    done
}

winepath_of() { local p; p=$(realpath "$1"); echo "Z:${p//\//\\}"; }

init_prefix() {
    [[ -e $prefix/.hinmei-ready ]] && return 0
    mkdir -p "$(dirname "$prefix")"
    exec 8>"$prefix.initlock"
    flock 8
    if [[ ! -e $prefix/.hinmei-ready ]]; then
        local t0=$SECONDS tmp
        tmp=$(mktemp -d "${prefix}.init.XXXX")
        (
            WINE_RUN_DISPLAY= start_xvfb "$tmp" || exit 1
            "$WINE" wineboot -i >"$tmp/wineboot.log" 2>&1 8>&- || exit 1
            # This Wine does not find its own fonts (Marlett draws the caption buttons,
            # Tahoma the dialogs): they go into the prefix's font folder.
            cp -n /usr/share/wine/fonts/*.ttf "$prefix/drive_c/windows/Fonts/" 2>/dev/null
            # regedit reads UTF-16LE with a BOM for non-ASCII names; the source is UTF-8.
            { printf '\xff\xfe'; sed 's/$/\r/' "$here/wine-prefix.reg" | iconv -f UTF-8 -t UTF-16LE; } >"$tmp/prefix.reg"
            "$WINE" regedit /S "$(winepath_of "$tmp/prefix.reg")" >>"$tmp/wineboot.log" 2>&1 8>&-
            "$WINESERVER" -w
            stop_pid "$(cat "$tmp/xvfb.pid")"
            sweep
        ) 8>&- || { log "prefix init failed (see $tmp)"; flock -u 8; return 1; }
        rm -rf "$tmp"
        touch "$prefix/.hinmei-ready"
        log "created WINEPREFIX $prefix in $((SECONDS - t0)) s"
    fi
    flock -u 8
    exec 8>&-
}

run_once() {
    local rc
    if [[ ${WINE_RUN_KEEP_CR-0} == 1 ]]; then
        "$WINE" "$@" 8>&- 9>&-
        rc=$?
    else
        # msvcrt writes CRLF; test discovery and plain text checks want LF.
        "$WINE" "$@" 8>&- 9>&- | tr -d '\r' 8>&- 9>&-
        rc=${PIPESTATUS[0]}
    fi
    return $rc
}

run_prog() {
    [[ $retry_silent == 1 ]] || { run_once "$@"; return; }
    local out rc
    out=$(mktemp "${TMPDIR:-/tmp}/wine-run-out.XXXXXX")
    run_once "$@" >"$out"
    rc=$?
    if [[ $rc != 0 && ! -s $out ]]; then
        log "$1 ended with $rc before any output; running it again"
        run_once "$@" >"$out"
        rc=$?
    fi
    cat "$out"
    rm -f "$out"
    return $rc
}

session_alive() {
    [[ -s $sess/display ]] && alive "$(cat "$sess/xvfb.pid" 2>/dev/null)" &&
        alive "$(cat "$sess/wineserver.pid" 2>/dev/null)"
}

setup_locale
trap 'exit 143' TERM INT HUP

case ${1-} in
--init)
    init_prefix ;;
--env)
    env | grep -E '^(WINE|LANG|LC_ALL|LOCPATH|TMPDIR)' ;;
--start)
    init_prefix || exit 1
    if session_alive; then log "session already running"; exit 0; fi
    [[ -d $sess ]] && stop_all "$sess"
    reap_stale
    rm -rf "$sess"
    mkdir -p "$sess"
    start_xvfb "$sess" && start_server "$sess" && prewarm "$sess" || { stop_all "$sess"; exit 1; }
    log "session up: DISPLAY=$DISPLAY wineserver pid $(cat "$sess/wineserver.pid")" ;;
--stop)
    reap_stale
    [[ -d $sess ]] || exit 0
    stop_all "$sess"
    rm -rf "$sess"
    log "session stopped" ;;
"")
    sed -n '2,13p' "$0" >&2
    exit 2 ;;
*)
    init_prefix || exit 1
    if session_alive; then
        export DISPLAY=:$(tr -dc 0-9 <"$sess/display")
        run_prog "$@"
        exit $?
    fi
    exec 9>"$prefix.runlock"
    flock 9
    reap_stale
    tmp=$(mktemp -d "${prefix}.run.XXXX")
    echo $$ >"$tmp/owner"
    trap 'stop_all "$tmp"; rm -rf "$tmp"' EXIT
    start_xvfb "$tmp" && start_server "$tmp" && prewarm "$tmp" || exit 1
    run_prog "$@"
    exit $? ;;
esac
