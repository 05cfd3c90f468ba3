# shellcheck shell=bash
# What sensor-viewer-on and sensor-viewer-demo share, sourced by both with `me` and `here`
# set: the chooser, which also checks devices and shows our boxes; the tools beside us;
# messages; and children that end when we do, however we end.

# Beside the scripts in a build tree, in libexec once installed.
chooser=
for candidate in "$here" "$here/../libexec/sensor-viewer"; do
    [ -x "$candidate/sensor-viewer-chooser" ] && chooser=$candidate/sensor-viewer-chooser && break
done

# run_child COMMAND...: runs COMMAND and waits for it, with its status. It runs in the
# background, so that a signal to us is handled at once (bash holds traps while a
# foreground child runs), and dies with us even when we are killed outright. It has our
# standard input, not the /dev/null of a background job. `child` is its PID while it runs,
# for the trap to end it.
child=
run_child() {
    local with_us=()
    command -v setpriv >/dev/null && with_us=(setpriv --pdeathsig TERM --)
    "${with_us[@]}" "$@" <&0 &
    child=$!
    local status
    wait "$child"
    status=$?
    child=
    return "$status"
}
# end_child: what a trap does first.
end_child() {
    [ -n "$child" ] || return 0
    kill -TERM "$child" 2>/dev/null
    wait "$child" 2>/dev/null
    child=
}

# say ENGLISH... -- PORTUGUESE...: the words in English on standard error, and in
# Portuguese in a box when that is not a terminal (started from the menu, nobody reads it).
say() {
    local english=()
    while [ "$1" != -- ]; do
        english+=("$1")
        shift
    done
    shift
    echo "$me: ${english[*]}" >&2
    if [ ! -t 2 ] && [ -n "$chooser" ]; then
        run_child "$chooser" --error "$*"
    fi
    return 0
}

# tool NAME: the program beside us (a build tree, an install), else on PATH.
tool() {
    if [ -x "$here/$1" ]; then
        echo "$here/$1"
    else
        command -v "$1" || {
            say "cannot find $1 in $here or on PATH." -- "O programa $1 não foi encontrado em" \
                "$here nem no PATH. Reinstale o pacote sensor-viewer."
            return 1
        }
    fi
}
