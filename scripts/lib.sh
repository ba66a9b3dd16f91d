# shellcheck shell=bash
# What the scripts share (sourced, not run), each in one place: usage from
# the header comment, installing missing packages, configuring and building
# a preset, finding Wine, and making a Wine prefix. A script sources it as
#   # shellcheck source=scripts/lib.sh
#   . "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# It sets `tensikon_root` (the source tree) and changes nothing else until
# a function is called.

tensikon_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Prints the running script's header comment, from its second line up to
# its `set -` line, and exits with STATUS (default 1).
usage() {
    sed -n '2,/^set -/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
    exit "${1:-1}"
}

# Installs, as root with apt-get, those of the named Debian packages that
# the machine lacks; when none is missing it runs no apt-get at all.
install_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' ||
            missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then
        echo "error: these packages are missing and installing them needs root: ${missing[*]}" >&2
        return 1
    fi
    DEBIAN_FRONTEND=noninteractive timeout 600 apt-get update -qq &&
        DEBIAN_FRONTEND=noninteractive timeout 600 \
            apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# build_preset [--log FILE] PRESET [TARGET...]
# Configures PRESET quietly (its output goes to build/PRESET-configure.log,
# shown only when configuring fails), then builds TARGETs (everything
# without). With --log the build's output goes to FILE, and its end is
# shown when the build fails. Configuring every time costs a second or two
# on a configured tree and picks up a changed preset.
build_preset() {
    local log=""
    if [ "$1" = --log ]; then
        log=$2
        shift 2
    fi
    local preset=$1
    shift
    local configure_log=$tensikon_root/build/$preset-configure.log
    mkdir -p "$tensikon_root/build"
    (cd "$tensikon_root" && cmake --preset "$preset") >"$configure_log" 2>&1 ||
        { cat "$configure_log" >&2; return 1; }
    local build=(cmake --build --preset "$preset" -j2)
    [ $# -eq 0 ] || build+=(--target "$@")
    if [ -z "$log" ]; then
        (cd "$tensikon_root" && "${build[@]}")
    else
        (cd "$tensikon_root" && "${build[@]}") >"$log" 2>&1 || { tail -n 30 "$log" >&2; return 1; }
    fi
}

# Sets `wine` and `wineserver`. Debian's Wine keeps the 64-bit loader and
# the server out of PATH, in /usr/lib/wine; elsewhere they are on PATH.
find_wine() {
    wine=/usr/lib/wine/wine64
    [ -x "$wine" ] || wine=$(command -v wine64 || command -v wine) ||
        { echo "Wine is not installed (scripts/install-deps installs it)" >&2; return 1; }
    wineserver=/usr/lib/wine/wineserver
    [ -x "$wineserver" ] || wineserver=$(command -v wineserver) ||
        { echo "wineserver is not installed" >&2; return 1; }
}

# Exports the variables under which Wine uses the prefix PREFIX (64-bit,
# quiet, without the .NET and browser installers), and finds Wine.
use_wine_prefix() {
    export WINEPREFIX=$1
    export WINEARCH=win64
    export WINEDEBUG=${WINEDEBUG:--all}
    export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
    find_wine
}

# make_wine_prefix [--desktop]
# Makes the prefix use_wine_prefix named, once (5 to 25 s; later calls
# return at once), safely from several processes at the same time.
# Without --desktop it suits a machine without a display: there Wine makes
# windows only with the null driver. With --desktop (DISPLAY must be set)
# the prefix gets a shared 800 x 500 virtual desktop, in which Wine draws
# window frames even without a window manager and every Wine process of the
# prefix sees every window (so a helper can find the program's window).
make_wine_prefix() {
    local desktop=${1:-}
    if [ "$desktop" = --desktop ] && [ -z "${DISPLAY:-}" ]; then
        echo "make_wine_prefix: DISPLAY is not set" >&2
        return 1
    fi
    if [ ! -f "$WINEPREFIX/.tensikon-ready" ]; then
        mkdir -p "$WINEPREFIX"
        {
            flock -w 300 9 || { echo "the Wine prefix $WINEPREFIX is locked" >&2; return 1; }
            [ -f "$WINEPREFIX/.tensikon-ready" ] || create_wine_prefix "$desktop"
        } 9>"$WINEPREFIX.lock"
    fi
    link_wine_fonts
}

# Wine's background services inherit the output of whoever starts them, so
# they are always started with their output sent to /dev/null: a caller
# whose output is piped would otherwise never see its pipe close.
create_wine_prefix() {
    "$wine" wineboot -i </dev/null >/dev/null 2>&1 || true
    if [ "$1" = --desktop ]; then
        "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f \
            </dev/null >/dev/null 2>&1
        "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x500 /f \
            </dev/null >/dev/null 2>&1
    elif [ -z "${DISPLAY:-}" ]; then
        "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f \
            </dev/null >/dev/null 2>&1
    fi
    "$wineserver" -w </dev/null >/dev/null 2>&1 || true
    touch "$WINEPREFIX/.tensikon-ready"
}

# Debian's Wine looks for its bundled fonts beside its data folder rather
# than in it, so without this "MS Sans Serif" (the dialogs' font) silently
# becomes a wider TrueType face and the dialog layout, which is measured in
# that font's units, spreads past the window's right edge. Fonts without a
# path belong in C:\windows\Fonts. ("Arial" finds the metric-compatible
# Liberation Sans through fontconfig.) They are linked rather than copied:
# a link appears whole in one step, so a Wine started in parallel never
# sees half a font, and the prefix follows the installed Wine's fonts.
link_wine_fonts() {
    local fonts=$WINEPREFIX/drive_c/windows/Fonts f
    [ -d /usr/share/wine/fonts ] || return 0
    mkdir -p "$fonts"
    for f in /usr/share/wine/fonts/*; do
        [ -e "$fonts/${f##*/}" ] || ln -s "$f" "$fonts/" 2>/dev/null || true
    done
}

# Starts (or finds) the prefix's server and services with their output sent
# away; when they already run this costs one quick Wine start.
start_wine_services() {
    "$wineserver" -p </dev/null >/dev/null 2>&1 || true
    "$wine" wineboot </dev/null >/dev/null 2>&1 || true
}

# extract_sound_set DIR NAME...
# Writes each named recording of the packaged sound set (openttd-opensfx)
# to DIR as 32-bit float mono 44 100 Hz without the quiet at either end, so
# every stretch of it is sound, and prints the files' paths, one a line. A
# NAME matches the start of a recording's description ('"Jackhammer"');
# every name must match, or it fails. The set's one file holds each
# recording as a description and a WAV file (16-bit mono 44 100 Hz), found
# through a table of offsets and WAV sizes.
extract_sound_set() {
    local dir=$1 set=/usr/share/games/openttd/baseset/opensfx/opensfx.cat
    shift
    local entries offset size name_length name wanted i found=0
    u32() { od -An -tu4 -N4 -j "$2" "$1" | tr -d ' '; }
    bytes() { dd if="$1" iflag=skip_bytes,count_bytes skip="$2" count="$3" bs=64K status=none; }
    entries=$(( ($(u32 "$set" 0) & 0x7fffffff) / 8 ))
    for ((i = 0; i < entries; i++)); do
        offset=$(( $(u32 "$set" $((8 * i))) & 0x7fffffff ))
        size=$(u32 "$set" $((8 * i + 4)))
        name_length=$(od -An -tu1 -N1 -j "$offset" "$set" | tr -d ' ')
        name=$(bytes "$set" $((offset + 1)) "$name_length" | tr -d '\0')
        for wanted in "$@"; do
            [[ $name == "$wanted"* ]] || continue
            bytes "$set" $((offset + 1 + name_length)) "$size" >"$dir/sound-$i.wav"
            sox "$dir/sound-$i.wav" -t f32 -e floating-point -c 1 -r 44100 "$dir/sound-$i.f32" \
                silence 1 0.05 2% reverse silence 1 0.05 2% reverse
            echo "$dir/sound-$i.f32"
            found=$((found + 1))
        done
    done
    if [ "$found" -ne $# ]; then
        echo "error: $set lacks some of: $*" >&2
        return 1
    fi
}
