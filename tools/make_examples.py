#!/usr/bin/env python3
"""Writes the example programs of the Examples window (examples/*.json).

Run it after changing an example and commit the output. Each example is a program document as the
editor saves it, with one more key the editor ignores: "Example" names the dictionary keys of its
title and one-line description (every language's base.json holds them) and the world of the
virtual robot it is meant for (a folder of worlds/).

Distances and turns follow the virtual robot (worlds/*/world.json): a speed unit is 2 mm/s per
wheel and the wheels are 120 mm apart, so turning on the spot at speed s sweeps s/30 radians a
second: speed 47 for 1 s is a quarter turn, speed 63 for 1 s a third of a turn.
"""
import json
import os

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "examples")

# Gadget ids of the shipped kits (Languages/*/base.json).
BUTTON, LINE, DISTANCE, SERVO, LED, MOTOR1, MOTOR2, MATRIX, BUZZER = 1, 11, 13, 20, 30, 40, 41, 60, 70

MOTORS = [("D5", MOTOR1), ("D6", MOTOR2)]
PICTURE = [("D11", MATRIX), ("D12", MATRIX), ("D13", MATRIX)]
SPEAKER = [("D8", BUZZER)]


# ---- command objects, written as the editor writes them --------------------------------------

def always():
    return {"type": "always"}


def analog(pin, equation, level):
    return {"type": "single",
            "data": [{"pin": pin, "equation": equation, "level": str(level), "level2": None}]}


def pressed(pin, level=1):
    return {"type": "single", "data": [{"pin": pin, "equation": "equals", "level": str(level)}]}


def counter(level):
    return {"type": "single", "data": [{"equation": "counter", "level": str(level)}]}


def command(name, conditions=None, **action):
    return {"conditions": conditions or always(), "action": {"command": name, **action}}


def drive(name, speed, time=None, when=None):
    timed = time is not None
    return command(name, when, speed=str(speed), timer="1" if timed else "0",
                   time=str(time if timed else 1), brake="1" if timed else "0")


def stop(when=None):
    return command("m_stop", when, brake="1")


def led(pin, on, when=None):
    return command("mSetleds", when, pin=pin, state="1" if on else "0")


def pause(seconds):
    return command("mPause", hour="0", minute="0", second=str(seconds))


def sound(note, octave, time, when=None):
    return command("mSound", when, note=note, octave=str(octave), time=str(time))


def melody(tempo, notes):
    """notes: "C4:4 D4:4 ..." with lengths 16 whole, 8 half, 4 quarter, 2 eighth; "0:4" a rest."""
    sounds = []
    for item in notes.split():
        pitch, length = item.split(":")
        if pitch == "0":
            sounds.append({"note": "0", "length": length})
        else:
            sounds.append({"note": pitch[:-1], "octave": pitch[-1], "length": length})
    return command("mMusic", tempo=tempo, sounds=sounds)


def servo(pin, angle, time):
    return command("mServowork", servos=[{"pin": pin, "angle": angle}], timer="1", time=str(time))


def call(proc, when=None):
    return command("call", when, proc=proc)


def picture(art, when=None):
    rows = [row for row in art.strip("\n").split("\n")]
    assert len(rows) == 8 and all(len(row) == 8 for row in rows), art
    return command("mMatrix", when, pict=[1 if c == "#" else 0 for row in rows for c in row])


def loop(*body):
    return [command("mStartCycle"), *body, command("mEndCycle")]


# ---- pictures for the 8x8 matrix --------------------------------------------------------------

SMILE = """
..####..
.#....#.
#.#..#.#
#......#
#.#..#.#
#..##..#
.#....#.
..####..
"""
HEART = """
.##..##.
########
########
########
.######.
..####..
...##...
........
"""
SMALL_HEART = """
........
..#..#..
.######.
.######.
..####..
...##...
........
........
"""
NOTE = """
...####.
...#..#.
...#..#.
...#..#.
.###.##.
####.###
.##...#.
........
"""
SQUARE = """
########
#......#
#......#
#......#
#......#
#......#
#......#
########
"""
TRIANGLE = """
...##...
...##...
..#..#..
..#..#..
.#....#.
.#....#.
########
........
"""
ARROW = """
...##...
..####..
.######.
########
...##...
...##...
...##...
...##...
"""
STOP = """
..####..
.######.
########
#......#
#......#
########
.######.
..####..
"""
BLANK = "\n".join(["........"] * 8)


def pins(*groups):
    return {"Motor1": 100, "Motor2": 100,
            "pins": [{"pinLbl": label, "gadgetId": gadget} for group in groups
                     for label, gadget in group],
            "servocalibr": []}


# ---- the examples -------------------------------------------------------------------------------

PLAYGROUND, TRACK, SLALOM, OBSTACLE = "03_playground", "01_track", "04_slalom", "05_obstacle"
LIGHTS = [("D2", LED), ("D3", LED), ("D4", LED)]


def side_and_corner():
    return [drive("m_fwd", 80, 2), drive("m_turnleft", 47, 1)]


EXAMPLES = [
    ("light-show", "ExampleLightShow", PLAYGROUND, pins(LIGHTS),
     [loop(led("D2", True), pause(0.3), led("D2", False),
           led("D3", True), pause(0.3), led("D3", False),
           led("D4", True), pause(0.3), led("D4", False))]),
    ("traffic-light", "ExampleTrafficLight", PLAYGROUND, pins(LIGHTS),
     [loop(led("D2", True), pause(3), led("D3", True), pause(1), led("D2", False),
           led("D3", False), led("D4", True), pause(3), led("D4", False), led("D3", True),
           pause(1), led("D3", False))]),
    ("animation", "ExampleAnimation", PLAYGROUND, pins(PICTURE),
     [loop(picture(HEART), pause(0.5), picture(SMALL_HEART), pause(0.5))]),
    ("melody", "ExampleMelody", PLAYGROUND, pins(PICTURE, SPEAKER),
     [[picture(NOTE),
       melody(120, "C4:4 C4:4 G4:4 G4:4 A4:4 A4:4 G4:8 F4:4 F4:4 E4:4 E4:4 D4:4 D4:4 C4:8"),
       pause(1), picture(SMILE)]]),
    ("button-sound", "ExampleButtonSound", PLAYGROUND, pins([("D2", BUTTON)], PICTURE, SPEAKER),
     [loop(sound("C", 5, 0.3, pressed("D2")), picture(SMILE, pressed("D2")),
           picture(BLANK, pressed("D2", 0)))]),
    ("servo-wave", "ExampleServoWave", PLAYGROUND, pins([("D9", SERVO)]),
     [loop(servo("D9", 30, 0.5), servo("D9", 150, 0.5))]),
    ("square", "ExampleSquare", PLAYGROUND, pins(MOTORS, PICTURE),
     [[picture(SQUARE), *side_and_corner(), *side_and_corner(), *side_and_corner(),
       *side_and_corner(), picture(SMILE)]]),
    ("triangle", "ExampleTriangle", PLAYGROUND, pins(MOTORS, SPEAKER),
     [[call(1), call(1), call(1)],
      [drive("m_fwd", 80, 1.5), sound("C", 5, 0.2), drive("m_turnleft", 63, 1)]]),
    ("counted-square", "ExampleCountedSquare", PLAYGROUND, pins(MOTORS, PICTURE),
     [[picture(SQUARE), *loop(*side_and_corner(), call(1, counter(3)))],
      [stop(), picture(SMILE), *loop(pause(1))]]),
    ("slalom", "ExampleSlalom", SLALOM, pins(MOTORS),
     [[drive("m_turnleft", 47, 0.5), drive("m_fwd", 80, 2.2),
       drive("m_turnright", 47, 1), drive("m_fwd", 80, 4.4),
       drive("m_turnleft", 47, 1), drive("m_fwd", 80, 4.4),
       drive("m_turnright", 47, 1), drive("m_fwd", 80, 2.2),
       drive("m_turnleft", 47, 0.5)]]),
    ("stop-at-line", "ExampleStopAtLine", PLAYGROUND, pins(MOTORS, [("A0", LINE)], PICTURE),
     [[picture(ARROW),
       *loop(drive("m_fwd", 50, when=analog("A0", "greater", 100)),
             stop(analog("A0", "smaller", 101)),
             picture(STOP, analog("A0", "smaller", 101)))]]),
    ("line-follower", "ExampleLineFollower", TRACK,
     pins([("A0", LINE), ("A1", LINE)], MOTORS, PICTURE),
     [[picture(SMILE),
       *loop(drive("m_fwd", 50, when={"type": "and", "data": [
                 analog("A0", "greater", 128)["data"][0], analog("A1", "greater", 128)["data"][0]]}),
             drive("m_left", 50, when=analog("A0", "smaller", 128)),
             drive("m_right", 50, when=analog("A1", "smaller", 128)))]]),
    ("obstacle", "ExampleObstacle", OBSTACLE, pins(MOTORS, [("A0", DISTANCE)], [("D2", LED)]),
     [loop(drive("m_fwd", 60, when=analog("A0", "greater", 30)),
           led("D2", False, analog("A0", "greater", 30)),
           led("D2", True, analog("A0", "smaller", 31)),
           drive("m_turnleft", 40, 0.6, analog("A0", "smaller", 31)))]),
]


def main():
    os.makedirs(ROOT, exist_ok=True)
    for name in os.listdir(ROOT):
        if name.endswith(".json"):
            os.remove(os.path.join(ROOT, name))
    for number, (name, key, world, configuration, programs) in enumerate(EXAMPLES, start=1):
        document = {
            "Example": {"Title": key + "Title", "Description": key + "Text", "World": world},
            "ProgData": programs,
            "configuration": configuration,
        }
        path = os.path.join(ROOT, f"{number:02d}_{name}.json")
        with open(path, "w", encoding="utf-8") as out:
            json.dump(document, out, indent=4, ensure_ascii=False)
            out.write("\n")


if __name__ == "__main__":
    main()
