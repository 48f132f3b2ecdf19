#!/usr/bin/env python3
# corrtool --json: every command that prints results prints one strict JSON
# object on one line, whose keys have the documented types (docs/json.md) and
# whose values are the ones its key=value lines show; computation numbers are
# metres and seconds whatever units the file keeps and the lines are shown in.
#
#   json_output.py [EMULATOR ...] CORRTOOL [--devices]
import json
import os
import struct
import subprocess
import sys
import tempfile

# The command that runs corrtool: its path, after the emulator's words when
# the build is for another architecture.
corrtool = [a for a in sys.argv[1:] if a != "--devices"]
with_devices = "--devices" in sys.argv[1:]
failures = []


def fail(what):
    failures.append(what)
    print("FAIL:", what)


def tool(root, *args):
    done = subprocess.run([*corrtool, "--root", root, *args], capture_output=True, text=True, timeout=120)
    return done.returncode, done.stdout, done.stderr


def reject_constant(name):
    raise ValueError("not a JSON number: " + name)


def unique_keys(pairs):
    keys = [k for k, _ in pairs]
    if len(keys) != len(set(keys)):
        raise ValueError("repeated key in " + ", ".join(keys))
    return dict(pairs)


def parse(text):
    return json.loads(text, parse_constant=reject_constant, object_pairs_hook=unique_keys)


def is_number(v):
    return isinstance(v, (int, float)) and not isinstance(v, bool)


TYPES = {
    "s": lambda v: isinstance(v, str),
    "n": is_number,
    "i": lambda v: is_number(v) and float(v).is_integer(),
    "N": lambda v: v is None or is_number(v),
    "b": lambda v: isinstance(v, bool),
    "a": lambda v: isinstance(v, list),
}


# "key:t" with t one of s (string), n (number), i (whole number), N (number or
# null), b (boolean), a (array); "list[].key:t" holds for every item of list.
def check_schema(name, obj, schema):
    for word in schema.split():
        key, kind = word.rsplit(":", 1)
        owners = [obj]
        if "[]." in key:
            listed, key = key.split("[].", 1)
            if not isinstance(obj.get(listed), list):
                fail(f"{name}: {listed} is not a list")
                continue
            owners = obj[listed]
        for owner in owners:
            if key not in owner:
                fail(f"{name}: missing {word}")
            elif not TYPES[kind](owner[key]):
                fail(f"{name}: {word} is {owner[key]!r}")


# Every key=value line whose key the object holds as a scalar shows the same value.
def check_same_values(name, obj, lines):
    for line in lines.splitlines():
        key, eq, text = line.partition("=")
        if not eq or key not in obj:
            continue
        v = obj[key]
        if isinstance(v, bool):
            same = (text in ("yes", "1")) == v
        elif is_number(v):
            try:
                same = abs(float(text) - v) <= 1e-5 * abs(v) + 1e-12
            except ValueError:
                same = False
        elif isinstance(v, str):
            same = text == v
        else:
            continue
        if not same:
            fail(f"{name}: line {line!r} against {v!r}")


def one_object(name, out):
    if out.find("\n") != len(out) - 1:
        fail(f"{name}: not one line: {out!r}")
        return None
    try:
        obj = parse(out)
    except ValueError as e:
        fail(f"{name}: {e}: {out!r}")
        return None
    if not isinstance(obj, dict):
        fail(f"{name}: not an object")
        return None
    return obj


PEAK = " peak_lag:i peak_delay_s:n peak_height:i snr:n distance_a_m:n distance_b_m:n"
COMP = (" stored_length_unit:s stored_time_unit:s points:a points[].separation_m:n points[].delay_s:n"
        " points[].included:b included_count:i left_station:i right_station:i leak_distance_m:N"
        " velocity_m_per_s:N")


def rows(d):
    run = d + "/run"
    yield ["acquire", "--seconds", "1"], (
        "scenario:s seconds:n sample_rate:n decimation:i engine:s blocks:i blocks_overrun:i max_lag:i"
        " samples_correlated:i band_low_hz:n band_high_hz:n scenario_delay_samples:n scenario_distance_a_m:n" + PEAK)
    yield ["corr", "info", run + ".corr"], (
        "file:s title:s comment1:s comment2:s comment3:s reference:s elapsed_s:n pipe:s pipe_length_m:n filter:s"
        " traces:i accumulators:i post_filter:i range:n range_unit:i max_lag:i samples_correlated:i"
        " red_samples_stored:i file_sample_rate:n" + PEAK)
    yield ["corr", "replay", run + ".corr", "--out", d + "/again"], (
        "file:s recording:s frames:i engine:s kernel:s post_filter:i traces:i sample_rate:n max_lag:i"
        " samples_correlated:i filter:s saved:s" + PEAK)
    yield ["corr", "verify", run + ".corr"], "file:s verify:s differences:a"
    yield ["comp", "add", d + "/v.comp", run + ".corr", d + "/again.corr"], "file:s" + COMP
    yield ["comp", "show", "--feet", "--ms", d + "/v.comp"], "file:s" + COMP
    yield ["wav", "info", run + "_corr.wav"], (
        "file:s bytes:i riff:s riffSize:i wave:s fmt:s fmtSize:i format:i channels:i sampleRate:i byteRate:i"
        " blockAlign:i bitsPerSample:i data:s dataSize:i frames:i seconds:n playable:b")
    yield ["conf", "show", d + "/conf.dat"], (
        "file:s load:s surveyRange:i surveyCustomCutoffs:a unitSystem:i velocityPerMs:i language:s radio:a"
        " radio[].frequency:i radio[].spacing:i reserved129:s postFilter:i sharpenSelection:i")
    yield ["materials", "show"], (
        "file:s load:s slots:a slots[].slot:i slots[].name:s slots[].group:i slots[].colour_rgb:a slots[].bands:a")
    yield ["analyze", run + ".corr"], (
        "run:s method:s sample_rate:n max_lag:i band_low_hz:n band_high_hz:n segments:i coherence:n snr:n"
        " peak_lag:n peak_delay_s:n distance_a_m:n distance_b_m:n ci95_low_a_m:N ci95_high_a_m:N leak:s peaks:a"
        " peaks[].peak_lag:n peaks[].peak_delay_s:n peaks[].distance_a_m:n peaks[].distance_b_m:n"
        " peaks[].relative_height:n")
    if with_devices:
        yield ["devices"], "devices:a device_count:i"


def check_commands(d):
    if tool(d, "acquire", "--seconds", "1", "--out", d + "/run")[0] != 0:
        return fail("acquire --out")
    if tool(d, "conf", "write-default", d + "/conf.dat")[0] != 0:
        return fail("conf write-default")
    for args, schema in rows(d):
        name = " ".join(args[:2])
        code, out, err = tool(d, *args, "--json")
        if code != 0:
            fail(f"{name}: exit {code}: {err}")
            continue
        obj = one_object(name, out)
        if obj is not None:
            check_schema(name, obj, schema)
            check_same_values(name, obj, tool(d, *args)[1])


# 100 m at 50 ms and 200 m at 150 ms, stored in feet and milliseconds, make
# 1000 m/s and a source 25 m from A.
def check_computation_units(d):
    point = lambda x, y, included: struct.pack("<ffB3x", x, y, included)
    points = point(100 / 0.3048, 50, 1) + point(200 / 0.3048, 150, 1)
    body = struct.pack("<iiii", 1, 1, len(points) + 4, 2) + points
    stations = b"LRDt" + struct.pack("<iii", 8, 1, 2)
    data = b"TkLR" + struct.pack("<ih", 2, 1) + b"LinR" + struct.pack("<i", len(body)) + body + stations
    path = d + "/feet.comp"
    with open(path, "wb") as f:
        f.write(data)
    for args in (["comp", "show", path], ["comp", "show", "--feet", "--ms", path]):
        name = " ".join(args)
        shown = one_object(name, tool(d, *args, "--json")[1])
        if shown is None:
            continue
        second = shown["points"][1]
        got = (shown["stored_length_unit"], second["separation_m"], second["delay_s"], shown["velocity_m_per_s"],
               shown["leak_distance_m"])
        want = ("ft", 200.0, 0.15, 1000.0, 25.0)
        close = [abs(g - w) <= tol for g, w, tol in zip(got[1:], want[1:], (1e-3, 1e-6, 0.05, 1e-3))]
        if got[0] != want[0] or not all(close):
            fail(f"{name}: {got} instead of {want}")


with tempfile.TemporaryDirectory() as root:
    check_commands(root)
    check_computation_units(root)
sys.exit(1 if failures else 0)
