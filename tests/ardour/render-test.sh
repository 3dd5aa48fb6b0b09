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

make_material

export POMELU_SESSION_DIR="$POMELU_WORK/session" POMELU_SESSION_NAME=render POMELU_FRAMES="$FRAMES"
export POMELU_PLUGIN="$PLUGIN_NAME" POMELU_PRESET=Podcast
run_lua create-session.lua "$POMELU_WORK/create.log"

# The module order is no host parameter: it travels in the saved state only.
session_file="$POMELU_SESSION_DIR/render.ardour"
tool state-get "$session_file" "$POMELU_WORK/saved.state"
tool set-order "$POMELU_WORK/saved.state" "$POMELU_WORK/ordered.state" "$ORDER_IDS"
tool state-put "$session_file" "$POMELU_WORK/ordered.state"

export_and_compare "$ORDER_NAMES"
