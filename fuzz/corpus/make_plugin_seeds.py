#!/usr/bin/env python3
"""Writes the seed programs of fuzz_plugins into plugins/ (format: the comment
at the top of fuzz/plugin_fuzzer.cpp). Run again after changing that format."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
NAN, INF = math.nan, math.inf


def u8(x): return bytes([x & 0xFF])
def u16(x): return struct.pack('<H', x & 0xFFFF)
def i32(x): return u8(6) + struct.pack('<i', x)
def val(v): return u8(3) + struct.pack('<f', v)
def choice_value(c): return u8(0) + struct.pack('<h', c)


def header(mode, rate, block): return u8(mode) + u8(rate) + u16(block - 1)
def process(n): return u8(0) + u8(n - 1)
def const(inst, pin, at, v): return u8(1) + u8(inst) + u8(pin) + u16(at) + u8(0) + val(v)


def stream(inst, pin, at, values):
    return (u8(1) + u8(inst) + u8(pin) + u16(at) + u8(1) + u8(len(values) - 1) +
            b''.join(val(v) for v in values))


def choice(inst, pin, at, c): return u8(2) + u8(inst) + u8(pin) + u16(at) + choice_value(c)


def event(inst, at, kind, pin, status, short=0):
    return u8(3) + u8(inst) + u16(at) + i32(kind) + i32(pin) + i32(status) + u16(short)


def dispatch(inst, opcode, index=0, value=0, ptr=1, opt=0.0):
    return u8(4) + u8(inst) + i32(opcode) + i32(index) + i32(value) + u8(ptr) + val(opt)


def rate(i): return u8(5) + u8(i)
def block(n): return u8(6) + u16(n - 1)
def reopen(inst): return u8(7) + u8(inst)


def library(lib, prop_index, index, kind, gui_calls):
    out = u8(8) + u8(lib) + i32(prop_index) + u8(1) + i32(index) + i32(kind) + u8(len(gui_calls))
    for opcode, idx, value in gui_calls:
        out += i32(opcode) + i32(idx) + i32(value) + u8(1) + val(0.5)
    return out


# Modes; rate indices into kRates; pins as indices among the free inputs.
FILTER, LINKED, LONE, CHAIN = range(4)
R44, R48, R96, R8K, R768K, R1HZ, R1E9 = 0, 1, 2, 3, 6, 9, 13
F_SIGNAL, F_PITCH, F_RES = 0, 1, 2                       # filter audio inputs
F_TYPE, F_TAP, F_QTAP, F_EMULATE, F_VERSION, F_BASS = range(6)
O_PITCH, O_ADJUST, O_REF, O_PW, O_SYNC, O_LIMIT = range(6)   # oscillator audio inputs
(O_SYNC_ACC, O_WAVE, O_QUALITY, O_HARMONICS, O_LIMIT_SYS, O_MODE, O_MOD_ACC, O_HOLD,
 O_ACTIVE) = range(9)

SEEDS = {
    'filter_sweep': header(FILTER, R44, 256) +
    stream(0, F_SIGNAL, 0, [0.5, -0.5, 0.25, 0.9]) + const(0, F_RES, 0, 0.9) +
    choice(0, F_TAP, 10, 4) + process(4) + choice(0, F_EMULATE, 0, 0) +
    choice(0, F_VERSION, 5, 1) + stream(0, F_PITCH, 100, [0.2, 0.8]) + process(4) +
    const(0, F_SIGNAL, 30, 0.0) + process(4) + stream(0, F_SIGNAL, 7, [NAN, INF, 1e30]) +
    process(2),
    'filter_block1': header(FILTER, R768K, 1) +
    stream(0, F_SIGNAL, 0, [1e-40, -1e-40, 0.3]) + choice(0, F_TYPE, 0, 1) +
    choice(0, F_BASS, 0, 3) + choice(0, F_QTAP, 0, 0) + process(4) + block(1) + rate(R8K) +
    reopen(0) + process(4) + const(0, F_PITCH, 0, -1e30) + process(2),
    'chain': header(CHAIN, R48, 64) +
    choice(1, O_ACTIVE, 0, 1) + choice(1, O_WAVE, 0, 5) +
    stream(1, O_PITCH, 0, [0.3, 0.35, 0.4]) + process(4) + choice(1, O_HOLD, 3, 1) +
    process(3) + choice(1, O_HOLD, 0, 0) + reopen(0) + process(2) + choice(2, F_TAP, 0, 4) +
    process(4) + choice(1, O_ACTIVE, 20, 0) + process(4),
    'oscillator_sync': header(LINKED, R96, 128) +
    choice(1, O_ACTIVE, 0, 1) + stream(1, O_SYNC, 0, [-1.0, 1.0, -1.0, -1.0, 1.0]) +
    choice(1, O_SYNC_ACC, 0, 1) + choice(1, O_MODE, 0, 2) + const(1, O_PITCH, 0, 0.044) +
    process(4) + choice(1, O_MODE, 0, 1) + choice(1, O_MOD_ACC, 0, 1) +
    stream(1, O_PITCH, 0, [0.1, 0.6]) + process(4) + choice(1, O_WAVE, 0, 255) + process(2) +
    choice(1, O_HARMONICS, 0, 3) + choice(1, O_LIMIT_SYS, 0, 2) + const(1, O_LIMIT, 0, 0.1) +
    process(3),
    'oscillator_extremes': header(LINKED, R1HZ, 32) +
    choice(1, O_ACTIVE, 0, 1) + const(1, O_PITCH, 0, NAN) + process(1) + rate(R1E9) +
    block(1) + process(4) + stream(1, O_PW, 0, [INF, -INF, 1e-45]) + process(2) +
    dispatch(1, 13) + dispatch(1, 7) + dispatch(1, 8, 3) + event(1, 0, 21, 12345, 0) +
    event(1, 0, 0, 99, 7) + event(1, 0, 0, 5, 2) + event(1, 0, 2, 0, 0, 0xFFFF) +
    library(1, 0, 0, 2, [(0, 1, 0), (7, 0, 0), (10, 0, 0)]) + library(0, 5, 0, 2, []) +
    process(2),
    'oscillator_unlinked': header(LONE, R44, 512) +
    choice(0, O_ACTIVE, 0, 1) + stream(0, O_PITCH, 0, [0.5, 0.7]) + process(2) +
    choice(0, O_WAVE, 0, 300) + reopen(0) + process(2),
}

if __name__ == '__main__':
    out = os.path.join(HERE, 'plugins')
    os.makedirs(out, exist_ok=True)
    for name, program in SEEDS.items():
        with open(os.path.join(out, name + '.bin'), 'wb') as f:
            f.write(program)
