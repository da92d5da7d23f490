# Shared settings of the scripts; sourced, not run.
VISTREL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
VISTREL_BUILD="${VISTREL_BUILD:-$VISTREL_ROOT/build}"
export WINEPREFIX="$VISTREL_BUILD/wineprefix"
# Wine links the prefix's user folders (Videos, Desktop) to $HOME: keep them in the build.
export VISTREL_HOME="$VISTREL_BUILD/home"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win64

# Starts a private Xvfb; sets DISPLAY and VISTREL_XVFB_PID.
vistrel_start_xvfb() {
    local fdfile n
    fdfile="$(mktemp)"
    # Xvfb picks a free display number itself and writes it to the descriptor.
    Xvfb -displayfd 3 -screen 0 "${VISTREL_XVFB_SCREEN:-1280x800x24}" -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    VISTREL_XVFB_PID=$!
    for _ in $(seq 1 100); do
        n="$(cat "$fdfile" 2>/dev/null)"
        [ -n "$n" ] && break
        sleep 0.1
    done
    rm -f "$fdfile"
    if [ -z "$n" ]; then
        echo "Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$n"
}

vistrel_stop_xvfb() {
    if [ -n "${VISTREL_XVFB_PID:-}" ]; then
        kill "$VISTREL_XVFB_PID" 2>/dev/null || true
        wait "$VISTREL_XVFB_PID" 2>/dev/null || true
        VISTREL_XVFB_PID=
    fi
}

vistrel_wine() {
    HOME="$VISTREL_HOME" wine "$@"
}

vistrel_configure_and_build() {
    local werror=OFF
    [ "${CI:-}" = "true" ] && werror=ON
    cmake -S "$VISTREL_ROOT" -B "$VISTREL_BUILD" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$VISTREL_ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DVISTREL_WERROR=$werror
    cmake --build "$VISTREL_BUILD" -j "$(nproc)"
}
