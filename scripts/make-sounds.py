#!/usr/bin/python3
"""Writes the program's four sounds into a folder:

    Audio-Start.wav      the start signal: a loud double-tone horn, full strength from the
                         first sample so that the start is heard exactly when it happens
    Audio-Achtung.wav    "attention": two rising tones
    Audio-Fehlstart.wav  false start: three harsh low pulses
    Audio-Stopp.wav      a lane stopped: one short high blip

16-bit PCM, mono, 22050 Hz, each between 0.2 and 1.5 seconds. Only Python's own wave module
is used; the files are the same byte for byte on every run.

    python3 scripts/make-sounds.py <folder>"""
import math
import os
import struct
import sys
import wave

RATE = 22050
FULL = 32767


def tone(freqs, seconds, level=0.8, attack=0.0, release=0.02, square=0.0):
    """Samples of summed sine tones; `square` mixes in odd harmonics for a harder sound.
    `attack` and `release` are linear ramps in seconds (no attack: full level at sample 0)."""
    count = int(RATE * seconds)
    out = []
    for i in range(count):
        t = i / RATE
        value = 0.0
        for f in freqs:
            phase = 2 * math.pi * f * t
            # a sine plus a little of harmonics 3 and 5; at t = 0 the cosine starts at its peak
            value += math.cos(phase) + square * (math.cos(3 * phase) / 3 + math.cos(5 * phase) / 5)
        value /= len(freqs) * (1 + square * (1 / 3 + 1 / 5))
        gain = level
        if attack > 0 and t < attack:
            gain *= t / attack
        if release > 0 and seconds - t < release:
            gain *= max(0.0, (seconds - t) / release)
        out.append(value * gain)
    return out


def silence(seconds):
    return [0.0] * int(RATE * seconds)


SOUNDS = {
    # hard onset: no attack ramp, a square-ish double tone
    "Audio-Start": tone([880, 1320], 0.70, level=0.95, square=0.8, release=0.05),
    "Audio-Achtung": tone([523], 0.30, level=0.6, attack=0.02)
    + silence(0.08)
    + tone([784], 0.40, level=0.6, attack=0.02),
    "Audio-Fehlstart": (tone([220], 0.22, level=0.9, square=1.0) + silence(0.08)) * 3,
    "Audio-Stopp": tone([1760], 0.30, level=0.7, attack=0.002, release=0.08),
}


def write(path, samples):
    frames = b"".join(struct.pack("<h", max(-FULL, min(FULL, round(s * FULL)))) for s in samples)
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make-sounds.py <folder>")
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for name, samples in SOUNDS.items():
        write(os.path.join(folder, name + ".wav"), samples)


if __name__ == "__main__":
    main()
