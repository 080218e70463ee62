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
