#!/usr/bin/env bash
# Ardour's VST 3 scanner loads the bundle and indexes our class, and Ardour then lists the plug-in.
source "$(dirname "$0")/ardour-common.sh"
require_ardour
require_bundle
fresh_environment
scan_bundle

grep -q "name=\"$PLUGIN_NAME\"" "$V3I_FILE" || { cat "$V3I_FILE"; fail "the scan cache does not name the class \"$PLUGIN_NAME\""; }
grep -q 'vendor="Pomelu ZEZ"' "$V3I_FILE" || { cat "$V3I_FILE"; fail "the scan cache does not give the vendor \"Pomelu ZEZ\""; }
echo "scan cache: $(grep -o '<VST3Info[^>]*>' "$V3I_FILE" | head -n 1)"

run_lua list-plugins.lua "$POMELU_WORK/list.log"
grep -q "^vst3: $PLUGIN_NAME | Pomelu ZEZ$" "$POMELU_WORK/list.log" ||
    { cat "$POMELU_WORK/list.log"; fail "Ardour does not list the plug-in after the scan"; }
echo "Ardour lists: $(grep "^vst3: $PLUGIN_NAME" "$POMELU_WORK/list.log")"
