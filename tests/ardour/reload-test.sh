#!/usr/bin/env bash
# Saving a session and loading it again restores every parameter, the module order and both A/B
# compare slots. Ardour sends its own copies of the parameter values after a load, so the slots and
# orders are checked in the state the reloaded plug-in writes when the session is saved once more.
source "$(dirname "$0")/ardour-common.sh"
require_ardour
require_bundle
fresh_environment
scan_bundle

readonly CURRENT_ORDER="10,9,8,7,6,5,4,3,2,1,0"
readonly SLOT_A_ORDER="0,2,1,3,7,6,5,4,8,10,9"
# index=value pairs in plain units: Input, Comp Threshold, Delay Time, EQ Low Cut Slope,
# Distortion Style, Delay Right Time, Theme.
readonly SETTINGS="1=2.5,17=-31.5,34=455,44=1,63=5,70=150,88=2"

export POMELU_SESSION_DIR="$POMELU_WORK/session" POMELU_SESSION_NAME=reload POMELU_FRAMES=48000
export POMELU_PLUGIN="$PLUGIN_NAME" POMELU_SNAPSHOT_PRESET=Gentle POMELU_PRESET=Podcast POMELU_SET="$SETTINGS"
run_lua create-session.lua "$POMELU_WORK/create.log"

# Slot A: the "Gentle" settings saved in the snapshot, with their own order; slot B (active): the
# current settings with the current order, as after pressing the A/B button.
session_file="$POMELU_SESSION_DIR/reload.ardour"
tool state-get "$session_file" "$POMELU_WORK/saved.state"
tool state-get "$POMELU_SESSION_DIR/snapshot.ardour" "$POMELU_WORK/gentle.state"
tool set-order "$POMELU_WORK/saved.state" "$POMELU_WORK/ordered.state" "$CURRENT_ORDER"
tool fill-slots "$POMELU_WORK/ordered.state" "$POMELU_WORK/gentle.state" "$SLOT_A_ORDER" "$POMELU_WORK/crafted.state"
if tool diff "$POMELU_WORK/saved.state" "$POMELU_WORK/crafted.state" >/dev/null; then
    fail "the crafted state equals the saved one: nothing would be tested"
fi
tool state-put "$session_file" "$POMELU_WORK/crafted.state"

# After the load one more change goes through Ardour (Comp Makeup 4.5 dB), so the state saved next
# is sure to be written afresh by the plug-in rather than kept from the file.
export POMELU_SAVE_AS=reloaded POMELU_SET="21=4.5"
run_lua reload-session.lua "$POMELU_WORK/reload.log"
tool set-value "$POMELU_WORK/crafted.state" "$POMELU_WORK/expected.state" 21 4.5

# Ardour's view of the parameters after the load.
IFS=',' read -ra pairs <<<"$SETTINGS"
for pair in "${pairs[@]}"; do
    index="${pair%%=*}" expected="${pair#*=}"
    actual=$(sed -n "s/^param $index .* = //p" "$POMELU_WORK/reload.log")
    awk -v a="$actual" -v e="$expected" 'BEGIN { d = a - e; exit !(a != "" && d < 1e-4 && d > -1e-4) }' ||
        fail "parameter $index is '$actual' after the reload, expected $expected"
done
echo "Ardour shows the ${#pairs[@]} changed parameters after the reload"

# The plug-in's own state after the reload, written by the plug-in itself on the second save.
tool state-get "$POMELU_SESSION_DIR/reloaded.ardour" "$POMELU_WORK/reloaded.state"
# The comparison must see one changed value beyond the tolerance, or it would pass anything.
if tool diff "$POMELU_WORK/crafted.state" "$POMELU_WORK/expected.state" 1e-12; then
    fail "the state comparison misses the changed Comp Makeup"
fi
# Ardour hands its copies of the values back as normalised doubles (55 % comes back as 0.55 * 100),
# so current values may move by an ulp; slots, orders and flags must come back unchanged.
echo "crafted state (with the new Comp Makeup) against the state saved after the reload:"
tool diff "$POMELU_WORK/expected.state" "$POMELU_WORK/reloaded.state" 1e-12 ||
    fail "the reloaded plug-in does not write back the state it was given"
