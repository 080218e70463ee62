# Sourced by the scripts that start HinmeiInstall.exe in a Wine session and drive it.
# They keep the wrapper's process id in $pid; stop_program ends it and what it runs, by
# their ids, when it is still running.

# The processes started under a process, by their ids.
descendants() {
    local child
    for child in $(ps -o pid= --ppid "$1" 2>/dev/null); do
        descendants "$child"
        echo "$child"
    done
}

stop_program() {
    if [[ -n ${pid-} ]] && kill -0 "$pid" 2>/dev/null; then
        kill $(descendants "$pid") "$pid" 2>/dev/null
    fi
}

# Waits up to TENTHS tenths of a second for the program to end. Answers its exit code, or
# 124 while it is still running.
program_ended() {
    for _ in $(seq "$1"); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && return 124
    local rc=0
    wait "$pid" || rc=$?
    pid=
    return $rc
}
