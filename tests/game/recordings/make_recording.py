#!/usr/bin/env python3
"""Writes a Lumbrix input recording (what `lumbrix -record` writes: one 3,034-byte frame of the
live input state per game step) from a list of timed inputs, gzip-compressed.

Used where the game cannot be played in a window: the frames are the ones -record would write for
the same inputs, held keys and mouse button, their one-step pressed and released flags, and the
mouse position in window pixels.

    make_recording.py PLAN OUT.rec.gz

PLAN holds one instruction a line ('#' starts a comment):
    wait N            N steps with nothing new
    mouse X Y         the pointer moves to (X, Y) (window pixels)
    click             the left button goes down for one step and up in the next
    hold KEY N        the virtual key KEY (decimal) is held for N steps, then let go
    end N             N idle steps to finish with
"""
import gzip
import struct
import sys

KEYS = 256
DEVICES = 10
BUTTONS = 3
STRING_UNITS = 1025
FRAME_SIZE = 3034


class State:
    def __init__(self):
        self.held = [False] * KEYS
        self.pressed = [False] * KEYS
        self.released = [False] * KEYS
        self.current_key = 0
        self.last_key = 0
        self.button_held = False
        self.button_pressed = False
        self.button_released = False
        self.mouse_button = 0
        self.last_button = 0
        self.mouse = (0, 0)

    def frame(self):
        out = bytearray()
        out += struct.pack('<H', 0)                    # last character
        out += bytes(2 * STRING_UNITS)                 # keyboard string (empty)
        out += struct.pack('<ii', self.last_key, self.current_key)
        out += bytes(self.held) + bytes(self.released) + bytes(self.pressed)
        out += struct.pack('<10i', self.last_button, *([0] * 9))
        out += struct.pack('<10i', self.mouse_button, *([0] * 9))
        for flag in (self.button_held, self.button_released, self.button_pressed):
            device0 = [flag, False, False]
            out += bytes(device0 + [False] * (BUTTONS * (DEVICES - 1)))
        out += bytes(2 * DEVICES)                      # wheels
        out += struct.pack('<iiii', self.mouse[0], self.mouse[1], self.mouse[0], self.mouse[1])
        assert len(out) == FRAME_SIZE
        # One-step flags live for one frame only.
        self.pressed = [False] * KEYS
        self.released = [False] * KEYS
        self.button_pressed = False
        self.button_released = False
        return bytes(out)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    state = State()
    frames = []
    for number, raw in enumerate(open(sys.argv[1]), 1):
        words = raw.split('#', 1)[0].split()
        if not words:
            continue
        op, args = words[0], [int(w) for w in words[1:]]
        if op in ('wait', 'end'):
            frames += [state.frame() for _ in range(args[0])]
        elif op == 'mouse':
            state.mouse = (args[0], args[1])
        elif op == 'click':
            state.button_held = state.button_pressed = True
            state.mouse_button = state.last_button = 1
            frames.append(state.frame())
            state.button_held = False
            state.button_released = True
            state.mouse_button = 0
            frames.append(state.frame())
        elif op == 'hold':
            key, steps = args
            state.held[key] = state.pressed[key] = True
            state.current_key = state.last_key = key
            frames += [state.frame() for _ in range(steps)]
            state.held[key] = False
            state.released[key] = True
            state.current_key = 0
        else:
            sys.exit(f'{sys.argv[1]}:{number}: unknown instruction {op}')
    with gzip.GzipFile(sys.argv[2], 'wb', mtime=0) as out:
        out.write(b''.join(frames))


if __name__ == '__main__':
    main()
