#!/usr/bin/env python3
"""Tests of module_compare.py on modules and sounds built in code.

Run: python3 scripts/test_module_compare.py
"""

import math
import os
import struct
import sys
import tempfile
import unittest
import wave

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import module_compare as mc  # noqa: E402


def make_mod(rows, tag=b"M.K.", channels=4, length=None, patterns=1):
    """A MOD whose pattern 0 holds rows: {row: [(channel, period, sample, effect, parameter)]}."""
    data = bytearray(b"test".ljust(20, b"\0"))
    data += bytes(30 * 31)
    orders = bytes(range(patterns)).ljust(128, b"\0")
    data += bytes([length or patterns, 127]) + orders + tag
    for pattern in range(patterns):
        block = bytearray(64 * 4 * channels)
        for row, cells in (rows.get(pattern, {}) if patterns > 1 else rows).items():
            for channel, period, sample, effect, parameter in cells:
                at = (row * channels + channel) * 4
                block[at:at + 4] = bytes([(sample & 0xF0) | (period >> 8), period & 255,
                                          (sample & 15) << 4 | effect, parameter])
        data += block
    return bytes(data)


def write_wav(path, frames, channels=2, width=2, rate=mc.RATE):
    with wave.open(path, "wb") as w:
        w.setnchannels(channels)
        w.setsampwidth(width)
        w.setframerate(rate)
        if width == 2:
            w.writeframes(b"".join(struct.pack("<" + "h" * channels, *frame) for frame in frames))
        else:
            w.writeframes(bytes(v for frame in frames for v in frame))


class SniffTest(unittest.TestCase):
    def test_signatures_of_every_format(self):
        def at(offset, text, size=1084):
            data = bytearray(size)
            data[offset:offset + len(text)] = text
            return bytes(data)
        cases = {"s3m": at(44, b"SCRM"), "ptm": at(44, b"PTMF"), "xm": at(0, b"Extended Module: "),
                 "mtm": at(0, b"MTM\x10"), "669": at(0, b"if"), "mdl": at(0, b"DMDL"),
                 "dsm": at(0, b"RIFF\0\0\0\0DSMF"), "far": at(0, b"FAR\xfe"), "stm": at(20, b"!Scream!"),
                 "dmf": at(0, b"DDMF\x08"), "it": at(0, b"IMPM")}
        for fmt, data in cases.items():
            self.assertEqual(mc.sniff_bytes(data), fmt, fmt)

    def test_mod_tags_and_their_channels(self):
        for tag, channels in ((b"M.K.", 4), (b"FLT4", 4), (b"6CHN", 6), (b"8CHN", 8), (b"16CH", 16),
                              (b"32CH", 32), (b"FLT8", 8)):
            data = make_mod({}, tag=tag, channels=channels)
            self.assertEqual(mc.sniff_bytes(data), "mod", tag)
            self.assertEqual(mc.mod_channels(tag), channels, tag)
            self.assertEqual(mc.parse_mod(data).channels, channels, tag)

    def test_text_and_short_files_are_unknown(self):
        self.assertEqual(mc.sniff_bytes(b"language file, not a module"), "unknown")
        self.assertEqual(mc.sniff_bytes(b""), "unknown")
        self.assertEqual(mc.sniff_bytes(b"\0" * 1084), "unknown")


class ModTimingTest(unittest.TestCase):
    def walk(self, rows, **options):
        return mc.walk_mod(mc.parse_mod(make_mod(rows)), **options)

    def test_plain_pattern_lasts_64_rows_of_speed_6(self):
        visits, seconds = self.walk({})
        self.assertEqual(len(visits), 64)
        self.assertAlmostEqual(seconds, 64 * 6 * 2.5 / 125)

    def test_f20_is_a_tempo_unless_asked_otherwise(self):
        rows = {0: [(0, 0, 0, 0xF, 0x20)]}
        self.assertAlmostEqual(self.walk(rows)[1], 64 * 6 * 2.5 / 32)
        self.assertAlmostEqual(self.walk(rows, tempo_from=0x21)[1], 64 * 32 * 2.5 / 125)

    def test_pattern_delay_repeats_the_row(self):
        visits, seconds = self.walk({5: [(1, 0, 0, 0xE, 0xE3)]})
        self.assertAlmostEqual(visits[5].seconds, 4 * 6 * 2.5 / 125)
        self.assertAlmostEqual(seconds, (64 + 3) * 6 * 2.5 / 125)

    def test_pattern_loop_plays_its_rows_again(self):
        visits, _ = self.walk({1: [(2, 0, 0, 0xE, 0x60)], 3: [(2, 0, 0, 0xE, 0x62)]})
        self.assertEqual([v.row for v in visits[:10]], [0, 1, 2, 3, 1, 2, 3, 1, 2, 3])
        self.assertEqual(len(visits), 64 + 6)

    def test_jump_back_and_f00_end_the_song(self):
        self.assertEqual(len(self.walk({9: [(0, 0, 0, 0xB, 0)]})[0]), 10)
        self.assertEqual(len(self.walk({9: [(0, 0, 0, 0xF, 0)]})[0]), 10)
        self.assertEqual(len(self.walk({9: [(0, 0, 0, 0xF, 0)]}, stop_on_f00=False)[0]), 64)

    def test_break_starts_the_next_order_at_its_row(self):
        song = mc.parse_mod(make_mod({0: {0: [(0, 0, 0, 0xD, 0x16)]}}, patterns=2))
        visits, _ = mc.walk_mod(song)
        self.assertEqual((visits[1].order, visits[1].row), (1, 16))
        self.assertEqual(len(visits), 1 + 48)

    def test_last_delay_and_jump_after_break_win(self):
        self.assertEqual(len(self.walk({5: [(1, 0, 0, 0xE, 0xE2), (2, 0, 0, 0xE, 0xE5)]})[0]), 64)
        self.assertAlmostEqual(self.walk({5: [(1, 0, 0, 0xE, 0xE2), (2, 0, 0, 0xE, 0xE5)]})[1],
                               (64 + 5) * 6 * 2.5 / 125)
        for name, patterns, orders in mc.TIMING_PROBES:
            if name == "Dxx then Bxx in one row":
                visits, _ = mc.walk_mod(mc.parse_mod(mc.timing_mod(patterns, orders)))
                self.assertEqual((visits[11].order, visits[11].row), (1, 0))
            if name == "Bxx then Dxx in one row":
                visits, _ = mc.walk_mod(mc.parse_mod(mc.timing_mod(patterns, orders)))
                self.assertEqual((visits[11].order, visits[11].row), (1, 16))

    def test_effect_use_counts_played_orders(self):
        song = mc.parse_mod(make_mod({3: [(0, 428, 1, 0xE, 0x62)], 4: [(1, 0, 0, 0xF, 0x7D)]}))
        counts, values, _ = mc.effect_use(song)
        self.assertEqual(counts["E6x"], 1)
        self.assertEqual(values["E6x"]["2"], 1)
        self.assertEqual(values["Fxx"]["7D"], 1)


class StartTimingTest(unittest.TestCase):
    def test_start_delay_is_seven_whole_ticks(self):
        self.assertAlmostEqual(mc.start_delay_seconds(125), 7 * 882 / 44100.0)
        self.assertAlmostEqual(mc.start_delay_seconds(97), 7 * 1136 / 44100.0)

    def test_first_row_tempo_sets_the_row_but_not_the_delay(self):
        data = make_mod({0: [(0, 0, 0, 0xF, 0x61), (1, 0, 0, 0xF, 0x04)]})
        self.assertEqual(mc.header_timing(data, "mod"), (6, 125))
        self.assertEqual(mc.first_row_timing(data, "mod"), (4, 0x61))

    def test_header_timing_of_other_formats(self):
        s3m = bytearray(96)
        s3m[49], s3m[50] = 3, 150
        xm = bytearray(80)
        xm[76:80] = struct.pack("<HH", 5, 140)
        it = bytearray(0x40)
        it[0x32], it[0x33] = 8, 90
        self.assertEqual(mc.header_timing(bytes(s3m), "s3m"), (3, 150))
        self.assertEqual(mc.header_timing(bytes(xm), "xm"), (5, 140))
        self.assertEqual(mc.header_timing(bytes(it), "it"), (8, 90))


class EnvelopeTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.folder.cleanup()

    def test_rms_per_window_after_skipping(self):
        path = os.path.join(self.folder.name, "square.wav")
        # 0.2 s of silence, then 0.3 s of a full-scale half square wave.
        frames = [(0, 0)] * 8820 + [(16384, 16384) if i % 2 else (-16384, -16384) for i in range(13230)]
        write_wav(path, frames)
        envelope, seconds = mc.read_envelope(path)
        self.assertAlmostEqual(seconds, 0.5)
        self.assertEqual(len(envelope), 5)
        self.assertEqual(envelope[:2], [0.0, 0.0])
        self.assertAlmostEqual(envelope[2], 0.5, places=3)
        skipped, _ = mc.read_envelope(path, skip_seconds=0.2)
        self.assertEqual(len(skipped), 3)
        self.assertAlmostEqual(skipped[0], 0.5, places=3)

    def test_window_can_be_ten_milliseconds(self):
        path = os.path.join(self.folder.name, "short.wav")
        write_wav(path, [(0, 0)] * 441 + [(16384, 16384)] * 882)
        envelope, _ = mc.read_envelope(path, window_seconds=0.01)
        self.assertEqual(len(envelope), 3)
        self.assertEqual(envelope[0], 0.0)
        self.assertAlmostEqual(envelope[2], 0.5, places=3)

    def test_eight_bit_silence_is_silent(self):
        path = os.path.join(self.folder.name, "eight.wav")
        write_wav(path, [(128,)] * 4410 + [(192,)] * 4410, channels=1, width=1)
        envelope, _ = mc.read_envelope(path)
        self.assertEqual(envelope[0], 0.0)
        self.assertAlmostEqual(envelope[1], 0.5, places=2)

    def test_channels_mix_to_mono(self):
        path = os.path.join(self.folder.name, "opposed.wav")
        write_wav(path, [(10000, -10000)] * 4410)
        self.assertEqual(mc.read_envelope(path)[0], [0.0])

    def test_distance_ignores_loudness_but_not_shape(self):
        shape = [0.1, 0.5, 0.2, 0.0, 0.4]
        self.assertAlmostEqual(mc.envelope_distance([2 * v for v in shape], shape), 0.0)
        self.assertGreater(mc.envelope_distance(shape[::-1], shape), 0.5)
        self.assertEqual(mc.envelope_distance([0, 0], [0, 0]), 0.0)
        self.assertEqual(mc.envelope_distance([0, 0], [1, 1]), 1.0)

    def test_correlation_and_lag(self):
        pulse = [float((i * 37 + i * i) % 11) for i in range(70)]  # not periodic
        self.assertAlmostEqual(mc.correlation(pulse, pulse), 1.0)
        late = [0.0, 0.0] + pulse[:-2]
        self.assertEqual(mc.best_lag(late, pulse)[1], 2)
        self.assertEqual(mc.best_lag(pulse, late)[1], -2)
        self.assertTrue(math.isnan(mc.correlation([1.0], [1.0])))

    def test_divergence_found_where_it_starts(self):
        steady = [0.5 + 0.4 * math.sin(i / 3.0) for i in range(300)]
        broken = steady[:150] + [0.5 + 0.4 * math.cos(i / 1.3) for i in range(150)]
        self.assertIsNone(mc.divergence_time(steady, steady))
        start = mc.divergence_time(broken, steady)
        self.assertTrue(10.0 <= start <= 15.0, start)


class VerdictTest(unittest.TestCase):
    class Options:
        most_seconds = 1200
        envelope_threshold = 0.15
        envelope_margin = 0.1

    def result(self, ours, mpt, xmp):
        result = mc.Result("song.mod", "mod")
        result.values.update(ours=ours, mpt=mpt, xmp=xmp, row=0.12, reported=ours)
        return result

    def test_follows_by_format_threshold_and_length_within_a_row(self):
        for fmt, value, follows in (("mod", 0.89, False), ("mod", 0.90, True), ("xm", 0.86, True),
                                    ("s3m", 0.84, False), ("it", float("nan"), False)):
            result = mc.Result("song", fmt)
            result["follow_mpt"] = value
            self.assertEqual(mc.follows(result), follows, (fmt, value))
        self.assertTrue(mc.lasts_as_mpt(self.result(10.1, 10.0, 12.0)))
        self.assertFalse(mc.lasts_as_mpt(self.result(10.2, 10.0, 10.2)))

    def test_length_needs_every_reference_to_disagree(self):
        status, notes = mc.length_verdict(self.result(100.0, 160.0, 100.05), ["mpt", "xmp"], 0.12, 1200)
        self.assertIsNone(status)
        self.assertIn("ours agrees with xmp", notes[0])
        status, notes = mc.length_verdict(self.result(90.0, 100.0, 100.0), ["mpt", "xmp"], 0.12, 1200)
        self.assertEqual(status, "LENGTH")
        self.assertIn("-10.00 s", notes[0])
        self.assertEqual(mc.length_verdict(self.result(1199.5, 10.0, 10.0), ["mpt"], 0.12, 1200)[0], "ENDLESS")

    def test_envelope_flag_allows_the_references_own_spread(self):
        shape = [0.1, 0.5, 0.2, 0.0, 0.4] * 20
        noisy = [v * (1.3 if i % 2 else 0.7) for i, v in enumerate(shape)]
        result = self.result(10.0, 10.0, 10.0)
        mc.judge(result, {"ours": noisy, "mpt": shape, "xmp": shape}, self.Options)
        self.assertEqual(result["status"], "ENVELOPE")
        result = self.result(10.0, 10.0, 10.0)
        mc.judge(result, {"ours": noisy, "mpt": shape, "xmp": noisy}, self.Options)
        self.assertEqual(result["status"], "OK")

    def test_failures_of_ours(self):
        run = mc.Run
        self.assertEqual(mc.our_failure(run(None, "", "", True)), "TIMEOUT")
        self.assertEqual(mc.our_failure(run(-11, "", "", False)), "CRASH")
        self.assertEqual(mc.our_failure(run(1, "", "ERROR: AddressSanitizer: heap-buffer-overflow", False)),
                         "CRASH")
        self.assertEqual(mc.our_failure(run(0, "", "x.cpp:1:2: runtime error: shift exponent", False)), "CRASH")
        self.assertEqual(mc.our_failure(run(1, "", "Unknown file format : a.it", False)), "REFUSED")
        self.assertEqual(mc.our_failure(run(1, "", "Failed to load module (broken header)", False)), "NOLOAD")
        self.assertIsNone(mc.our_failure(run(0, "length: 10", "", False)))

    def test_program_outputs_are_read(self):
        self.assertEqual(mc.parse_length_tenths("title: x\nlength: 1382\nbit rate: 1\n"), 1382)
        self.assertAlmostEqual(mc.parse_mpt_duration("Duration...: 02:18.239\n"), 138.239)
        self.assertAlmostEqual(mc.parse_mpt_duration("Duration...: 1:02:03.5\n"), 3723.5)
        self.assertIsNone(mc.parse_mpt_duration("Type.......: mod\n"))


class ProbeTest(unittest.TestCase):
    def test_probe_is_one_looped_note(self):
        data = mc.probe_mod(428, 64)
        song = mc.parse_mod(data)
        self.assertEqual(mc.sniff_bytes(data), "mod")
        header = song.sample_headers[0]
        self.assertEqual(2 * (header[22] << 8 | header[23]), 64)
        self.assertEqual(2 * (header[28] << 8 | header[29]), 64)
        cell = song.row(0, 0)[0]
        self.assertEqual((cell.period, cell.sample), (428, 1))
        self.assertEqual(len(data), song.pattern_start + 1024 + 64)

    def test_timing_probes_play_a_tone_under_their_effects(self):
        for name, patterns, orders in mc.TIMING_PROBES:
            song = mc.parse_mod(mc.timing_mod(patterns, orders))
            self.assertEqual(song.orders[:song.length], orders, name)
            first = song.row(orders[0], 0)[0]
            self.assertEqual((first.period, first.sample), (428, 1), name)
            for row, cells in patterns[0].items():
                for channel, effect, parameter in cells:
                    cell = song.row(orders[0], row)[channel]
                    self.assertEqual((cell.effect, cell.parameter), (effect, parameter), name)

    def test_tone_frequency_of_a_sine(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "tone.wav")
            hz = 261.63
            write_wav(path, [(int(8000 * math.sin(2 * math.pi * hz * i / mc.RATE)),) * 2
                             for i in range(mc.RATE * 2)])
            self.assertAlmostEqual(mc.tone_frequency(path, 0.5, 1.0), hz, places=1)

    def test_solo_keeps_the_timing_of_other_channels(self):
        data = make_mod({0: [(0, 428, 1, 0xC, 0x20), (1, 214, 2, 0xF, 0x03)], 1: [(1, 0, 0, 0xE, 0xE2)]})
        song = mc.parse_mod(data)
        solo = mc.parse_mod(mc.solo_mod(data, song, 0))
        first = solo.row(0, 0)
        self.assertEqual((first[0].period, first[0].effect), (428, 0xC))
        self.assertEqual((first[1].period, first[1].sample, first[1].effect, first[1].parameter), (0, 0, 0xF, 3))
        self.assertEqual(solo.row(0, 1)[1].parameter, 0xE2)


if __name__ == "__main__":
    unittest.main()
