#!/usr/bin/env bash
# A session with the plug-in on a stereo track, the "Podcast" preset recalled through Ardour's preset
# list and a changed module order in the saved state renders the example voice as pomelu-render does
# with the same settings.
#   POMELU_RENDER  the pomelu-render binary
#   POMELU_VOICE   the example voice file (a generated signal stands in when it is missing)
source "$(dirname "$0")/ardour-common.sh"
require_ardour
require_bundle
[ -x "${POMELU_RENDER:-}" ] || skip "pomelu-render is not built"
fresh_environment
scan_bundle

readonly RATE=48000
# 2 s of silence first: Ardour ramps the first few thousand samples, and the plug-in's slow level
# detectors need that long in silence to settle on the same state however long the host ran it
# before the export (after 0.5 s the renders still differ by up to 5e-5 for two seconds).
readonly PREROLL=96000
readonly VOICE_SECONDS=6
# Dynamics first, then EQ and the filters, the clip guard last: far from the default order.
readonly ORDER_IDS="7,6,2,1,0,3,4,5,9,10,8"
readonly ORDER_NAMES="Comp,Leveler,Eq,SClear,PopCut,Distortion,Phaser,Tremolo,Delay,Reverb,ClipGuard"
# Ardour hands the plug-in 32-bit float blocks, pomelu-render doubles; both write 32-bit float.
# 1e-6 is eight float steps at full scale.
readonly TOLERANCE=1e-6

material="$POMELU_WORK/material"
mkdir -p "$material"
if [ -f "${POMELU_VOICE:-}" ]; then
    sox "$POMELU_VOICE" -r $RATE -c 1 -e floating-point -b 32 "$material/voice.wav" trim 0 $VOICE_SECONDS
else
    echo "no example voice: using a generated signal"
    sox -n -r $RATE -c 1 -e floating-point -b 32 "$material/voice.wav" \
        synth $VOICE_SECONDS sine 180 pinknoise mix sine mix 2400 tremolo 3 90 vol 0.5
fi
sox -n -r $RATE -c 1 -e floating-point -b 32 "$material/lead.wav" trim 0 $PREROLL"s"
sox -n -r $RATE -c 1 -e floating-point -b 32 "$material/end.wav" trim 0 0.25
sox "$material/lead.wav" "$material/voice.wav" "$material/end.wav" -e floating-point -b 32 "$material/mono.wav"
sox "$material/mono.wav" -e floating-point -b 32 "$material/stereo.wav" remix 1 1
frames=$(soxi -s "$material/mono.wav")

export POMELU_SESSION_DIR="$POMELU_WORK/session" POMELU_SESSION_NAME=render POMELU_FRAMES="$frames"
export POMELU_PLUGIN="$PLUGIN_NAME" POMELU_PRESET=Podcast
run_lua create-session.lua "$POMELU_WORK/create.log"

# The module order is no host parameter: it travels in the saved state only.
session_file="$POMELU_SESSION_DIR/render.ardour"
tool state-get "$session_file" "$POMELU_WORK/saved.state"
tool set-order "$POMELU_WORK/saved.state" "$POMELU_WORK/ordered.state" "$ORDER_IDS"
tool state-put "$session_file" "$POMELU_WORK/ordered.state"

# Put the material into the placeholder region's two sources.
mapfile -t sources < <(sed -n 's/^source //p' "$POMELU_WORK/create.log")
[ "${#sources[@]}" -eq 2 ] || fail "expected two region sources in create.log"
for source in "${sources[@]}"; do
    cp "$material/mono.wav" "$source"
done

export POMELU_EXPORT_DIR="$POMELU_WORK/export" POMELU_EXPORT_NAME=ardour POMELU_EXPORT_PRESET="$EXPORT_PRESET_ID"
run_lua reload-session.lua "$POMELU_WORK/reload.log"
exported="$POMELU_EXPORT_DIR/ardour.wav"
[ -f "$exported" ] || fail "Ardour exported nothing to $exported"

"$POMELU_RENDER" "$material/stereo.wav" "$POMELU_WORK/reference.wav" --preset Podcast --order "$ORDER_NAMES" \
    --block 1024 --format float >"$POMELU_WORK/render.log"
"$POMELU_RENDER" "$material/stereo.wav" "$POMELU_WORK/default-order.wav" --preset Podcast \
    --block 1024 --format float >>"$POMELU_WORK/render.log"

echo "Ardour against pomelu-render, same preset and order:"
tool compare "$exported" "$POMELU_WORK/reference.wav" $PREROLL $TOLERANCE ||
    fail "Ardour's render differs from pomelu-render's by more than $TOLERANCE"
echo "Ardour against pomelu-render with the default order (must differ):"
tool compare-differs "$exported" "$POMELU_WORK/default-order.wav" $PREROLL 1e-3 ||
    fail "the module order from the saved state did not reach Ardour's render"
