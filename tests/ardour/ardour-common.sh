# Shared by the Ardour test scripts (sourced, bash). Expects in the environment:
#   POMELU_BUNDLE  the built "Pomelu Rarorud Izad.vst3" bundle
#   POMELU_WORK    a folder this test may wipe and fill
#   POMELU_TOOL    the pomelu-ardour-tool binary
# Exit status follows CTest: 0 pass, 1 fail, 77 skipped.
set -euo pipefail

readonly ARDOUR_LIB=/usr/lib/ardour7
readonly PLUGIN_NAME="Pomelu Rarorud Izad"
readonly HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
export POMELU_LUA_DIR="$HERE" # where the session scripts find session-common.lua
# Id of the export preset written into the fresh configuration folder: 32-bit float WAV, session rate.
readonly EXPORT_PRESET_ID="4f8d3c1e-2a6b-4e7f-9c0d-5b1a7e3f2d64"

skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*"; exit 1; }

require_ardour() {
    command -v ardour7-lua >/dev/null 2>&1 && [ -x "$ARDOUR_LIB/ardour-vst3-scanner" ] ||
        skip "Ardour 7 is not installed (Debian package 'ardour', installed by scripts/setup.sh)"
}

require_bundle() {
    SO_NAME="$POMELU_BUNDLE/Contents/x86_64-linux/$PLUGIN_NAME.so"
    [ -f "$SO_NAME" ] || skip "the plug-in is not built: no $SO_NAME"
}

# A clean world for Ardour: its own home, configuration and cache folders, and a copy of the bundle
# as the only VST 3 plug-in it can find.
fresh_environment() {
    rm -rf "$POMELU_WORK"
    mkdir -p "$POMELU_WORK"/{home,config,cache,vst3}
    export HOME="$POMELU_WORK/home" XDG_CONFIG_HOME="$POMELU_WORK/config" XDG_CACHE_HOME="$POMELU_WORK/cache"
    export VST3_PATH="$POMELU_WORK/vst3"
    cp -r "$POMELU_BUNDLE" "$VST3_PATH/"
    BUNDLE_COPY="$VST3_PATH/$(basename "$POMELU_BUNDLE")"
    SO_COPY="$BUNDLE_COPY/Contents/x86_64-linux/$PLUGIN_NAME.so"
    # Ardour ignores a scan cache that is not newer than the module.
    touch -d '1 minute ago' "$SO_COPY"

    mkdir -p "$XDG_CONFIG_HOME/ardour7/export"
    cat >"$XDG_CONFIG_HOME/ardour7/export/pomelu-float.preset" <<PRESET
<?xml version="1.0" encoding="UTF-8"?>
<ExportPreset id="$EXPORT_PRESET_ID" name="Pomelu float WAV">
  <ExportFormat id="20b4ab09-6452-4cb3-bd66-b921cdbd2942"/>
  <ExportFilename>
    <Folder relative="1" path="export"/>
    <Field name="label" enabled="0"/>
    <Field name="session" enabled="0"/>
    <Field name="snapshot" enabled="0"/>
    <Field name="timespan" enabled="1"/>
    <Field name="revision" enabled="0"/>
    <Field name="time" enabled="0" value="T_None"/>
    <Field name="date" enabled="0" value="D_None"/>
  </ExportFilename>
</ExportPreset>
PRESET
}

# Runs Ardour's VST 3 scanner on the bundle copy. It exits 0 even when the module fails to load, so
# the cache file it leaves behind is the verdict. Sets V3I_FILE.
scan_bundle() {
    LD_LIBRARY_PATH="$ARDOUR_LIB" timeout 60 "$ARDOUR_LIB/ardour-vst3-scanner" -f -v "$BUNDLE_COPY" \
        >"$POMELU_WORK/scan.log" 2>&1 || true
    V3I_FILE="$XDG_CACHE_HOME/ardour7/vst/$(printf '%s' "$SO_COPY" | sha1sum | cut -d' ' -f1).v3i"
    if [ ! -f "$V3I_FILE" ]; then
        cat "$POMELU_WORK/scan.log"
        fail "the scanner wrote no cache file for the bundle (expected $V3I_FILE)"
    fi
    touch "$V3I_FILE"
}

# Ardour 7.3's AVX-512 buffer mixing (used by its export) writes 16 bytes past a 4 KiB buffer when
# the two buffers sit at a certain offset, and glibc aborts later, at export, engine stop or exit,
# with or without a plug-in on the track (fixed in Ardour 8.5). These FPU flags keep it off its
# AVX-512 routines, so a crash that is left is a real failure: no run is tried again.
if grep -qw avx512f /proc/cpuinfo; then
    export ARDOUR_FPU_FLAGS=95
fi

# run_lua SCRIPT LOG: runs an ardour7-lua script, keeping its output in LOG; fails with the log
# shown. A normal run takes a few seconds; a run that hangs is stopped after LUA_TIMEOUT seconds.
LUA_TIMEOUT=40
run_lua() {
    local script="$1" log="$2" status=0
    timeout -k 5 $LUA_TIMEOUT ardour7-lua "$HERE/$script" >"$log" 2>&1 || status=$?
    if [ "$status" -ne 0 ]; then
        grep -v -e '^MIDI Clock' -e '^MTC in' "$log" | tail -n 40
        if [ "$status" -eq 124 ]; then
            # Ardour's load_preset holds the process lock around setParamNormalized on the program
            # parameter, and its restartComponent takes that lock off the process thread.
            tail -n 1 "$log" | grep -q '^recalling preset' &&
                echo "a restartComponent from inside the preset recall deadlocks Ardour here"
            fail "$script hung (stopped after $LUA_TIMEOUT s); its last step is above"
        fi
        fail "$script exited with status $status"
    fi
}

tool() { "$POMELU_TOOL" "$@"; }

# make_material: the example voice (POMELU_VOICE; a generated signal where it is missing), VOICE_SECONDS
# long at RATE, after PREROLL frames of silence and before a quarter second of it, as 32-bit float
# material/mono.wav and material/stereo.wav in POMELU_WORK. Sets MATERIAL and FRAMES.
make_material() {
    MATERIAL="$POMELU_WORK/material"
    mkdir -p "$MATERIAL"
    if [ -f "${POMELU_VOICE:-}" ]; then
        sox "$POMELU_VOICE" -r $RATE -c 1 -e floating-point -b 32 "$MATERIAL/voice.wav" trim 0 $VOICE_SECONDS
    else
        echo "no example voice: using a generated signal"
        sox -n -r $RATE -c 1 -e floating-point -b 32 "$MATERIAL/voice.wav" \
            synth $VOICE_SECONDS sine 180 pinknoise mix sine mix 2400 tremolo 3 90 vol 0.5
    fi
    sox -n -r $RATE -c 1 -e floating-point -b 32 "$MATERIAL/lead.wav" trim 0 $PREROLL"s"
    sox -n -r $RATE -c 1 -e floating-point -b 32 "$MATERIAL/end.wav" trim 0 0.25
    sox "$MATERIAL/lead.wav" "$MATERIAL/voice.wav" "$MATERIAL/end.wav" -e floating-point -b 32 "$MATERIAL/mono.wav"
    sox "$MATERIAL/mono.wav" -e floating-point -b 32 "$MATERIAL/stereo.wav" remix 1 1
    FRAMES=$(soxi -s "$MATERIAL/mono.wav")
}

# export_and_compare ORDER_NAMES: puts the material into the placeholder region's two sources (from
# create.log), has Ardour load the session and export it, and compares the export with
# pomelu-render's render with "Podcast" and that order (within TOLERANCE after PREROLL) and with the
# default order (must differ: the order came from the saved state).
export_and_compare() {
    local order="$1" exported="$POMELU_WORK/export/ardour.wav" sources source
    mapfile -t sources < <(sed -n 's/^source //p' "$POMELU_WORK/create.log")
    [ "${#sources[@]}" -eq 2 ] || fail "expected two region sources in create.log"
    for source in "${sources[@]}"; do
        cp "$MATERIAL/mono.wav" "$source"
    done
    POMELU_EXPORT_DIR="$POMELU_WORK/export" POMELU_EXPORT_NAME=ardour POMELU_EXPORT_PRESET="$EXPORT_PRESET_ID" \
        run_lua reload-session.lua "$POMELU_WORK/export.log"
    [ -f "$exported" ] || fail "Ardour exported nothing to $exported"
    "$POMELU_RENDER" "$MATERIAL/stereo.wav" "$POMELU_WORK/reference.wav" --preset Podcast --order "$order" \
        --block 1024 --format float >"$POMELU_WORK/render.log"
    "$POMELU_RENDER" "$MATERIAL/stereo.wav" "$POMELU_WORK/default-order.wav" --preset Podcast \
        --block 1024 --format float >>"$POMELU_WORK/render.log"
    echo "Ardour against pomelu-render, same preset and order:"
    tool compare "$exported" "$POMELU_WORK/reference.wav" $PREROLL $TOLERANCE ||
        fail "Ardour's render differs from pomelu-render's by more than $TOLERANCE"
    echo "Ardour against pomelu-render with the default order (must differ):"
    tool compare-differs "$exported" "$POMELU_WORK/default-order.wav" $PREROLL 1e-3 ||
        fail "the module order from the saved state did not reach Ardour's render"
}
