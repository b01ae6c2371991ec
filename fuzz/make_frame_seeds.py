#!/usr/bin/env python3
"""Writes the seed corpus of frame_fuzzer (fuzz/corpus/frame/).

The layout an input is read in (frame_fuzzer.cpp): a 32-bit seed; the
settings (an index into the fixed files, or 0xF0+ then a 16-bit length and
the INI text); the world (a shape byte: bit 7 a crowd of 1,100 peds, bit 6 the
player shooting, the low bits the number of NPCs; the player's weapon; per NPC
its weapon, dirt, degradation and flags); then, frame by frame, changes to the
world, the inputs (a flags byte: the low two bits the number of new presses,
bits 2-4 all set the pause menu, bits 5-7 all set the game's window behind
another; per press what is pressed and the frames it is held, less one), and
native by native a tag byte (even: the world answers).
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus", "frame")

# Indices of fuzz::ByteReader::real()'s chosen values.
F = {"0": 0, "1": 2, "-1": 3, "0.5": 4, "20": 8, "-20": 9, "89": 10, "-89": 11, "88.5": 12,
     "90": 13, "1e30": 15, "max": 17, "inf": 21, "-inf": 22, "nan": 23, "0.99": 27}
PISTOL, REVOLVER, REPEATER, RIFLE, SHOTGUN, EVERYTHING, LASSO, NOTHING = range(8)
SHOOTING = 1
# Indices of frame_fuzzer's menu inputs: F7 five times, the menu's keys, the frontend buttons.
F7 = 0
KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT, KEY_RETURN, KEY_BACK = range(5, 11)
PAD_UP, PAD_DOWN, PAD_LEFT, PAD_RIGHT, PAD_ACCEPT, PAD_CANCEL, PAD_RB = range(17, 24)
# The settings file with the menu on the controller's combination and on NUMPAD5.
MENU_GAMEPAD_SETTINGS = 6
# Zero bytes: frames in which the world answers and nothing changes or is pressed.
QUIET_FRAMES = bytes(2000)


def seed(value, settings, shape, player_weapon, npcs=(), frames=b""):
    data = struct.pack("<I", value) + bytes([settings, shape, player_weapon])
    for weapon, dirt, degradation, flags in npcs:
        data += bytes([weapon, F[dirt], F[degradation], flags])
    return data + frames


def change(*ops, presses=()):
    """One frame's changes, each op (code, *parameter bytes), then its new
    presses, each (menu input, frames held)."""
    out = bytes([len(ops)])
    for op in ops:
        out += bytes(op)
    out += bytes([len(presses)])
    for what, frames in presses:
        out += bytes([what, frames - 1])
    return out


seeds = {
    # A quiet fight: the player and three NPCs firing, the world answers.
    "quiet": seed(1, 0, 0x40 | 3, RIFLE,
                  [(PISTOL, "0.5", "0.5", SHOOTING), (REVOLVER, "0", "0", SHOOTING), (SHOTGUN, "0.99", "0.99", 0)]),
    # The camera's pitch read as NaN while a kick is pending.
    "nan-pitch": seed(0, 0, 0x40, PISTOL, [], change((3, F["nan"]))),
    # Failures on most shots, with the overlay and base degradation.
    "failures": seed(7, 1, 0x40 | 6, SHOTGUN,
                     [(w, "0.99", "0.99", SHOOTING) for w in (PISTOL, REVOLVER, REPEATER, RIFLE, SHOTGUN, EVERYTHING)]),
    # Effect dictionaries that never load: every effect waits its 301 frames.
    "never-loads": seed(3, 1, 0x40 | 2, RIFLE,
                        [(PISTOL, "0.99", "0.99", SHOOTING), (RIFLE, "0.99", "0.99", SHOOTING)],
                        change((6, 0, 2), (6, 1, 2), (7, 2))),
    # More peds than the scan's array, and a world list that lies about its count.
    "crowd": seed(5, 0, 0x80, PISTOL, [], change((0, 7), (0, 8))),
    # Numbers at their edges in the settings, odd answers from the game.
    "edges": seed(11, 3, 0x40 | 2, EVERYTHING,
                  [(EVERYTHING, "inf", "nan", SHOOTING | 8), (LASSO, "-inf", "1e30", SHOOTING | 16)],
                  change((4, F["-inf"]), (3, F["90"]))
                  + bytes([1, F["nan"], 3, 0x05, 7, 0x81, 0x01, F["inf"], 0x07, 0xFF, 0xFF, 0xFF, 0xFF, 0x09, 0x11])),
    # Heat and smoke: empty and long effect names, a fast-heating rifle, freezing weather.
    "heat": seed(13, 4, 0x40, RIFLE, [], change((4, F["-20"]), (11, 5))),
    # Vanishing peds, new weapons, a dead player, a ped in water.
    "vanishing": seed(17, 2, 0x40 | 4, REVOLVER,
                      [(REVOLVER, "0.5", "0.5", SHOOTING)] * 4,
                      change((1, 1), (9, 2, RIFLE), (10, 4 | 16), (12, 3))),
    # The settings menu opened with F7, Right held long enough to repeat, Down,
    # then frames of the open menu.
    "menu-keys": seed(23, 0, 0x40 | 2, RIFLE, [(PISTOL, "0.5", "0.5", SHOOTING), (SHOTGUN, "0.99", "0.99", SHOOTING)],
                      change(presses=[(F7, 1), (KEY_RIGHT, 40), (KEY_DOWN, 2)]) + QUIET_FRAMES),
    # The menu opened with the controller's RB and Left, then Accept held.
    "menu-pad": seed(29, MENU_GAMEPAD_SETTINGS, 0x40 | 1, REVOLVER, [(REVOLVER, "0.99", "0.99", SHOOTING)],
                     change(presses=[(PAD_RB, 5), (PAD_LEFT, 5), (PAD_ACCEPT, 30)]) + QUIET_FRAMES),
}

custom_ini = b"[Main]\r\ndebug_mode=1\r\n[Player]\r\nenable_explosion=1\r\n[NPC\r\nenable_explosion=0\r\n[Recoil]\r\nrifle_recoil=9,9\r\n"
seeds["custom-ini"] = (struct.pack("<I", 19) + bytes([0xF0]) + struct.pack("<H", len(custom_ini)) + custom_ini
                       + bytes([0x40, RIFLE]))

os.makedirs(OUT, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)
print(f"{len(seeds)} seeds in {OUT}")
