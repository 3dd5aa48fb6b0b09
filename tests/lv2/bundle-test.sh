#!/usr/bin/env bash
# The generated LV2 bundle as LV2's own tools see it: sord_validate against the schemas Debian's
# lv2-dev installs reports nothing, lv2info lists both plug-ins with 89 parameter controls, and
# jalv (console) runs each one on a private JACK server with the dummy driver.
# Environment: POMELU_LV2_BUNDLE. Exit 77 (skipped) when a tool is missing.
set -uo pipefail
bundle="${POMELU_LV2_BUNDLE:?}"
for tool in sord_validate lv2info jalv jackd; do
    command -v "$tool" >/dev/null || { echo "no $tool"; exit 77; }
done
work="$(mktemp -d /tmp/pomelu-lv2-bundle-XXXXXX)"
jack_pid=""
cleanup() {
    [[ -n "$jack_pid" ]] && kill "$jack_pid" 2>/dev/null && wait "$jack_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

schemas=$(find /usr/lib/lv2 -path '*/a-*' -prune -o -name '*.ttl' -print | grep -v -e reasonablesynth)
report=$(sord_validate $schemas "$bundle"/*.ttl 2>&1)
grep -q "^Found 0 errors" <<<"$report" || fail "sord_validate: $report"

mkdir "$work/lv2" && ln -s "$bundle" "$work/lv2/pomelu-rarorud-izad.lv2"
export LV2_PATH="$work/lv2"
for kind in mono stereo; do
    uri="https://pomelu.example/lv2/rarorud-izad/$kind"
    info=$(lv2info "$uri" 2>&1) || fail "lv2info $uri: $info"
    # Control inputs: the 89 parameters and the host's enable switch.
    controls=$(awk '/^\tPort/{p=1} /InputPort/{i=1} /ControlPort/{c=1} /^$/{if(p&&i&&c)n++; p=i=c=0} END{print n+0}' <<<"$info")
    [[ "$controls" == 90 ]] || fail "$uri has $controls control inputs, not 89 parameters + enabled"
    grep -q "Presets:" <<<"$info" && grep -q "Podcast" <<<"$info" || fail "$uri lists no presets"
done

server="pomelu-lv2-$$"
jackd -n "$server" -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 &
jack_pid=$!
export JACK_DEFAULT_SERVER="$server"
sleep 1
for kind in mono stereo; do
    uri="https://pomelu.example/lv2/rarorud-izad/$kind"
    # jalv reads commands from stdin; the pipe stays open for two seconds of running, then it quits.
    { sleep 2; } | timeout 20 jalv -n "pomelu-$kind" -c "comp=1" -c "comp_threshold=-30" "$uri" >"$work/jalv-$kind.log" 2>&1
    status=$?
    grep -q "Block length:" "$work/jalv-$kind.log" || fail "jalv did not run $uri: $(cat "$work/jalv-$kind.log")"
    grep -qi "error\|unknown control\|failed" "$work/jalv-$kind.log" && fail "jalv $uri: $(cat "$work/jalv-$kind.log")"
    [[ $status -eq 0 || $status -eq 1 ]] || fail "jalv $uri ended with $status"
done
echo "OK"
