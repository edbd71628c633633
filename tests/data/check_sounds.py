#!/usr/bin/python3
"""Checks the program's four sounds as built: RIFF/WAVE files with uncompressed 16-bit PCM,
mono or stereo, between 0.2 and 1.5 seconds long, each sounding different, and the start
signal loud from its first milliseconds (no fade-in that would blur the moment of the start).

    python3 tests/data/check_sounds.py <folder with the sounds>"""
import os
import struct
import sys
import unittest
import wave

FOLDER = None
NAMES = ["Audio-Start", "Audio-Achtung", "Audio-Fehlstart", "Audio-Stopp"]


def samples(path):
    with wave.open(path, "rb") as w:
        raw = w.readframes(w.getnframes())
        channels, rate = w.getnchannels(), w.getframerate()
    values = struct.unpack("<%dh" % (len(raw) // 2), raw)
    return values[::channels], rate  # the first channel


class Sounds(unittest.TestCase):
    def test_format_and_length(self):
        for name in NAMES:
            with self.subTest(sound=name):
                path = os.path.join(FOLDER, name + ".wav")
                with open(path, "rb") as f:
                    header = f.read(36)
                self.assertEqual(header[0:4], b"RIFF")
                self.assertEqual(header[8:16], b"WAVEfmt ")
                audio_format, channels, rate = struct.unpack("<HHI", header[20:28])
                bits = struct.unpack("<H", header[34:36])[0]
                self.assertEqual(audio_format, 1, "not PCM")
                self.assertIn(channels, (1, 2))
                self.assertEqual(bits, 16)
                self.assertEqual(struct.unpack("<I", header[4:8])[0], os.path.getsize(path) - 8)
                with wave.open(path, "rb") as w:
                    seconds = w.getnframes() / w.getframerate()
                self.assertGreaterEqual(seconds, 0.2)
                self.assertLessEqual(seconds, 1.5)

    def test_start_signal_has_a_sharp_onset(self):
        values, rate = samples(os.path.join(FOLDER, "Audio-Start.wav"))
        loudest = max(abs(v) for v in values)
        first = values[: rate * 5 // 1000]  # the first 5 ms
        self.assertGreater(loudest, 16000, "too quiet to be heard outdoors")
        self.assertGreaterEqual(max(abs(v) for v in first), loudest // 2)

    def test_sounds_differ(self):
        # the rate of zero crossings tells the pitches apart, the length the rest
        shapes = {}
        for name in NAMES:
            values, rate = samples(os.path.join(FOLDER, name + ".wav"))
            crossings = sum(1 for a, b in zip(values, values[1:]) if (a < 0) != (b < 0))
            shapes[name] = (round(crossings * rate / len(values), -1), round(len(values) / rate, 1))
        self.assertEqual(len(set(shapes.values())), len(NAMES), shapes)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: check_sounds.py <folder>")
    FOLDER = sys.argv.pop(1)
    unittest.main(verbosity=1)
