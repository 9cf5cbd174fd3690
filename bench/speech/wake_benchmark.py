#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""How well the wake phrase listener hears people, measured on synthesised speech.

Builds a labelled set with espeak-ng (every English voice and variant it offers, at many rates):
wake clips ("Hey Korva" alone, with a command, with a question) and a long stretch of ordinary
sentences and near misses ("Hey Cora", "Corvette", "cover"). Each is mixed with pink noise at
20, 10 and 5 dB SNR (sox) and written as WAV at assorted rates and channel counts, then run
through `korvane-cli listen --file` exactly as a person would. Reports, per SNR: detection rate,
false wakes per hour, the real-time factor while nobody speaks and while people talk, and the
word accuracy of the words after the phrase.

The audio goes to a temporary folder (or --work) and is never kept in the repository.

    bench/speech/wake_benchmark.py --cli build/bin/korvane-cli            # the full set
    bench/speech/wake_benchmark.py --wake-clips 30 --minutes 5 --snr 10  # a quick look
"""

import argparse
import array
import concurrent.futures
import json
import math
import os
import random
import re
import subprocess
import sys
import tempfile
import time
import wave

WAKE = "Hey Korva"
COMMANDS = [
    "open firefox", "open the terminal", "pause the music", "play some jazz",
    "open the files", "press control s", "type hello world", "close this tab",
    "go to example dot com", "search the web for green tea", "open mail",
    "click save", "turn the music off", "open the calculator", "play the next song",
]
QUESTIONS = [
    "what is the weather like today", "what time is it in Tokyo",
    "how tall is the Eiffel tower", "can you write a short note about green tea",
    "who won the football game last night", "what should I cook for dinner",
    "how do I make a cup of tea", "tell me a joke about computers",
]
NEAR_MISSES = [
    "Hey Cora", "Hey Carla", "Hey Nova", "Hey Dora", "Hey Kara", "Hey Corbin", "Corvette",
    "cover", "Cordova", "the Korean market", "Hey, come over here", "a curved road",
    "the carver", "hey cobra", "Okay Korea", "hey, coffee", "Corva Street",
]
SUBJECTS = ["My sister", "The old man", "Our teacher", "The little dog", "A friend of mine",
            "The driver", "Everyone at work", "The neighbours", "My father", "The children",
            "The manager", "Nobody in the room", "The baker", "Your cousin", "The pilot"]
VERBS = ["bought", "painted", "forgot", "found", "carried", "cleaned", "wanted", "opened",
         "sold", "described", "borrowed", "fixed", "noticed", "cooked", "wrapped"]
OBJECTS = ["a red bicycle", "the kitchen table", "some fresh bread", "an old map",
           "the garden gate", "a box of apples", "the broken window", "a warm blanket",
           "the blue cover of the book", "a cup of coffee", "the corner shop sign",
           "a letter from home", "the heavy suitcase", "two tickets to the show", "the car keys"]
PLACES = ["yesterday", "in the morning", "after lunch", "near the river", "at the station",
          "last summer", "on Sunday", "before the rain", "in the park", "downtown", "at noon"]
CLAUSES = ["because it was cheap", "and then went home", "while it was raining",
           "but nobody noticed", "so we could leave early", "and it took an hour",
           "although the shop was closed", "and everyone laughed", "before the meeting"]
OUTPUT_FORMATS = [(16000, 1), (22050, 1), (44100, 2), (48000, 1), (48000, 2), (8000, 1)]


def run(command, **kwargs):
    return subprocess.run(command, check=True, capture_output=True, **kwargs)


def english_voices():
    """Every English espeak-ng voice that needs nothing else installed, with every variant."""
    languages = []
    for line in run(["espeak-ng", "--voices=en"], text=True).stdout.splitlines()[1:]:
        parts = line.split()
        if len(parts) >= 5 and parts[1].startswith("en") and not parts[4].startswith("mb/"):
            languages.append(parts[1])
    variants = [""]
    for line in run(["espeak-ng", "--voices=variant"], text=True).stdout.splitlines()[1:]:
        parts = line.split()
        if len(parts) >= 5:
            variants.append(parts[4].split("/")[-1])
    return sorted(set(languages)), variants


def normalized(text):
    return " ".join(re.sub(r"[^a-z0-9 ]", "", text.lower()).split())


def read_pcm(path):
    with wave.open(path, "rb") as w:
        samples = array.array("h", w.readframes(w.getnframes()))
    return samples


def speak(text, voice, rate, path):
    """`text` as 16 kHz mono 16-bit samples."""
    raw = path + ".espeak.wav"
    run(["espeak-ng", "-v", voice, "-s", str(rate), "-w", raw, text])
    run(["sox", raw, "-r", "16000", "-c", "1", "-b", "16", "-e", "signed-integer", path])
    os.remove(raw)
    samples = read_pcm(path)
    os.remove(path)
    return samples


def rms(samples):
    if not samples:
        return 0.0
    loud = [s for s in samples if abs(s) > 200] or list(samples)
    return math.sqrt(sum(s * s for s in loud) / len(loud))


class Noise:
    """Pink noise from sox, looped as long as needed."""

    def __init__(self, folder, seconds=60):
        path = os.path.join(folder, "pink.wav")
        run(["sox", "-n", "-r", "16000", "-c", "1", "-b", "16", "-e", "signed-integer", path,
             "synth", str(seconds), "pinknoise", "vol", "0.3"])
        self.samples = read_pcm(path)
        self.level = rms(self.samples)
        self.at = 0

    def take(self, count):
        out = array.array("h")
        while len(out) < count:
            piece = self.samples[self.at:self.at + count - len(out)]
            out.extend(piece)
            self.at = (self.at + len(piece)) % len(self.samples)
        return out


def mix(segments, speech_level, snr, noise):
    """Speech and pauses laid end to end with noise `snr` dB under the speech."""
    total = sum(len(s) if isinstance(s, array.array) else s for s in segments)
    gain = speech_level / (noise.level * 10 ** (snr / 20)) if noise.level else 0
    background = noise.take(total)
    out = array.array("h", (int(v * gain) for v in background))
    at = 0
    for segment in segments:
        if isinstance(segment, array.array):
            for i, v in enumerate(segment):
                out[at + i] = max(-32768, min(32767, out[at + i] + v))
            at += len(segment)
        else:
            at += segment
    return out


def write_wav(path, samples, rate, channels):
    mono = path + ".mono.wav"
    with wave.open(mono, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(16000)
        w.writeframes(samples.tobytes())
    run(["sox", mono, "-r", str(rate), "-c", str(channels), path])
    os.remove(mono)


def wake_texts(count, rng):
    texts = []
    for i in range(count):
        kind = i % 3
        if kind == 0:
            texts.append((WAKE, None))
        elif kind == 1:
            command = rng.choice(COMMANDS)
            texts.append((f"{WAKE}, {command}.", command))
        else:
            question = rng.choice(QUESTIONS)
            texts.append((f"{WAKE}, {question}?", question))
    return texts


def ordinary_sentence(rng):
    if rng.random() < 0.25:
        miss = rng.choice(NEAR_MISSES)
        return f"{miss}, {rng.choice(SUBJECTS).lower()} {rng.choice(VERBS)} {rng.choice(OBJECTS)}."
    sentence = f"{rng.choice(SUBJECTS)} {rng.choice(VERBS)} {rng.choice(OBJECTS)} {rng.choice(PLACES)}"
    if rng.random() < 0.5:
        sentence += " " + rng.choice(CLAUSES)
    return sentence + "."


def listen(cli, path):
    """The events `listen --file` reports, and the CPU seconds it used."""
    process = subprocess.Popen([cli, "listen", "--file", path, "--verbose"],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                               env=dict(os.environ, KORVANE_ENV_FILES=""))
    stdout, stderr = process.stdout.read(), process.stderr.read()
    # wait4 gives this one child's CPU time, whatever else runs beside it.
    _, status, usage = os.wait4(process.pid, 0)
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode != 0:
        raise RuntimeError(f"listen failed on {path}: {stderr.strip()}")
    events = [json.loads(line) for line in stdout.splitlines() if line.startswith("{")]
    return events, usage.ru_utime + usage.ru_stime


def word_errors(reference, hypothesis):
    ref, hyp = reference.split(), hypothesis.split()
    row = list(range(len(hyp) + 1))
    for i, r in enumerate(ref, 1):
        previous, row[0] = row[0], i
        for j, h in enumerate(hyp, 1):
            previous, row[j] = row[j], min(row[j] + 1, row[j - 1] + 1, previous + (r != h))
    return row[len(hyp)]


def build_sets(args, folder, rng):
    languages, variants = english_voices()
    voices = [l + ("+" + v if v else "") for l in languages for v in variants]
    rng.shuffle(voices)
    rates = list(range(110, 231, 10))
    print(f"{len(languages)} English voices x {len(variants)} variants, rates {rates[0]}-{rates[-1]}",
          file=sys.stderr)

    def pick(i):
        return voices[i % len(voices)], rates[(i * 7) % len(rates)]

    wakes = []
    for i, (text, suffix) in enumerate(wake_texts(args.wake_clips, rng)):
        voice, rate = pick(i)
        wakes.append((speak(text, voice, rate, os.path.join(folder, "w.wav")), suffix, voice, rate))
    ordinary = []
    seconds = 0.0
    i = 0
    while seconds < args.minutes * 60:
        voice, rate = pick(i + 7919)
        samples = speak(ordinary_sentence(rng), voice, rate, os.path.join(folder, "o.wav"))
        ordinary.append(samples)
        seconds += len(samples) / 16000 + 0.8
        i += 1
    return wakes, ordinary


def files_for(args, folder, wakes, ordinary, snr, rng):
    """WAV files at `snr`: groups of wake clips with their labels, and the ordinary speech."""
    noise = Noise(folder)
    jobs = []
    gap = 16000 * 3
    for start in range(0, len(wakes), args.clips_per_file):
        group = wakes[start:start + args.clips_per_file]
        segments, labels, at = [gap], [], gap
        for samples, suffix, voice, rate in group:
            labels.append((at / 16000, (at + len(samples)) / 16000, suffix, voice, rate))
            segments += [samples, gap]
            at += len(samples) + gap
        level = sum(rms(g[0]) for g in group) / len(group)
        out = mix(segments, level, snr, noise)
        path = os.path.join(folder, f"wake-{snr}-{start}.wav")
        write_wav(path, out, *rng.choice(OUTPUT_FORMATS))
        jobs.append(("wake", path, len(out) / 16000, labels))
    chunk, length, index = [], 0, 0
    level = sum(rms(s) for s in ordinary[:50]) / max(1, min(50, len(ordinary)))
    for samples in ordinary + [None]:
        if samples is not None:
            chunk += [samples, int(16000 * rng.uniform(0.4, 1.2))]
            length += len(samples)
        if chunk and (samples is None or length > 16000 * 300):
            out = mix(chunk, level, snr, noise)
            path = os.path.join(folder, f"ordinary-{snr}-{index}.wav")
            write_wav(path, out, *rng.choice(OUTPUT_FORMATS))
            jobs.append(("ordinary", path, len(out) / 16000, None))
            chunk, length, index = [], 0, index + 1
    quiet = mix([16000 * args.quiet_seconds], level, snr, noise)
    path = os.path.join(folder, f"quiet-{snr}.wav")
    write_wav(path, quiet, 48000, 1)
    jobs.append(("quiet", path, len(quiet) / 16000, None))
    return jobs


def score(snr, results, out):
    detected = total = errors = words = false_wakes = 0
    ordinary_seconds = ordinary_cpu = quiet_seconds = quiet_cpu = 0.0
    misses = []
    for kind, duration, labels, events, cpu in results:
        wakes = [e for e in events if e["event"] == "wake"]
        if kind == "wake":
            for begin, end, suffix, voice, rate in labels:
                total += 1
                mine = [w for w in wakes if begin <= w["at"] <= end + 2.5]
                if mine:
                    detected += 1
                    got = normalized(mine[0]["suffix"] or "")
                    ref = normalized(suffix or "")
                    words += len(ref.split())
                    errors += word_errors(ref, got) if ref else len(got.split())
                else:
                    misses.append(f"{voice}@{rate}")
            false_wakes += sum(1 for w in wakes
                               if not any(b <= w["at"] <= e + 2.5 for b, e, *_ in labels))
        elif kind == "ordinary":
            ordinary_seconds += duration
            ordinary_cpu += cpu
            false_wakes += len(wakes)
        else:
            quiet_seconds += duration
            quiet_cpu += cpu
            false_wakes += len(wakes)
    hours = ordinary_seconds / 3600
    row = {
        "snr": snr,
        "detected": f"{detected}/{total} ({100 * detected / max(1, total):.1f} %)",
        "false wakes per hour": f"{false_wakes / max(hours, 1e-9):.2f} ({false_wakes} in {ordinary_seconds / 60:.0f} min)",
        "RTF quiet": f"{quiet_cpu / max(quiet_seconds, 1e-9):.3f}",
        "RTF talk": f"{ordinary_cpu / max(ordinary_seconds, 1e-9):.3f}",
        "suffix word accuracy": f"{100 * (1 - errors / max(1, words)):.1f} % of {words} words",
    }
    print(json.dumps({"snr": snr, "misses": misses}), file=out)
    return row


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--cli", default="build/bin/korvane-cli")
    parser.add_argument("--wake-clips", type=int, default=240)
    parser.add_argument("--minutes", type=float, default=60)
    parser.add_argument("--quiet-seconds", type=int, default=300)
    parser.add_argument("--snr", type=int, nargs="+", default=[20, 10, 5])
    parser.add_argument("--clips-per-file", type=int, default=20)
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--seed", type=int, default=14)
    parser.add_argument("--work", help="folder for the audio (default: a temporary one)")
    args = parser.parse_args()

    rng = random.Random(args.seed)
    with tempfile.TemporaryDirectory(prefix="korvane-wake-") as scratch:
        folder = args.work or scratch
        os.makedirs(folder, exist_ok=True)
        started = time.monotonic()
        wakes, ordinary = build_sets(args, folder, rng)
        print(f"synthesised {len(wakes)} wake clips and {len(ordinary)} sentences in "
              f"{time.monotonic() - started:.0f} s", file=sys.stderr)
        rows = []
        for snr in args.snr:
            jobs = files_for(args, folder, wakes, ordinary, snr, rng)
            with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
                heard = list(pool.map(lambda job: listen(args.cli, job[1]), jobs))
            results = [(kind, duration, labels, events, cpu)
                       for (kind, path, duration, labels), (events, cpu) in zip(jobs, heard)]
            rows.append(score(snr, results, sys.stderr))
            for kind, path, *_ in jobs:
                os.remove(path)
            print(json.dumps(rows[-1]), file=sys.stderr)
        columns = list(rows[0].keys())
        print("| " + " | ".join(columns) + " |")
        print("|" + "---|" * len(columns))
        for row in rows:
            print("| " + " | ".join(str(row[c]) for c in columns) + " |")


if __name__ == "__main__":
    main()
