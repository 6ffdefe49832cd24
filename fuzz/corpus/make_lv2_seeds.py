#!/usr/bin/env python3
"""Writes the seed programs of fuzz_lv2 into lv2/ (format: the comment at the
top of fuzz/lv2_fuzzer.cpp). Run again after changing that format."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
FILTER, STEREO, OSC, SYNTH = 0, 1, 2, 3  # plugins in URI order
PORTS = {FILTER: 15, STEREO: 17, OSC: 13, SYNTH: 48}


def u8(x): return bytes([x & 0xFF])
def u16(x): return struct.pack('<H', x & 0xFFFF)
def i32(x): return u8(6) + struct.pack('<i', x)
def val(v): return u8(3) + struct.pack('<f', v)


def header(plugin, rate=1, features=0b01011, length=512, ports=None):
    out = u8(plugin) + u8(rate) + u8(features)
    if features & 8:
        out += i32(length)
    # Each port on a buffer of its own unless told otherwise.
    return out + b''.join(u8(p) for p in (ports or range(PORTS[plugin])))


def run(n, fills=b'', events=b'', flags=0):
    # n from 80 up: bit 15 set picks n % (promise + 1)
    return u8(0) + u16(0x8000 | n) + fills + u8(flags) + events


def tone(step=20): return u8(1) + u8(step)
def const(v): return u8(3) + val(v)


def event(frame, data, kind=1, lying=None):
    if lying is not None:
        kind |= 2
    out = u8(0) + u16(frame) + u8(kind) + u8(len(data))
    if lying is not None:
        out += struct.pack('<I', lying)
    return out + bytes(data)


def controls(*pairs):
    return u8(4) + u8(len(pairs)) + b''.join(u8(p) + val(v) for p, v in pairs)


def connect(port, choice): return u8(1) + u8(port) + u8(choice)


SEEDS = {
    'filter_tone': header(FILTER) + run(512, tone() + const(0.1) + const(-0.2)) * 4,
    'filter_resonant': header(FILTER) + controls((3, 10.0), (4, 15.0), (7, 1.0), (5, 2.0),
                                                 (6, 5.0), (2, 3000.0)) +
    run(512, tone(3) + const(0.0) + const(0.0)) * 6,
    # output level up, then bypassed while the input is wild
    'filter_stage': header(FILTER) + controls((13, 12.0)) + run(512, tone() + const(0.0) +
                                                               const(0.0)) +
    controls((14, 0.0)) + run(700, u8(2) + u8(3) + val(1e30) + val(-1.0) + val(0.5) + val(2.0) +
                              const(0.0) + const(0.0)) * 2,
    # in_r on out_l's buffer, then in-place on both channels
    'stereo_shared': header(STEREO, ports=[0, 1, 1, 3] + list(range(4, 15))) +
    run(300, tone() + tone(40) + const(0.3) + const(0.0)) * 2 + connect(2, 0) + connect(3, 1) +
    run(511, tone() + tone(7) + const(0.0) + const(0.0)),
    'oscillator_notes': header(OSC) + run(400, const(0.0), event(10, [0x90, 60, 100]) +
                                          event(200, [0xE0, 0, 0x50]), 2 << 3) +
    run(400, const(0.05), event(100, [0x80, 60, 0]), 1 << 3),
    'oscillator_liar': header(OSC) + run(200, const(0.0), event(0, [0x90, 69, 100]) +
                                         event(3, [0x90, 60, 100], lying=1 << 20), 2 << 3),
    'synth_chord': header(SYNTH) + run(600, b'', event(0, [0x90, 48, 100]) +
                                       event(0, [0x90, 55, 100]) + event(300, [0x90, 60, 127]),
                                       3 << 3) + run(600, b'', event(100, [0xB0, 123, 0]), 1 << 3),
    'unpromised': header(OSC, features=0b10011) + run(3000, const(0.0), event(5, [0x90, 40, 90]),
                                                       1 << 3),
}

if __name__ == '__main__':
    for name, data in SEEDS.items():
        with open(os.path.join(HERE, 'lv2', name + '.bin'), 'wb') as f:
            f.write(data)
