#!/usr/bin/env bash
# Makes examples/voice.wav: about ten seconds of synthetic English speech, 48 kHz mono 16-bit,
# dense in plosives (for Pop Cut) and sibilants (for S Clear), with half a second of silence in
# front, a low rumble under the whole take and a breath before the second sentence.
# Needs espeak-ng and sox. Repeatable: the same tools give the same file.
# Usage: tools/make-example-voice.sh [OUT.wav]   (default: examples/voice.wav)
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-examples/voice.wav}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

for tool in espeak-ng sox; do
    command -v "$tool" >/dev/null || { echo "make-example-voice: $tool is not installed" >&2; exit 1; }
done

say() { # say FILE TEXT: one phrase at 48 kHz mono, peak-normalised to -3 dBFS
    espeak-ng -v en-us -s 170 -p 45 -a 180 -w "$work/raw.wav" "$2"
    sox "$work/raw.wav" -r 48000 -c 1 -b 32 -e floating-point "$1" gain -6 rate -v 48000 gain -n -3
}

say "$work/a.wav" "Peter Piper picked a peck of pickled peppers."
say "$work/b.wav" "She sells sea shells by the sea shore, and six sleek swans swam swiftly south."
say "$work/c.wav" "Bob bought a big bag of popcorn."

# A breath: band-passed noise with a soft swell, well below the speech.
sox -R -n -r 48000 -c 1 -b 32 -e floating-point "$work/breath.wav" synth 0.35 pinknoise \
    sinc 400-3000 fade q 0.15 0.35 0.2 gain -n -30

# Half a second of silence, then the three phrases with short pauses and the breath.
sox -n -r 48000 -c 1 -b 32 -e floating-point "$work/lead.wav" trim 0 0.5
sox -n -r 48000 -c 1 -b 32 -e floating-point "$work/gap.wav" trim 0 0.25
sox "$work/lead.wav" "$work/a.wav" "$work/gap.wav" "$work/breath.wav" "$work/b.wav" "$work/gap.wav" \
    "$work/c.wav" "$work/gap.wav" "$work/speech.wav"

# Low rumble (handling noise, traffic) under the take, fading in after the silent lead-in.
length="$(soxi -D "$work/speech.wav")"
rumble="$(awk -v l="$length" 'BEGIN { printf "%.6f", l - 0.5 }')"
sox -R -n -r 48000 -c 1 -b 32 -e floating-point "$work/rumble.wav" synth "$rumble" brownnoise \
    lowpass 60 lowpass 60 gain -n -34 fade t 0.3 0 0.1 pad 0.5
sox -m "$work/speech.wav" "$work/rumble.wav" "$work/mix.wav"

mkdir -p "$(dirname "$out")"
sox -D "$work/mix.wav" -b 16 -e signed-integer "$out" gain -n -3
echo "make-example-voice: wrote $out ($(soxi -d "$out"), $(stat -c %s "$out") bytes)"
