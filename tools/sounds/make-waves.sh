#!/bin/sh
# Synthesises the game's sound effects and its music loop with sox into the
# folder given as the only argument (22050 Hz, 16-bit stereo WAV files).
# Notes are semitones from A4 (sox's %n notation).
set -e
out="$1"
[ -n "$out" ] || { echo "usage: $0 <folder>" >&2; exit 2; }
mkdir -p "$out"
cd "$out"

fmt="-r 22050 -c 2 -b 16"
# mk name peak-dB effects...: every sound is normalised to its peak level.
mk() {
    name="$1"; level="$2"; shift 2
    sox -V1 -n $fmt "$name.raw.wav" "$@"
    sox -V1 "$name.raw.wav" "$name.wav" norm "$level"
    rm -f "$name.raw.wav"
}

# Effects.
mk klick_menu  -8 synth 0.05 sine 1800 sine 2600 fade 0.002 0.05 0.045
mk richtig     -6 synth 0.12 pluck %15 fade 0 0.12 0.06 : synth 0.35 pluck %22 fade 0 0.35 0.3
mk falsch      -8 synth 0.14 square 196 fade 0.005 0.14 0.04 vol 0.5 lowpass 1200 : synth 0.22 square 165 fade 0.005 0.22 0.1 vol 0.5 lowpass 1200
mk win         -4 synth 0.14 pluck %3 : synth 0.14 pluck %7 : synth 0.14 pluck %10 : synth 0.6 pluck %15 pluck %19 fade 0 0.6 0.5
mk lose        -5 synth 1.1 triangle 520:140 fade 0.01 1.1 0.5 tremolo 6 40
mk spreng_blob -6 synth 0.14 sine 260:900 fade 0.005 0.14 0.08
mk platzen     -6 synth 0.25 pinknoise vol 0.5 lowpass 2500 fade 0.002 0.25 0.22
mk donner      -3 synth 1.8 brownnoise vol 0.5 lowpass 180 tremolo 3 60 fade 0.08 1.8 1.3
mk bomb        -3 synth 0.9 brownnoise vol 0.5 lowpass 500 overdrive 10 fade 0.002 0.9 0.8
mk finish      -6 synth 0.2 pluck %10 : synth 0.2 pluck %14 : synth 0.5 pluck %17 pluck %22 fade 0 0.5 0.45
mk punkte      -6 synth 0.07 triangle 988 fade 0 0.07 0.01 : synth 0.3 triangle 1319 fade 0 0.3 0.25
mk pfeife      -9 synth 0.6 sine 1400:2400 tremolo 12 30 fade 0.02 0.6 0.2
mk rohstoffe   -9 synth 0.45 sine 700:1800 sine 1050:2700 tremolo 20 50 fade 0.01 0.45 0.3
mk FUELL_ADDED   -6 synth 0.22 sine 500:1000 fade 0.005 0.22 0.1
mk FUELL_REMOVED -6 synth 0.22 sine 1000:500 fade 0.005 0.22 0.1
mk ZORN_FULL   -6 synth 1.2 sawtooth 110 sawtooth 116 vol 0.5 lowpass 700 fade 0.05 1.2 0.6
mk Zorn_Sound  -3 synth 1.6 brownnoise vol 0.5 lowpass 250 fade 0.1 1.6 1.0 : synth 0.9 sawtooth 73 vol 0.5 lowpass 400 fade 0.02 0.9 0.6
mk BAUEN_ERROR -8 synth 0.1 square 150 fade 0 0.1 0.02 vol 0.5 lowpass 900 : synth 0.05 sine 10 vol 0 : synth 0.16 square 150 fade 0 0.16 0.08 vol 0.5 lowpass 900

# Music: a 12-second loop over C, Am, F and G, three seconds each: a plucked
# arpeggio in eighths (0.25 s), a soft triad pad and a bass note.
arp=""
bass=""
pad=""
for chord in "-9 -5 -2 3" "-12 -9 -5 0" "-16 -12 -9 -4" "-14 -10 -7 -2"; do
    set -- $chord
    r=$1; t=$2; f=$3; o=$4
    for n in $r $t $f $o $f $t $r $t $f $o $f $t; do
        arp="$arp synth 0.25 pluck %$((n + 12)) fade 0 0.25 0.05 :"
    done
    bass="$bass synth 3 triangle %$((r - 12)) fade 0.05 3 0.4 :"
    pad="$pad synth 3 sine %$r sine %$t sine %$f fade 0.4 3 0.6 :"
done
sox -V1 -G -n $fmt music_arp.wav ${arp%:}
sox -V1 -G -n $fmt music_bass.wav ${bass%:}
sox -V1 -G -n $fmt music_pad.wav ${pad%:}
sox -V1 -m -v 0.5 music_arp.wav -v 0.35 music_bass.wav -v 0.15 music_pad.wav $fmt MUSIK.wav lowpass 4000 norm -4
rm -f music_arp.wav music_bass.wav music_pad.wav
