#!/usr/bin/env python3
"""Writes Dupe.wav, the short chime played when a search found duplicates."""
import math
import struct
import wave

RATE = 22050

def note(frequency, seconds, volume):
    frames = int(RATE * seconds)
    for i in range(frames):
        t = i / RATE
        envelope = math.exp(-5.0 * t) * min(1.0, t * 200.0)
        value = math.sin(2 * math.pi * frequency * t) + 0.3 * math.sin(4 * math.pi * frequency * t)
        yield volume * envelope * value / 1.3

samples = list(note(880.0, 0.18, 0.5)) + list(note(1318.5, 0.45, 0.5))
with wave.open("Dupe.wav", "wb") as out:
    out.setnchannels(1)
    out.setsampwidth(2)
    out.setframerate(RATE)
    out.writeframes(b"".join(struct.pack("<h", int(s * 32767)) for s in samples))
