#!/usr/bin/env python3
"""Compares tumbor-render's tracker playback with reference players on real songs.

Subcommands (standard library only):
  sniff FILE                 print the module format found by signature, or "unknown"
  describe FILE...           a MOD's header, effect use and row timeline under Protracker rules
  channels RENDER FILE       a MOD played one channel at a time: which channel departs
  pitch RENDER               tuning of single MOD notes built in code, against the references
  timing RENDER              song lengths of MOD timing corner cases built in code
  compare RENDER DIR OUT     render every module under DIR with RENDER, openmpt123 and xmp,
                             compare lengths and loudness envelopes, print one line a file
"""

import argparse
import math
import os
import re
import subprocess
import sys
import tempfile
import wave
from collections import Counter

try:
    import warnings

    with warnings.catch_warnings():
        warnings.simplefilter("ignore", DeprecationWarning)
        import audioop  # fast RMS where it still exists (Python < 3.13)
except ImportError:  # pragma: no cover - depends on the Python version
    audioop = None
import array

RATE = 44100
WINDOW_SECONDS = 0.1
# The measure: the 10 ms loudness envelope's correlation with
# openmpt123's, which a song follows at 0.90 (MOD) or 0.85 (the others).
FINE_WINDOW_SECONDS = 0.01
FOLLOW_THRESHOLD = {"mod": 0.90}
FOLLOW_THRESHOLD_OTHERS = 0.85
START_DELAY_TICKS = 7
PAL_CLOCK = 3546895  # Amiga Paula clock (PAL), in Hz: a period p plays PAL_CLOCK / p samples a second
MODULE_SUFFIXES = ("mod", "s3m", "xm", "it", "mtm", "669", "stm", "far", "ptm", "dsm", "mdl", "dmf")

# ---- formats ---------------------------------------------------------------------


def is_mod_tag(tag):
    if tag in (b"M.K.", b"M!K!", b"FLT4", b"FLT8", b"4CHN", b"6CHN", b"8CHN", b"OKTA", b"CD81"):
        return True
    return bool(re.fullmatch(rb"[1-9]CHN|[0-9][0-9]CH|TDZ[1-9]", tag))


def sniff_bytes(data):
    """The module format of a file's bytes by its signature, or 'unknown'."""
    def at(offset, text):
        return data[offset:offset + len(text)] == text

    if at(44, b"SCRM"):
        return "s3m"
    if at(44, b"PTMF"):
        return "ptm"
    if at(0, b"Extended Module:"):
        return "xm"
    if len(data) >= 1084 and is_mod_tag(data[1080:1084]):
        return "mod"
    if at(0, b"MTM"):
        return "mtm"
    if at(0, b"if") or at(0, b"JN"):
        return "669"
    if at(0, b"DMDL"):
        return "mdl"
    if at(0, b"RIFF") and at(8, b"DSMF"):
        return "dsm"
    if at(0, b"FAR\xfe"):
        return "far"
    if at(20, b"!Scream!"):
        return "stm"
    if at(0, b"DDMF"):
        return "dmf"
    if at(0, b"IMPM"):
        return "it"
    return "unknown"


def sniff(path):
    with open(path, "rb") as f:
        return sniff_bytes(f.read(1084))


def mod_channels(tag):
    if tag in (b"M.K.", b"M!K!", b"FLT4", b"4CHN"):
        return 4
    if tag in (b"FLT8", b"OKTA", b"CD81"):
        return 8
    m = re.fullmatch(rb"([1-9])CHN|([0-9][0-9])CH|TDZ([1-9])", tag)
    if m:
        return int(next(g for g in m.groups() if g))
    return 4


def u16le(data, offset):
    return data[offset] | data[offset + 1] << 8 if offset + 1 < len(data) else 0


def header_timing(data, fmt):
    """(speed, tempo) in the header: what the song starts with before its first row."""
    if fmt == "s3m" and len(data) > 50:
        return data[49] or 6, data[50] or 125
    if fmt == "xm" and len(data) > 79:
        return u16le(data, 76) or 6, u16le(data, 78) or 125
    if fmt == "it" and len(data) > 0x33:
        return data[0x32] or 6, data[0x33] or 125
    return 6, 125


def first_row_timing(data, fmt):
    """(speed, tempo) of the first row: the header's, changed by a MOD's first Fxx."""
    speed, tempo = header_timing(data, fmt)
    song = parse_mod(data) if fmt == "mod" else None
    if song and song.length:
        for cell in song.row(song.orders[0], 0):
            if cell.effect == 0xF and cell.parameter:
                if cell.parameter < 0x20:
                    speed = cell.parameter
                else:
                    tempo = cell.parameter
    return speed, tempo


def row_seconds(speed, tempo):
    return speed * 2.5 / tempo


def start_delay_seconds(tempo):
    """Our player's silent start: 7 ticks at the initial tempo, in whole frames."""
    return START_DELAY_TICKS * ((RATE * 320 // max(tempo, 1)) >> 7) / RATE


# ---- MOD patterns ------------------------------------------------------------------


class ModCell:
    __slots__ = ("period", "sample", "effect", "parameter")

    def __init__(self, raw):
        self.period = (raw[0] & 15) << 8 | raw[1]
        self.sample = (raw[0] & 0xF0) | raw[2] >> 4
        self.effect = raw[2] & 15
        self.parameter = raw[3]

    def name(self):
        if self.effect == 0xE:
            return "E%Xx" % (self.parameter >> 4)
        return "%Xxx" % self.effect


class ModSong:
    def __init__(self, data, samples, tag, channels):
        self.data = data
        self.sample_count = samples
        self.tag = tag
        self.channels = channels
        base = 20 + 30 * samples
        self.title = data[:20].split(b"\0")[0].decode("latin-1").strip()
        self.length = data[base]
        self.restart = data[base + 1]
        self.orders = list(data[base + 2:base + 130])
        self.patterns = max(self.orders) + 1
        self.pattern_start = base + 130 + (4 if samples == 31 else 0)
        self.sample_headers = [data[20 + 30 * i:50 + 30 * i] for i in range(samples)]

    def row(self, pattern, row):
        at = self.pattern_start + (pattern * 64 + row) * 4 * self.channels
        raw = self.data[at:at + 4 * self.channels]
        raw = raw + bytes(4 * self.channels - len(raw))
        return [ModCell(raw[4 * c:4 * c + 4]) for c in range(self.channels)]


def parse_mod(data):
    if len(data) < 600:
        return None
    tag = data[1080:1084] if len(data) >= 1084 else b""
    if is_mod_tag(tag):
        return ModSong(data, 31, tag.decode("latin-1"), mod_channels(tag))
    return ModSong(data, 15, "(15 samples)", 4)


class RowVisit:
    """One row as Protracker rules play it: where, when, how long."""

    __slots__ = ("order", "row", "start", "seconds", "speed", "tempo")

    def __init__(self, order, row, start, seconds, speed, tempo):
        self.order, self.row, self.start = order, row, start
        self.seconds, self.speed, self.tempo = seconds, speed, tempo


def walk_mod(song, tempo_from=0x20, stop_on_f00=True, most_rows=200000):
    """Times every row under Protracker rules: Fxx below tempo_from sets the
    speed, E6x loops per channel, EEx repeats the row (the row's last EEx),
    Bxx/Dxx move. The song ends past the last order, on F00, or on reaching a
    row already played."""
    visits, seen = [], set()
    speed, tempo, time = 6, 125, 0.0
    order, row = 0, 0
    loop_start = [0] * song.channels
    loop_count = [0] * song.channels
    while order < song.length and len(visits) < most_rows:
        pattern = song.orders[order]
        key = (order, row)
        if key in seen and not any(loop_count):
            break
        seen.add(key)
        cells = song.row(pattern, row)
        jump, brk, delay, loop_to, stop = None, None, 0, None, False
        for channel, cell in enumerate(cells):
            e, p = cell.effect, cell.parameter
            if e == 0xF:
                if p == 0:
                    stop = stop_on_f00
                elif p < tempo_from:
                    speed = p
                else:
                    tempo = p
            elif e == 0xB:  # a jump starts its order at row 0, whatever broke before it
                jump, brk = p, 0
            elif e == 0xD:
                brk = (p >> 4) * 10 + (p & 15)
                brk = brk if brk < 64 else 0
            elif e == 0xE and p >> 4 == 0xE:  # the last delay of the row counts
                delay = p & 15
            elif e == 0xE and p >> 4 == 0x6:
                if p & 15 == 0:
                    loop_start[channel] = row
                elif loop_count[channel] == 0:
                    loop_count[channel] = p & 15
                    loop_to = loop_start[channel]
                else:
                    loop_count[channel] -= 1
                    if loop_count[channel]:
                        loop_to = loop_start[channel]
        seconds = row_seconds(speed, tempo) * (1 + delay)
        visits.append(RowVisit(order, row, time, seconds, speed, tempo))
        time += seconds
        if stop:
            break
        if loop_to is not None:
            row = loop_to
            continue
        if jump is not None or brk is not None:
            order = jump if jump is not None else order + 1
            row = brk or 0
            loop_start = [0] * song.channels
        else:
            row += 1
            if row >= 64:
                order, row = order + 1, 0
    return visits, time


def effect_use(song):
    """Effect counts over the played orders, and the values of a few of them."""
    counts, values = Counter(), {"Fxx": Counter(), "Bxx": [], "E6x": Counter(), "EEx": Counter()}
    played = sorted(set(song.orders[:song.length]))
    for order in range(song.length):
        pattern = song.orders[order]
        for row in range(64):
            for cell in song.row(pattern, row):
                if cell.effect == 0 and cell.parameter == 0:
                    continue
                name = cell.name()
                counts[name] += 1
                if name == "Fxx":
                    values["Fxx"]["%02X" % cell.parameter] += 1
                elif name == "Bxx":
                    values["Bxx"].append("order %d row %d -> %d" % (order, row, cell.parameter))
                elif name in ("E6x", "EEx"):
                    values[name]["%X" % (cell.parameter & 15)] += 1
    return counts, values, played


def describe_mod(path, out=sys.stdout):
    data = open(path, "rb").read()
    song = parse_mod(data)
    if not song:
        print("%s: not a MOD" % path, file=out)
        return
    print("%s\n  title %r, tag %s, %d channels, %d orders (restart %d), %d patterns, %d bytes"
          % (path, song.title, song.tag, song.channels, song.length, song.restart, song.patterns,
             len(data)), file=out)
    print("  orders: %s" % " ".join(str(o) for o in song.orders[:song.length]), file=out)
    counts, values, _ = effect_use(song)
    print("  effects: %s" % ", ".join("%s %d" % kv for kv in sorted(counts.items())), file=out)
    for name in ("Fxx", "E6x", "EEx"):
        if values[name]:
            print("  %s values: %s" % (name, ", ".join("%s x%d" % kv for kv in sorted(values[name].items()))),
                  file=out)
    if values["Bxx"]:
        print("  Bxx: %s" % "; ".join(values["Bxx"]), file=out)
    odd = []
    for i, header in enumerate(song.sample_headers):
        length = 2 * (header[22] << 8 | header[23])
        loop_start, loop_words = 2 * (header[26] << 8 | header[27]), header[28] << 8 | header[29]
        if loop_words > 1 and loop_start + 2 * loop_words > length:
            odd.append("sample %d loop %d+%d past its length %d" % (i + 1, loop_start, 2 * loop_words, length))
        if header[24] & 15:
            odd.append("sample %d finetune %d" % (i + 1, header[24] & 15))
    if odd:
        print("  samples: %s" % "; ".join(odd), file=out)
    visits, total = walk_mod(song)
    variant, variant_total = walk_mod(song, tempo_from=0x21)
    print("  length under Protracker rules: %.3f s (%d rows); with F20 as a speed: %.3f s"
          % (total, len(visits), variant_total), file=out)
    last_order = -1
    for visit in visits:
        if visit.order != last_order:
            print("    %8.3f s  order %3d pattern %3d row %2d  speed %2d tempo %3d"
                  % (visit.start, visit.order, song.orders[visit.order], visit.row, visit.speed, visit.tempo),
                  file=out)
            last_order = visit.order


# ---- sound ------------------------------------------------------------------------


def read_envelope(path, skip_seconds=0.0, window_seconds=WINDOW_SECONDS):
    """RMS of the mono mix per window (100 ms unless given), and the duration in seconds."""
    with wave.open(path, "rb") as w:
        channels, width, rate, frames = w.getnchannels(), w.getsampwidth(), w.getframerate(), w.getnframes()
        skip = min(int(round(skip_seconds * rate)), frames)
        w.setpos(skip) if skip else None
        window = max(int(rate * window_seconds), 1)
        envelope = []
        while True:
            chunk = w.readframes(window)
            if not chunk:
                break
            envelope.append(chunk_rms(chunk, channels, width))
    return envelope, frames / float(rate)


def chunk_rms(chunk, channels, width):
    if width == 1:  # 8-bit WAV is unsigned
        chunk = audioop.bias(chunk, 1, -128) if audioop else bytes((b - 128) & 255 for b in chunk)
    if audioop:
        if channels == 2:
            chunk = audioop.tomono(chunk, width, 0.5, 0.5)
        return audioop.rms(chunk, width) / float(1 << (8 * width - 1))
    codes = {1: "b", 2: "h", 4: "i"}
    values = array.array(codes[width], chunk)
    if sys.byteorder == "big":
        values.byteswap()
    if channels == 2:
        values = [(values[i] + values[i + 1]) / 2.0 for i in range(0, len(values) - 1, 2)]
    if not values:
        return 0.0
    return math.sqrt(sum(v * v for v in values) / len(values)) / float(1 << (8 * width - 1))


def correlation(a, b):
    n = min(len(a), len(b))
    if n < 2:
        return float("nan")
    a, b = a[:n], b[:n]
    ma, mb = sum(a) / n, sum(b) / n
    sab = sum((x - ma) * (y - mb) for x, y in zip(a, b))
    saa = sum((x - ma) ** 2 for x in a)
    sbb = sum((y - mb) ** 2 for y in b)
    if saa <= 0 or sbb <= 0:
        return 1.0 if saa == sbb else 0.0
    return sab / math.sqrt(saa * sbb)


def shifted(a, b, lag):
    """a against b moved by lag windows (positive: a is late)."""
    return (a[lag:], b) if lag >= 0 else (a, b[-lag:])


def best_lag(ours, reference, most=10):
    best = (correlation(ours, reference), 0)
    for lag in range(-most, most + 1):
        if lag:
            value = correlation(*shifted(ours, reference, lag))
            if value > best[0] + 1e-9:
                best = (value, lag)
    return best


def divergence_time(ours, reference, block=50, step=10, threshold=0.5):
    """Start (s) of the first 5 s block where the envelopes stop matching, or None."""
    n = min(len(ours), len(reference))
    peak = max(max(ours[:n] or [0]), max(reference[:n] or [0]), 1e-9)
    for start in range(0, max(n - block + 1, 1), step):
        a, b = ours[start:start + block], reference[start:start + block]
        quiet_a, quiet_b = max(a or [0]) < peak * 0.02, max(b or [0]) < peak * 0.02
        if quiet_a and quiet_b:
            continue
        if quiet_a != quiet_b or correlation(a, b) < threshold:
            return start * WINDOW_SECONDS
    return None


def envelope_distance(ours, reference):
    """Mean difference of the envelopes once ours is scaled to the reference's
    loudness, as a fraction of the reference's mean: 0 for the same shape."""
    n = min(len(ours), len(reference))
    a, b = ours[:n], reference[:n]
    total_a, total_b = sum(a), sum(b)
    if total_a <= 0 or total_b <= 0:
        return 0.0 if total_a == total_b else 1.0
    scale = total_b / total_a
    return sum(abs(x * scale - y) for x, y in zip(a, b)) / total_b


def loudness_ratio(ours, reference):
    n = min(len(ours), len(reference))
    a = math.sqrt(sum(x * x for x in ours[:n]) / max(n, 1))
    b = math.sqrt(sum(x * x for x in reference[:n]) / max(n, 1))
    return a / b if b > 0 else float("nan")


# ---- rendering ----------------------------------------------------------------------


class Run:
    """What one program did with one file."""

    def __init__(self, returncode, stdout, stderr, timed_out):
        self.returncode, self.stdout, self.stderr, self.timed_out = returncode, stdout, stderr, timed_out

    def crashed(self):
        text = self.stderr
        return (self.returncode is not None and (self.returncode < 0 or self.returncode >= 128)) or \
            "Sanitizer" in text or "runtime error:" in text


def run(command, timeout):
    try:
        done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
        return Run(done.returncode, done.stdout.decode("utf-8", "replace"),
                   done.stderr.decode("utf-8", "replace"), False)
    except subprocess.TimeoutExpired as expired:
        return Run(None, "", (expired.stderr or b"").decode("utf-8", "replace"), True)


def render_commands(render, module, folder, most_seconds):
    """The three renders of one module: ours, openmpt123's and xmp's, each played once."""
    limit = str(most_seconds)
    return {
        "ours": [render, "--buffer", "4096", "--seconds", limit, module, os.path.join(folder, "ours.wav")],
        "mpt": ["openmpt123", "--batch", "--no-progress", "--no-meters", "--samplerate", str(RATE),
                "--no-float", "--filter", "1", "--subsong", "0", "--repeat", "0", "--end-time", limit, "--force",
                "-o", os.path.join(folder, "mpt.wav"), "--", module],
        "xmp": ["xmp", "--norc", "--quiet", "-f", str(RATE), "-i", "nearest", "-t", limit, "-o",
                os.path.join(folder, "xmp.wav"), module],
    }


def parse_length_tenths(text):
    m = re.search(r"^length: (-?\d+)$", text, re.M)
    return int(m.group(1)) if m else None


def parse_mpt_duration(text):
    m = re.search(r"^Duration\.*: (?:(\d+):)?(\d+):(\d+(?:\.\d+)?)", text, re.M)
    if not m:
        return None
    hours = int(m.group(1)) if m.group(1) else 0
    return hours * 3600 + int(m.group(2)) * 60 + float(m.group(3))


class Result:
    FIELDS = ("status", "format", "channels", "reported", "ours", "mpt", "xmp", "row", "follow_mpt", "corr_mpt",
              "corr_xmp", "corr_refs", "dist_mpt", "dist_xmp", "dist_refs", "lag", "diverges", "loudness",
              "note", "file")

    def __init__(self, path, fmt):
        self.values = dict.fromkeys(self.FIELDS)
        self.values.update(file=path, format=fmt, note="")

    def __getitem__(self, key):
        return self.values[key]

    def __setitem__(self, key, value):
        self.values[key] = value

    def tsv(self):
        def text(value):
            if value is None:
                return ""
            return "%.3f" % value if isinstance(value, float) else str(value)
        return "\t".join(text(self.values[k]) for k in self.FIELDS)

    def line(self):
        def seconds(key):
            value = self.values[key]
            return "%7.2f" % value if value is not None else "      -"

        def number(key):
            value = self.values[key]
            return "%4.2f" % value if value is not None and not math.isnan(value) else "   -"
        return "%-8s %-4s %2s rep %s ours %s mpt %s xmp %s 10ms %s corr %s %s (%s) dist %s %s (%s)  %s%s" % (
            self["status"], self["format"], self["channels"] or "", seconds("reported"), seconds("ours"),
            seconds("mpt"), seconds("xmp"), number("follow_mpt"), number("corr_mpt"), number("corr_xmp"),
            number("corr_refs"),
            number("dist_mpt"), number("dist_xmp"), number("dist_refs"), self["file"],
            "  (" + self["note"] + ")" if self["note"] else "")


def module_channels(data, fmt):
    if fmt == "mod":
        return mod_channels(data[1080:1084])
    if fmt == "xm" and len(data) > 69:
        return u16le(data, 68)
    if fmt == "s3m" and len(data) > 96:
        return sum(1 for c in data[64:96] if c < 16)
    return None


def first_line(run_result):
    for text in (run_result.stderr, run_result.stdout):
        for line in text.splitlines():
            if line.strip():
                return line.strip()
    return "exit %s" % run_result.returncode


def our_failure(run_result):
    """The status of a failed run of ours, or None if it went well."""
    if run_result.timed_out:
        return "TIMEOUT"
    if run_result.crashed():
        return "CRASH"
    if run_result.returncode != 0:
        return "REFUSED" if "Unknown file format" in run_result.stderr else "NOLOAD"
    return None


def compare_one(path, options):
    data = open(path, "rb").read()
    fmt = sniff_bytes(data)
    result = Result(os.path.relpath(path, options.modules), fmt)
    result["row"] = row_seconds(*first_row_timing(data, fmt))
    # The start delay runs before the first row: at the header's tempo.
    delay = start_delay_seconds(header_timing(data, fmt)[1])
    result["channels"] = module_channels(data, fmt)
    info = run([options.render, "--info", path], options.timeout)
    failure = our_failure(info)
    if failure:
        result["status"], result["note"] = failure, first_line(info)
        return result, None
    tenths = parse_length_tenths(info.stdout)
    result["reported"] = tenths / 10.0 if tenths is not None else None
    with tempfile.TemporaryDirectory() as folder:
        commands = render_commands(options.render, path, folder, options.most_seconds)
        runs = {name: run(command, options.timeout) for name, command in commands.items()}
        failure = our_failure(runs["ours"])
        if failure:
            result["status"], result["note"] = failure, first_line(runs["ours"])
            return result, None
        envelopes, fine = {}, {}
        for name in ("ours", "mpt", "xmp"):
            wav = os.path.join(folder, name + ".wav")
            if runs[name].returncode == 0 and not runs[name].timed_out and os.path.exists(wav):
                skip = delay if name == "ours" else 0.0
                envelopes[name], duration = read_envelope(wav, skip)
                result[name] = duration - skip
                if name != "xmp":
                    fine[name] = read_envelope(wav, skip, FINE_WINDOW_SECONDS)[0]
        if "ours" in fine and "mpt" in fine:
            result["follow_mpt"] = correlation(fine["ours"], fine["mpt"])
    mpt_info = run(["openmpt123", "--info", "--subsong", "0", "--", path], options.timeout)
    exact = parse_mpt_duration(mpt_info.stdout)
    if exact is not None and result["mpt"] is not None:
        result["mpt"] = exact  # its render runs on to the end of its last buffer
    judge(result, envelopes, options)
    return result, envelopes


def length_verdict(result, references, tolerance, most_seconds):
    """'ENDLESS', 'LENGTH' (no reference agrees) or None, with notes."""
    if result["ours"] >= most_seconds - 1:
        return "ENDLESS", ["still playing at %d s" % most_seconds]
    lengths = {name: result[name] for name in references if result[name] is not None}
    off = {name: result["ours"] - length for name, length in lengths.items()}
    notes = []
    if len(lengths) == 2 and abs(lengths["mpt"] - lengths["xmp"]) > tolerance:
        agrees = [name for name in off if abs(off[name]) <= tolerance]
        notes.append("references differ: mpt %+.2f s from xmp%s" % (
            lengths["mpt"] - lengths["xmp"], ", ours agrees with " + agrees[0] if agrees else ""))
    if off and all(abs(value) > tolerance for value in off.values()):
        nearest = min(off, key=lambda name: abs(off[name]))
        notes.insert(0, "%+.2f s against %s" % (off[nearest], nearest))
        return "LENGTH", notes
    return None, notes


def judge(result, envelopes, options):
    ours = envelopes.get("ours")
    references = [name for name in ("mpt", "xmp") if name in envelopes]
    if ours is None or not references:
        result["status"] = "NOOUTPUT" if ours is None else "NOREF"
        return
    for name in references:
        result["corr_" + name] = correlation(ours, envelopes[name])
        result["dist_" + name] = envelope_distance(ours, envelopes[name])
    if len(references) == 2:
        result["corr_refs"] = correlation(envelopes["mpt"], envelopes["xmp"])
        result["dist_refs"] = envelope_distance(envelopes["mpt"], envelopes["xmp"])
    nearest = min(references, key=lambda name: result["dist_" + name])
    result["lag"] = best_lag(ours, envelopes[nearest])[1]
    result["loudness"] = loudness_ratio(ours, envelopes[references[0]])
    result["diverges"] = divergence_time(ours, envelopes[nearest])

    tolerance = max(result["row"], 0.1)
    status, notes = length_verdict(result, references, tolerance, options.most_seconds)
    if result["reported"] is not None and status != "ENDLESS" and \
            abs(result["reported"] - result["ours"]) > tolerance + 0.1:
        notes.append("reported length %+.2f s off its own render" % (result["reported"] - result["ours"]))
        status = status or "REPORT"
    # The references differ too (filters, ramping, panning): ours fails only
    # beyond both the threshold and their own difference plus a margin.
    apart = result["dist_refs"] if result["dist_refs"] is not None else 0.0
    if result["dist_" + nearest] > max(options.envelope_threshold, apart + options.envelope_margin):
        status = status + "+ENV" if status else "ENVELOPE"
    corr = result["corr_" + nearest]
    if result["corr_refs"] is not None and corr < 0.9 and corr < result["corr_refs"] - 0.05:
        notes.append("envelope correlates less than the references' (%.2f, %.2f)" % (corr, result["corr_refs"]))
    if result["lag"]:
        notes.append("envelope best aligned %+d ms later" % (100 * result["lag"]))
    if status and result["diverges"] is not None:
        notes.append("envelope departs from %s at %.1f s" % (nearest, result["diverges"]))
    result["status"], result["note"] = status or "OK", "; ".join(notes)


def solo_mod(data, song, keep):
    """A copy of a MOD where only channel keep plays; the others keep only the
    commands that move through the song (Bxx, Dxx, Fxx, E6x, EEx)."""
    copy = bytearray(data)
    for pattern in range(song.patterns):
        for row in range(64):
            for channel in range(song.channels):
                if channel == keep:
                    continue
                at = song.pattern_start + (pattern * 64 + row) * 4 * song.channels + 4 * channel
                cell = copy[at:at + 4]
                if len(cell) < 4:
                    continue
                effect, parameter = cell[2] & 15, cell[3]
                timing = effect in (0xB, 0xD, 0xF) or (effect == 0xE and parameter >> 4 in (0x6, 0xE))
                copy[at:at + 4] = bytes((0, 0, effect, parameter)) if timing else bytes(4)
    return bytes(copy)


def compare_channels(options):
    """Per-channel envelope correlations of a MOD: which channel departs."""
    data = open(options.file, "rb").read()
    song = parse_mod(data)
    if sniff_bytes(data) != "mod" or not song:
        print("%s: not a MOD" % options.file, file=sys.stderr)
        return 1
    delay = start_delay_seconds(header_timing(data, "mod")[1])
    for channel in range(song.channels):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "solo.mod")
            with open(path, "wb") as out:
                out.write(solo_mod(data, song, channel))
            envelopes = {}
            for name, command in render_commands(options.render, path, folder, 1200).items():
                if run(command, 300).returncode == 0:
                    envelopes[name] = read_envelope(os.path.join(folder, name + ".wav"),
                                                    delay if name == "ours" else 0.0)[0]
        pairs = [("ours", "mpt"), ("ours", "xmp"), ("mpt", "xmp")]
        text = ["%s/%s %5.2f" % (a, b, correlation(envelopes[a], envelopes[b]))
                for a, b in pairs if a in envelopes and b in envelopes]
        if "ours" in envelopes and "mpt" in envelopes:
            text.append("loudness ours/mpt %.2f" % loudness_ratio(envelopes["ours"], envelopes["mpt"]))
        print("channel %2d: %s" % (channel + 1, "  ".join(text)))
    return 0


def probe_mod(period, loop_bytes, cycle_bytes=32, rows=64):
    """A MOD in which one sine sample, looped whole, plays one note at period
    for rows rows: each cycle_bytes bytes hold one cycle of the sine."""
    header = bytearray(b"pitch probe".ljust(20, b"\0"))
    sample = bytearray(30)
    sample[0:4] = b"sine"
    sample[22:24] = (loop_bytes // 2).to_bytes(2, "big")
    sample[25] = 64
    sample[28:30] = (loop_bytes // 2).to_bytes(2, "big")
    header += sample + bytes(30 * 30)
    header += bytes([1, 127]) + bytes(128) + b"M.K."
    pattern = bytearray(1024)
    pattern[0:4] = bytes([(period >> 8) & 15, period & 255, 0x10, 0])
    wave_bytes = bytes(round(100 * math.sin(2 * math.pi * i / cycle_bytes)) & 255 for i in range(loop_bytes))
    return bytes(header + pattern + wave_bytes)


def tone_frequency(path, skip_seconds, seconds=4.0):
    """The frequency of a clean tone in the left channel, from its rising zero crossings."""
    with wave.open(path, "rb") as w:
        rate, channels = w.getframerate(), w.getnchannels()
        w.setpos(min(int(skip_seconds * rate), w.getnframes()))
        values = array.array("h", w.readframes(int(seconds * rate)))
    if sys.byteorder == "big":
        values.byteswap()
    left = values[0::channels]
    crossings = [i - 1 + left[i - 1] / float(left[i - 1] - left[i])
                 for i in range(1, len(left)) if left[i - 1] < 0 <= left[i]]
    if len(crossings) < 2:
        return float("nan")
    return (len(crossings) - 1) * rate / (crossings[-1] - crossings[0])


def cents(frequency, reference):
    if not (frequency > 0 and reference > 0):
        return float("nan")
    return 1200 * math.log2(frequency / reference)


def pitch_probes(render, out=sys.stdout):
    """Tuning of single notes: ours against the references and Amiga PAL timing."""
    print("Tuning probes: a looped sine, one cycle every 32 bytes (cents against PAL Amiga timing)", file=out)
    print("  period  loop  PAL Hz     ours   cents     mpt   cents     xmp   cents", file=out)
    delay = start_delay_seconds(125)
    for loop_bytes in (32, 2048):
        for period in (856, 428, 214, 113):
            expected = PAL_CLOCK / period / 32
            row = ["  %6d %5d %7.2f" % (period, loop_bytes, expected)]
            with tempfile.TemporaryDirectory() as folder:
                path = os.path.join(folder, "probe.mod")
                with open(path, "wb") as f:
                    f.write(probe_mod(period, loop_bytes))
                for name, command in render_commands(render, path, folder, 60).items():
                    wav = os.path.join(folder, name + ".wav")
                    ok = run(command, 60).returncode == 0 and os.path.exists(wav)
                    hz = tone_frequency(wav, 1.0 + (delay if name == "ours" else 0.0)) if ok else float("nan")
                    row.append("%8.2f %+7.1f" % (hz, cents(hz, expected)))
            print(" ".join(row), file=out)
    return 0


def timing_mod(patterns, orders):
    """A 4-channel MOD: patterns are {row: [(channel, effect, parameter)]}; a
    looped tone starts on channel 1 at the first row of every pattern."""
    data = bytearray(b"timing probe".ljust(20, b"\0"))
    sample = bytearray(30)
    sample[0:4] = b"tone"
    sample[22:24] = sample[28:30] = (16).to_bytes(2, "big")
    sample[25] = 64
    data += sample + bytes(30 * 30)
    data += bytes([len(orders), 127]) + bytes(orders).ljust(128, b"\0") + b"M.K."
    for rows in patterns:
        block = bytearray(64 * 16)
        block[0:3] = bytes([1, 428 & 255, 0x10])
        for row, cells in rows.items():
            for channel, effect, parameter in cells:
                at = (row * 4 + channel) * 4
                block[at + 2] = (block[at + 2] & 0xF0) | effect
                block[at + 3] = parameter
        data += block
    data += bytes(round(60 * math.sin(2 * math.pi * i / 32)) & 255 for i in range(32))
    return bytes(data)


# Timing corner cases: (name, patterns, orders). Channels count from 0.
TIMING_PROBES = [
    ("F20 (speed or tempo 32)", [{0: [(1, 0xF, 0x20)]}], [0]),
    ("F00 at row 16", [{16: [(1, 0xF, 0x00)]}], [0, 0]),
    ("two EEx in one row", [{5: [(1, 0xE, 0xE2), (2, 0xE, 0xE5)]}], [0]),
    ("EEx and E6x in one row", [{0: [(1, 0xE, 0x60)], 3: [(1, 0xE, 0x62), (2, 0xE, 0xE2)]}], [0]),
    ("E6x loops on two channels", [{0: [(1, 0xE, 0x60), (2, 0xE, 0x60)], 3: [(1, 0xE, 0x61), (2, 0xE, 0x62)]}],
     [0]),
    ("Bxx then Dxx in one row", [{10: [(1, 0xB, 1), (2, 0xD, 0x16)]}, {}], [0, 1]),
    ("Dxx then Bxx in one row", [{10: [(1, 0xD, 0x16), (2, 0xB, 1)]}, {}], [0, 1]),
    ("D3F (hex digit in a decimal row)", [{10: [(1, 0xD, 0x3F)]}, {}], [0, 1]),
    ("D64 (row past the pattern)", [{10: [(1, 0xD, 0x64)]}, {}], [0, 1]),
    ("E6x jump and Dxx in one row", [{2: [(1, 0xE, 0x60)], 5: [(1, 0xE, 0x62), (2, 0xD, 0x10)]}, {}], [0, 1]),
    ("EEx and Dxx in one row", [{4: [(1, 0xE, 0xE3), (2, 0xD, 0x00)]}, {}], [0, 1]),
    ("Bxx to its own order", [{32: [(1, 0xB, 0)]}], [0]),
    ("Bxx back after a break", [{8: [(1, 0xD, 0x00)]}, {8: [(1, 0xB, 0)]}], [0, 1]),
    ("Bxx past the last order", [{8: [(1, 0xB, 9)]}, {}], [0, 1]),
]


def timing_probes(render, out=sys.stdout):
    """Song lengths of timing corner cases built in code: ours against the references."""
    print("Timing probes (seconds; ours without its start delay)", file=out)
    print("  %-34s %9s %8s %8s %8s" % ("case", "reported", "ours", "mpt", "xmp"), file=out)
    delay = start_delay_seconds(125)
    for name, patterns, orders in TIMING_PROBES:
        lengths = {}
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "probe.mod")
            with open(path, "wb") as f:
                f.write(timing_mod(patterns, orders))
            tenths = parse_length_tenths(run([render, "--info", path], 60).stdout)
            for program, command in render_commands(render, path, folder, 120).items():
                wav = os.path.join(folder, program + ".wav")
                if run(command, 120).returncode == 0 and os.path.exists(wav):
                    skip = delay if program == "ours" else 0.0
                    lengths[program] = read_envelope(wav, skip)[1] - skip
            exact = parse_mpt_duration(run(["openmpt123", "--info", "--subsong", "0", "--", path], 60).stdout)
            if exact is not None:
                lengths["mpt"] = exact
        cells = ["%8.2f" % lengths[k] if k in lengths else "       -" for k in ("ours", "mpt", "xmp")]
        print("  %-34s %9s %s" % (name, "%.1f" % (tenths / 10.0) if tenths is not None else "-", " ".join(cells)),
              file=out)
    return 0


def find_modules(folder):
    found = []
    for top, _, names in os.walk(folder):
        for name in names:
            if name.lower().rsplit(".", 1)[-1] in MODULE_SUFFIXES:
                found.append(os.path.join(top, name))
    return sorted(found)


def write_envelopes(folder, result, envelopes):
    if not envelopes:
        return
    name = re.sub(r"[^A-Za-z0-9._-]+", "_", result["file"]) + ".tsv"
    columns = [k for k in ("ours", "mpt", "xmp") if k in envelopes]
    rows = max(len(envelopes[k]) for k in columns)
    with open(os.path.join(folder, name), "w") as out:
        out.write("seconds\t" + "\t".join(columns) + "\n")
        for i in range(rows):
            cells = ["%.5f" % envelopes[k][i] if i < len(envelopes[k]) else "" for k in columns]
            out.write("%.1f\t%s\n" % (i * WINDOW_SECONDS, "\t".join(cells)))


def follows(result):
    """Whether our 10 ms envelope follows openmpt123's (MOD 0.90, others 0.85)."""
    value = result["follow_mpt"]
    threshold = FOLLOW_THRESHOLD.get(result["format"], FOLLOW_THRESHOLD_OTHERS)
    return value is not None and not math.isnan(value) and value >= threshold


def lasts_as_mpt(result):
    """Whether our length (without the start delay) is openmpt123's within a row."""
    if result["ours"] is None or result["mpt"] is None:
        return False
    return abs(result["ours"] - result["mpt"]) <= max(result["row"] or 0.0, 0.1)


def summarize(results, out=sys.stdout):
    by_format = {}
    for result in results:
        by_format.setdefault(result["format"], Counter())[result["status"]] += 1
    print("\nSummary (%d files)" % len(results), file=out)
    for fmt in sorted(by_format):
        counts = by_format[fmt]
        played = [r for r in results if r["format"] == fmt]
        print("  %-7s %3d: %s; 10 ms envelope follows openmpt123 (>= %.2f) %d, its length %d" % (
            fmt, sum(counts.values()), ", ".join("%s %d" % kv for kv in sorted(counts.items())),
            FOLLOW_THRESHOLD.get(fmt, FOLLOW_THRESHOLD_OTHERS), sum(map(follows, played)),
            sum(map(lasts_as_mpt, played))), file=out)
    flagged = [r for r in results if r["status"] not in ("OK", "REFUSED", "NOLOAD")]
    if flagged:
        print("Differences and failures of the songs we play:", file=out)
        for result in flagged:
            print("  %-9s %s%s" % (result["status"], result["file"],
                                   ": " + result["note"] if result["note"] else ""), file=out)
    refused = [r for r in results if r["status"] in ("REFUSED", "NOLOAD")]
    if refused:
        formats = Counter(r["format"] for r in refused)
        print("Not played (%d): %s" % (len(refused), ", ".join("%s %d" % kv for kv in sorted(formats.items()))),
              file=out)


def compare(options):
    modules = [m for m in find_modules(options.modules) if re.search(options.match, m)]
    if not modules:
        print("no module files under %s" % options.modules, file=sys.stderr)
        return 1
    os.makedirs(options.out, exist_ok=True)
    envelope_folder = os.path.join(options.out, "envelopes")
    os.makedirs(envelope_folder, exist_ok=True)
    results = []
    with open(os.path.join(options.out, "results.tsv"), "w") as table:
        table.write("\t".join(Result.FIELDS) + "\n")
        for path in modules:
            result, envelopes = compare_one(path, options)
            results.append(result)
            print(result.line(), flush=True)
            table.write(result.tsv() + "\n")
            write_envelopes(envelope_folder, result, envelopes)
    summarize(results)
    print("\nTable: %s; envelopes (RMS per 100 ms): %s" % (os.path.join(options.out, "results.tsv"),
                                                         envelope_folder))
    return 0


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    sub.add_parser("sniff").add_argument("file")
    sub.add_parser("describe").add_argument("files", nargs="+")
    sub.add_parser("pitch").add_argument("render")
    sub.add_parser("timing").add_argument("render")
    channels = sub.add_parser("channels")
    channels.add_argument("render")
    channels.add_argument("file")
    c = sub.add_parser("compare")
    c.add_argument("render", help="tumbor-render, with Strm_TRK beside it")
    c.add_argument("modules", help="folder searched for module files")
    c.add_argument("out", help="folder for results.tsv and the envelopes")
    c.add_argument("--timeout", type=float, default=300, help="seconds a program may take on one file")
    c.add_argument("--most-seconds", type=int, default=1200, help="longest song rendered")
    c.add_argument("--envelope-threshold", type=float, default=0.15,
                   help="an envelope distance to the nearest reference up to this passes")
    c.add_argument("--envelope-margin", type=float, default=0.1,
                   help="... and so does one up to the references' own distance plus this")
    c.add_argument("--match", default="", help="regular expression a module's path must match")
    options = parser.parse_args(argv)
    if options.command == "sniff":
        print(sniff(options.file))
        return 0
    if options.command == "describe":
        for path in options.files:
            describe_mod(path)
        return 0
    if options.command == "pitch":
        return pitch_probes(options.render)
    if options.command == "timing":
        return timing_probes(options.render)
    if options.command == "channels":
        return compare_channels(options)
    options.modules = os.path.abspath(options.modules)
    return compare(options)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
