#!/usr/bin/env bash
# The README's filter-chain file on a private, headless PipeWire: its own runtime directory, no
# sound card, a dummy driver at 48 kHz with a fixed quantum, no session manager (ports are set up
# with PortConfig and linked with pw-link). pw-cat plays the example voice into the chain and
# records its output, which must match pomelu-render's output with "Podcast" once aligned: the
# chain runs on silence until the voice arrives, a whole number of quanta, so the reference is
# rendered with the same silence in front. A dropout under load spoils a run; up to three runs.
# Environment: POMELU_LV2_BUNDLE, POMELU_RENDER, POMELU_TOOL, POMELU_VOICE, POMELU_CONF.
# Exit 77 (skipped) when PipeWire, sox or the renderer is missing.
set -uo pipefail
for tool in pipewire pw-cli pw-link pw-cat sox; do
    command -v "$tool" >/dev/null || { echo "no $tool"; exit 77; }
done
[[ -x "${POMELU_RENDER:-}" ]] || { echo "no pomelu-render"; exit 77; }
work="$(mktemp -d /tmp/pomelu-pipewire-XXXXXX)"
pids=()
stop_all() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
    pids=()
}
trap 'stop_all; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

quantum=2048
mkdir -p "$work/lv2" "$work/conf/pomelu.conf.d"
ln -s "$POMELU_LV2_BUNDLE" "$work/lv2/pomelu-rarorud-izad.lv2"
cp "$POMELU_CONF" "$work/conf/pomelu.conf.d/"
cat >"$work/conf/pomelu.conf" <<CONF
context.properties = {
    core.daemon = true  core.name = pipewire-0  support.dbus = false
    default.clock.rate = 48000  default.clock.allowed-rates = [ 48000 ]
    default.clock.quantum = $quantum  default.clock.min-quantum = $quantum  default.clock.max-quantum = $quantum
}
context.spa-libs = { audio.convert.* = audioconvert/libspa-audioconvert  support.* = support/libspa-support }
context.modules = [
    { name = libpipewire-module-protocol-native }  { name = libpipewire-module-metadata }
    { name = libpipewire-module-spa-node-factory }  { name = libpipewire-module-client-node }
    { name = libpipewire-module-access }  { name = libpipewire-module-adapter }
    { name = libpipewire-module-link-factory }
]
context.objects = [
    { factory = metadata args = { metadata.name = default } }
    { factory = spa-node-factory args = { factory.name = support.node.driver  node.name = Dummy-Driver
                                          node.group = pipewire.dummy  priority.driver = 20000 } }
]
CONF
export XDG_RUNTIME_DIR="$work/run" PIPEWIRE_RUNTIME_DIR="$work/run"
export LV2_PATH="$work/lv2" DBUS_SESSION_BUS_ADDRESS="disabled:" PIPEWIRE_DEBUG=2
mkdir -p "$work/run"

# The example voice in stereo, eight seconds, then silence (the last partial quantum is dropped).
sox "$POMELU_VOICE" -c 2 -b 32 -e floating-point "$work/voice.wav" trim 0 8 pad 0 1 || fail "sox"
"$POMELU_TOOL" first-sound "$work/voice.wav" >"$work/voice-start" || fail "the voice is silent"

# ports NODE_NAME DIRECTION: waits for the node, gives it dsp ports for two channels.
ports() {
    local id="" fmt='"mediaType": "audio", "mediaSubtype": "raw", "format": "F32P", "rate": 48000, "channels": 2'
    for _ in $(seq 50); do
        id=$(pw-cli ls Node 2>/dev/null | awk -v n="node.name = \"$1\"" '$1=="id"{id=$2; sub(",","",id)} index($0,n){print id}')
        [[ -n "$id" ]] && break
        sleep 0.1
    done
    [[ -n "$id" ]] || fail "no node $1: $(cat "$work/pipewire.log")"
    pw-cli set-param "$id" PortConfig "{ \"direction\": \"$2\", \"mode\": \"dsp\", \"format\": { $fmt, \"position\": [ \"FL\", \"FR\" ] } }" >/dev/null
}
link() { # FROM_PORT_PREFIX TO_PORT_PREFIX
    for ch in FL FR; do
        for _ in $(seq 50); do pw-link "$1_$ch" "$2_$ch" 2>/dev/null && break; sleep 0.1; done
    done
}

run_once() {
    stop_all
    rm -rf "$work/run"/* "$work/rec.wav"
    PIPEWIRE_CONFIG_DIR="$work/conf" pipewire -c pomelu.conf >"$work/pipewire.log" 2>&1 &
    pids+=($!)
    ports capture.pomelu_mic Input
    ports pomelu_mic Output
    # The recorder first, so that nothing of the start is lost; the player joins its graph.
    pw-cat --record -P "{ node.name = pomelu.rec node.latency = $quantum/48000 }" --rate 48000 --channels 2 \
        --format f32 "$work/rec.wav" >"$work/rec.log" 2>&1 &
    pids+=($!)
    ports pomelu.rec Input
    link pomelu_mic:capture pomelu.rec:input
    pw-cat --playback -P "{ node.name = pomelu.play node.want-driver = false node.latency = $quantum/48000 }" \
        "$work/voice.wav" >"$work/play.log" 2>&1 &
    local player=$!
    pids+=($player)
    ports pomelu.play Output
    link pomelu.play:output capture.pomelu_mic:input
    wait "$player"
    sleep 1
    stop_all
    # A misspelled control is only a warning in the log.
    local complaints
    complaints=$(grep -i "can not be set\|unknown\|not found\|error" "$work/pipewire.log")
    [[ -z "$complaints" ]] || fail "PipeWire: $complaints"
    local start offset
    start=$("$POMELU_TOOL" first-sound "$work/rec.wav") || fail "the recording is silent"
    offset=$((start - $(cat "$work/voice-start")))
    (( offset >= 0 && offset % quantum == 0 )) || { echo "start offset $offset is no whole number of quanta"; return 1; }
    sox "$work/voice.wav" "$work/aligned.wav" pad "${offset}s" 0
    "$POMELU_RENDER" "$work/aligned.wav" "$work/reference.wav" --preset Podcast --block "$quantum" --report none ||
        fail "pomelu-render"
    "$POMELU_TOOL" compare-shifted "$work/rec.wav" "$work/reference.wav" 0 1e-6
}

for attempt in 1 2 3; do
    run_once && { echo "OK (run $attempt)"; exit 0; }
    echo "run $attempt does not match"
done
fail "no run matched pomelu-render"
