#!/usr/bin/env python3
"""Writes drum_loop.wav: one bar of a synthetic drum pattern at 120 BPM
(kick, snare, closed hats), mono, 16-bit, 22050 Hz, two seconds. The file is
kept in the repository; this script only documents how it was made.
Standard library only: python3 make_drum_loop.py"""
import math
import random
import struct
import wave

RATE = 22050
BEAT = RATE // 2  # 120 BPM
LENGTH = 4 * BEAT
rng = random.Random(7)
out = [0.0] * LENGTH


def add(start, samples):
    for i, s in enumerate(samples):
        if start + i < LENGTH:
            out[start + i] += s


def kick():
    n = int(0.35 * RATE)
    phase, res = 0.0, []
    for i in range(n):
        t = i / RATE
        freq = 45 + 110 * math.exp(-t * 28)  # a falling pitch gives the thump
        phase += 2 * math.pi * freq / RATE
        res.append(0.9 * math.sin(phase) * math.exp(-t * 9))
    return res


def snare():
    n = int(0.22 * RATE)
    res = []
    for i in range(n):
        t = i / RATE
        tone = 0.35 * math.sin(2 * math.pi * 190 * t) * math.exp(-t * 30)
        noise = 0.45 * (rng.random() * 2 - 1) * math.exp(-t * 18)
        res.append(tone + noise)
    return res


def hat(level):
    n = int(0.05 * RATE)
    res, prev = [], 0.0
    for i in range(n):
        x = rng.random() * 2 - 1
        res.append(level * (x - prev) * 0.5 * math.exp(-i / RATE * 90))  # high-passed noise
        prev = x
    return res


for beat in range(4):
    start = beat * BEAT
    if beat in (0, 2):
        add(start, kick())
    if beat in (1, 3):
        add(start, snare())
    add(start, hat(0.35))
    add(start + BEAT // 2, hat(0.2))
add(3 * BEAT + BEAT // 2 + BEAT // 4, kick())  # a pickup into the next bar

peak = max(abs(s) for s in out)
with wave.open("drum_loop.wav", "wb") as w:
    w.setnchannels(1)
    w.setsampwidth(2)
    w.setframerate(RATE)
    w.writeframes(b"".join(struct.pack("<h", int(round(s / peak * 0.9 * 32767))) for s in out))
