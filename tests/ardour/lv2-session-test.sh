#!/usr/bin/env bash
# The LV2 plug-in in an Ardour session: the stereo plug-in on a track with "Podcast" from Ardour's
# preset list and a changed module order in its saved LV2 state renders the example voice as
# pomelu-render does with the same settings (as the VST 3 session must); saving the reopened
# session writes back the same state, order and compare slots included.
#   POMELU_LV2_BUNDLE  the built pomelu-rarorud-izad.lv2 bundle
#   POMELU_RENDER      the pomelu-render binary
#   POMELU_VOICE       the example voice file
source "$(dirname "$0")/ardour-common.sh"
require_ardour
[ -f "${POMELU_LV2_BUNDLE:-}/manifest.ttl" ] || skip "the LV2 bundle is not built"
[ -x "${POMELU_RENDER:-}" ] || skip "pomelu-render is not built"
[ -f "${POMELU_VOICE:-}" ] || skip "no example voice"
fresh_environment
# The LV2 bundle as the only LV2 plug-in Ardour finds.
export LV2_PATH="$POMELU_WORK/lv2"
mkdir -p "$LV2_PATH"
cp -r "$POMELU_LV2_BUNDLE" "$LV2_PATH/"

readonly RATE=48000 PREROLL=96000 VOICE_SECONDS=6 TOLERANCE=1e-6
readonly ORDER_IDS="7,6,2,1,0,3,4,5,9,10,8"
readonly ORDER_NAMES="Comp,Leveler,Eq,SClear,PopCut,Distortion,Phaser,Tremolo,Delay,Reverb,ClipGuard"

make_material

export POMELU_SESSION_DIR="$POMELU_WORK/session" POMELU_SESSION_NAME=render POMELU_FRAMES="$FRAMES"
export POMELU_PLUGIN="https://pomelu.example/lv2/rarorud-izad/stereo" POMELU_PLUGIN_TYPE=LV2 POMELU_PRESET=Podcast
run_lua create-session.lua "$POMELU_WORK/create.log"

# The module order lives in the plug-in's LV2 state, and slot B is made active with slot A holding
# the same values under the default order.
mapfile -t states < <(find "$POMELU_SESSION_DIR/plugins" -name state.ttl)
[ "${#states[@]}" -ge 1 ] || fail "Ardour saved no LV2 state for the plug-in"
tool lv2-state-get "${states[0]}" "$POMELU_WORK/saved.state"
tool set-order "$POMELU_WORK/saved.state" "$POMELU_WORK/ordered.state" "$ORDER_IDS"
tool fill-slots "$POMELU_WORK/ordered.state" "$POMELU_WORK/saved.state" "0,1,2,3,4,5,6,7,8,9,10" \
    "$POMELU_WORK/crafted.state"
for state in "${states[@]}"; do
    tool lv2-state-put "$state" "$POMELU_WORK/crafted.state"
done

export_and_compare "$ORDER_NAMES"

# Reopened, one change through Ardour (Comp Makeup 4.5 dB: Ardour counts the enable switch and the
# three level outputs first) and saved again, so that Ardour keeps the state the plug-in writes
# afresh: the crafted one with that value.
export POMELU_SAVE_AS=reloaded POMELU_SET="25=4.5"
run_lua reload-session.lua "$POMELU_WORK/reload.log"
tool set-value "$POMELU_WORK/crafted.state" "$POMELU_WORK/expected.state" 21 4.5
reloaded=$(ls -td "$POMELU_SESSION_DIR"/plugins/*/state*/ | head -n 1)
[ "$reloaded" != "$(dirname "${states[0]}")/" ] || fail "Ardour saved no new LV2 state after the change"
tool lv2-state-get "$reloaded/state.ttl" "$POMELU_WORK/reloaded.state"
echo "crafted state (with the new Comp Makeup) against the state saved after the reload:"
tool diff "$POMELU_WORK/expected.state" "$POMELU_WORK/reloaded.state" 1e-12 ||
    fail "the reopened LV2 plug-in does not write back the state it was given"
