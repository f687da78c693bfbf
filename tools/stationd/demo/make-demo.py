#!/usr/bin/env python3
"""Makes the demo station folder: music loops (sox synth, encoded with ffmpeg), station logos
(ImageMagick), stations.ini and config/zvadok.txt, all from the table below. Run by hand; the
results are committed. Needs sox, ffmpeg with libmp3lame, ImageMagick and the DejaVu fonts."""

import os
import random
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
RATE = 44100
MAJOR = [0, 2, 4, 5, 7, 9, 11]
MINOR = [0, 2, 3, 5, 7, 8, 10]

# index: button index (0..5 upper row, 6..12 lower row); prog: scale degrees (0-based) per bar;
# sevenths: add the seventh to every chord; colours: the logo's gradient.
STATIONS = [
    dict(index=0, slug="dallam", name="Dallam FM", desc="Dallamos slágerek éjjel-nappal",
         genre="Pop", fmt="mp3", kbits=128, bpm=112, root=60, scale=MAJOR,
         prog=[0, 4, 5, 3], bars=12, sevenths=False, interval=25, colours=("#ff7e5f", "#7b2ff7"),
         titles=["Fehér Lili - Nyári eső", "Kertész Bence - Napfény a teraszon",
                 "Vadvirág Együttes - Szélcsend", "Rácz Dóra - Hazafelé"]),
    dict(index=1, slug="hajnal", name="Hajnal Rádió", desc="Csendes reggelek zenéje",
         genre="Ambient", fmt="aac", kbits=64, bpm=72, root=57, scale=MINOR,
         prog=[0, 5, 2, 6], bars=8, sevenths=True, interval=30, colours=("#e96443", "#904e95"),
         titles=["Ködös Hajnal - Első fény", "Mészáros Anna - Harmat",
                 "Holdsugár - Lassú ébredés"]),
    dict(index=2, slug="tiszajazz", name="Tisza Jazz", desc="Jazz a folyó partjáról",
         genre="Jazz", fmt="mp3", kbits=96, bpm=96, root=62, scale=MAJOR,
         prog=[1, 4, 0, 5], bars=12, sevenths=True, interval=35, colours=("#1e3c72", "#2a9d8f"),
         titles=["Somogyi Tamás Trió - Esti séta", "Bognár Kata - Kék füst",
                 "Somogyi Tamás Trió - Hídláb blues", "Lengyel Ádám - Szegedi éjszaka"]),
    dict(index=3, slug="csillagpop", name="Csillag Pop", desc="A legfényesebb slágerek",
         genre="Pop", fmt="aac", kbits=96, bpm=124, root=64, scale=MAJOR,
         prog=[5, 3, 0, 4], bars=16, sevenths=False, interval=20,
         colours=("#f953c6", "#b91d73"),
         titles=["Tóth Réka - Csillagpor", "Lángoló Fenyők - Táncolj velem",
                 "Kiss Olivér - Égig érő", "Tóth Réka - Éjféli fények"]),
    dict(index=4, slug="balaton", name="Balaton Lounge", desc="Lágy hangok a parton",
         genre="Lounge", fmt="mp3", kbits=128, bpm=88, root=55, scale=MAJOR,
         prog=[0, 3, 1, 4], bars=10, sevenths=True, interval=30,
         colours=("#43cea2", "#185a9d"),
         titles=["Partifény - Vitorlák", "Nagy Emese - Naplemente Tihanyban",
                 "Partifény - Hullámzás"]),
    dict(index=6, slug="kekduna", name="Kék Duna Klasszik", desc="Klasszikus muzsika",
         genre="Klasszikus", fmt="aac", kbits=64, bpm=80, root=62, scale=MINOR,
         prog=[0, 3, 4, 0], bars=10, sevenths=False, interval=40,
         colours=("#141e30", "#35577d"),
         titles=["Pannon Kamarazenekar - Andante d-mollban", "Vörös Ilona - Téli prelúdium",
                 "Pannon Kamarazenekar - Menüett"]),
    dict(index=7, slug="pannonfolk", name="Pannon Folk", desc="Népzene és világzene",
         genre="Folk", fmt="mp3", kbits=112, bpm=132, root=57, scale=MINOR,
         prog=[0, 6, 5, 4], bars=16, sevenths=False, interval=25,
         colours=("#c79081", "#7a3b2e"),
         titles=["Dűlőút Zenekar - Aratóének", "Varga Panna - Fonóban",
                 "Dűlőút Zenekar - Csárdás a hegyen"]),
    dict(index=8, slug="ejjelihullam", name="Éjjeli Hullám", desc="Elektronikus éjszakák",
         genre="Elektronikus", fmt="aac", kbits=80, bpm=118, root=53, scale=MINOR,
         prog=[0, 5, 3, 4], bars=14, sevenths=True, interval=30,
         colours=("#0f0c29", "#8e2de2"),
         titles=["Neonkert - Éjszakai busz", "Szilágyi Dominik - Hullámhossz",
                 "Neonkert - Városfények", "Éjfél Projekt - Visszhang"]),
]


def run(*args):
    subprocess.run(args, check=True)


def freq(midi):
    return 440.0 * 2 ** ((midi - 69) / 12)


def chord(station, degree):
    """MIDI notes of the chord on a scale degree: root, third, fifth (and seventh)."""
    scale = station["scale"]
    notes = []
    for step in (0, 2, 4, 6) if station["sevenths"] else (0, 2, 4):
        d = degree + step
        notes.append(station["root"] + scale[d % 7] + 12 * (d // 7))
    return notes


def voice(path, seconds, synth, notes, offsets, extra=()):
    """One part of one bar: each note started at its offset (the sox multi-channel delay
    trick), mixed down, cut to the bar and faded at the very end against clicks."""
    args = ["sox", "-V1", "-n", "-r", str(RATE), "-c", "1", path, "synth", f"{seconds:.4f}"]
    for n in notes:
        args += [synth, f"{freq(n):.3f}"]
    args += ["delay"] + [f"{o:.4f}" for o in offsets] + ["remix", "-"]
    args += list(extra)
    args += ["trim", "0", f"{seconds:.4f}", "fade", "0", f"{seconds:.4f}", "0.02"]
    run(*args)


def music(station, tmp):
    rng = random.Random(station["slug"])
    beat = 60.0 / station["bpm"]
    bar = 4 * beat
    scale = station["scale"]
    # A two-bar melody motif, repeated with small changes over the progression.
    motif = [(rng.choice([0, 2, 4, 4, 7, 9]), rng.choice([0.5, 1.0])) for _ in range(10)]
    parts = {"pad": [], "arp": [], "mel": [], "bass": []}
    for b in range(station["bars"]):
        degree = station["prog"][b % len(station["prog"])]
        tones = chord(station, degree)
        files = {k: os.path.join(tmp, f"{k}{b:02d}.wav") for k in parts}
        voice(files["pad"], bar, "sine", tones, [0] * len(tones),
              ["fade", "q", f"{bar / 3:.3f}", f"{bar:.3f}", f"{bar / 3:.3f}", "gain", "-16"])
        pattern = [0, 1, 2, 1, len(tones) - 1, 1, 2, 1] if b % 2 else [0, 1, 2, 3, 2, 1, 2, 1]
        arp = [tones[i % len(tones)] + (12 if i >= len(tones) else 0) for i in pattern]
        voice(files["arp"], bar, "pluck", arp, [i * beat / 2 for i in range(8)],
              ["gain", "-7"])
        voice(files["bass"], bar, "pluck", [tones[0] - 24, tones[0] - 24, tones[2] - 24,
                                            tones[0] - 24], [i * beat for i in range(4)],
              ["lowpass", "600", "gain", "-2"])
        notes, offsets, t = [], [], 0.0
        for step, length in motif[(b % 2) * 5:(b % 2) * 5 + 5]:
            if t >= 4:
                break
            d = degree + step + (rng.choice([0, 0, 1]) if b >= 4 else 0)
            notes.append(station["root"] + 12 + scale[d % 7] + 12 * (d // 7))
            offsets.append(t * beat)
            t += length * 2 if rng.random() < 0.3 else length
        voice(files["mel"], bar, "pluck", notes, offsets, ["gain", "-5"])
        for k in parts:
            parts[k].append(files[k])
    tracks = {}
    for k, bars in parts.items():
        tracks[k] = os.path.join(tmp, f"{k}.wav")
        run("sox", *bars, tracks[k])
    # Spread the parts across the stereo image, add room, then fold the reverb tail back onto
    # the start so the loop joins without a gap.
    mixed = os.path.join(tmp, "mixed.wav")
    run("sox", "-M", tracks["pad"], tracks["arp"], tracks["mel"], tracks["bass"], mixed,
        "remix", "1v0.6,2v0.75,3v0.35,4v0.7", "1v0.6,2v0.3,3v0.75,4v0.7",
        "pad", "0", "3", "lowpass", "7500", "reverb", "45", "50", "80", "gain", "-n", "-3")
    length = station["bars"] * bar
    body, tail, looped = (os.path.join(tmp, n) for n in ("body.wav", "tail.wav", "loop.wav"))
    run("sox", mixed, body, "trim", "0", f"{length:.4f}")
    run("sox", mixed, tail, "trim", f"{length:.4f}")
    run("sox", "-m", "-v", "1", body, "-v", "1", tail, looped, "gain", "-n", "-3")
    out = os.path.join(HERE, "audio", f"{station['slug']}.{station['fmt']}")
    codec = (["-c:a", "libmp3lame", "-write_xing", "0", "-id3v2_version", "0", "-f", "mp3"]
             if station["fmt"] == "mp3" else ["-c:a", "aac", "-f", "adts"])
    run("ffmpeg", "-loglevel", "error", "-y", "-i", looped, *codec, "-b:a",
        f"{station['kbits']}k", out)
    return length


RADIO = ("fill none stroke white stroke-width 3 "
         "roundrectangle 26,50 96,100 8,8 "
         "line 40,50 74,24 "
         "fill white circle 48,75 48,88 "
         "fill none stroke-width 2 line 70,64 88,64 line 70,75 88,75 line 70,86 88,86 "
         "stroke-width 3 arc 96,14 116,34 -80,10 arc 100,6 128,34 -80,10")


def text(width, height, font, colour, words):
    """A transparent box with the words fitted into it (ImageMagick picks the point size)."""
    return ["(", "-size", f"{width}x{height}", "-background", "none", "-fill", colour,
            "-font", font, "-gravity", "West", f"label:{words}", ")"]


def logo(path, name, subtitle, colours):
    layers = []
    for colour, dx in (("rgba(0,0,0,0.35)", 1), ("white", 0)):
        layers += text(226, 38, "DejaVu-Sans-Bold", colour, name)
        layers += ["-geometry", f"+{138 + dx}+{30 + dx}", "-composite"]
    layers += text(226, 20, "DejaVu-Sans", "rgba(255,255,255,0.9)", subtitle)
    layers += ["-geometry", "+139+76", "-composite"]
    run("convert", "-respect-parentheses", "-size", "377x126", "-define", "gradient:angle=120",
        f"gradient:{colours[0]}-{colours[1]}",
        "(", "-size", "377x126", "xc:none", "-fill", "rgba(255,255,255,0.10)",
        "-draw", "circle 330,20 330,120", "-draw", "circle 20,140 20,200", ")",
        "-composite",
        "-stroke", "rgba(0,0,0,0.25)", "-strokewidth", "1",
        "-draw", RADIO.replace("white", "black"), "-stroke", "none", "-draw", RADIO,
        "-gravity", "NorthWest", *layers, "-colors", "128", path)


def main():
    for folder in ("audio", "logos", "config"):
        os.makedirs(os.path.join(HERE, folder), exist_ok=True)
    ini = ["; Demo stations (keys: ../README.md). Made by make-demo.py.", ""]
    conf = ["[Main]", "pictdef=http://@HOST@/logos/default.gif", "", "[Adok]"]
    for s in STATIONS:
        with tempfile.TemporaryDirectory() as tmp:
            seconds = music(s, tmp)
        logo(os.path.join(HERE, "logos", f"{s['slug']}.gif"), s["name"], s["desc"],
             s["colours"])
        ini += [f"[/radio/{s['slug']}]", f"file=audio/{s['slug']}.{s['fmt']}",
                f"icy-name={s['name']}", f"icy-description={s['desc']}",
                f"icy-genre={s['genre']}", "icy-url=http://@HOST@/", f"icy-br={s['kbits']}",
                "icy-pub=1", "titles=" + "|".join(s["titles"]),
                f"title_interval={s['interval']}", ""]
        i = s["index"]
        conf += [f"adoUrl{i}=http://@HOST@/radio/{s['slug']}",
                 f"pictur{i}=http://@HOST@/logos/{s['slug']}.gif", f"adoNam{i}={s['name']}",
                 f"enable{i}=1"]
        print(f"{s['name']}: {seconds:.1f} s")
    # The morning station once more as a live HLS station, on the next free button.
    s = next(s for s in STATIONS if s["slug"] == "hajnal")
    ini += ["; The morning station once more as a live HLS station: MPEG-TS segments of 4 s, its",
            "; titles in a timed ID3 stream.", f"[/hls/{s['slug']}]",
            f"file=audio/{s['slug']}.{s['fmt']}", "hls=ts", "segment_seconds=4",
            "titles=" + "|".join(s["titles"]), f"title_interval={s['interval']}", ""]
    conf += [f"adoUrl9=http://@HOST@/hls/{s['slug']}/live.m3u8",
             f"pictur9=http://@HOST@/logos/{s['slug']}.gif", "adoNam9=Hajnal HLS", "enable9=1"]
    logo(os.path.join(HERE, "logos", "default.gif"), "Zenovia", "Internetes rádió",
         ("#3a1c71", "#d76d77"))
    conf += ["", "[Update]", "verz=0", ""]
    with open(os.path.join(HERE, "stations.ini"), "w", encoding="utf-8") as f:
        f.write("\n".join(ini))
    with open(os.path.join(HERE, "config", "zvadok.txt"), "w", encoding="utf-8") as f:
        f.write("\r\n".join(conf))


if __name__ == "__main__":
    main()
