"""Synthesises the sound effects (16-bit WAV) and the race music loop (Ogg Vorbis via sox)."""
import os
import subprocess
import wave
import numpy as np

from common import data_path

RATE = 44100
rng = np.random.default_rng(9)


def write_wav(rel, samples, stereo=False):
    samples = np.clip(samples, -1, 1)
    data = (samples * 32000).astype("<i2")
    with wave.open(data_path(rel), "wb") as w:
        w.setnchannels(2 if stereo else 1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(data.tobytes())


def t_axis(seconds):
    return np.arange(int(seconds * RATE)) / RATE


def envelope(n, attack=0.005, release=0.05):
    env = np.ones(n)
    a, r = int(attack * RATE), int(release * RATE)
    env[:a] = np.linspace(0, 1, a)
    env[n - r:] *= np.linspace(1, 0, r)
    return env


def beep(freq, seconds):
    t = t_axis(seconds)
    tone = np.sin(2 * np.pi * freq * t) + 0.3 * np.sin(2 * np.pi * 2 * freq * t) + 0.1 * np.sin(2 * np.pi * 3 * freq * t)
    return 0.5 * tone * envelope(len(t), 0.004, seconds * 0.5)


def lowpass(x, alpha):
    y = np.empty_like(x)
    acc = 0.0
    for i, v in enumerate(x):
        acc += alpha * (v - acc)
        y[i] = acc
    return y


def engine():
    t = t_axis(2.0)
    f = 48 + 6 * np.sin(2 * np.pi * 0.5 * t)
    phase = 2 * np.pi * np.cumsum(f) / RATE
    x = sum(np.sin(k * phase) / k for k in range(1, 9)) * 0.5
    x += 0.15 * rng.standard_normal(len(t)) * (0.5 + 0.5 * np.sin(phase))
    x = np.tanh(1.5 * x) * 0.6
    fade = int(0.02 * RATE)
    x[:fade] *= np.linspace(0, 1, fade)
    x[-fade:] *= np.linspace(1, 0, fade)
    return x


def crash():
    t = t_axis(0.9)
    noise = rng.standard_normal(len(t))
    body = lowpass(noise, 0.08) * 3 * np.exp(-t * 6)
    clank = sum(np.sin(2 * np.pi * f * t) * np.exp(-t * d) for f, d in ((310, 9), (517, 12), (893, 15))) * 0.25
    crunch = noise * np.exp(-t * 18) * 0.5
    return np.tanh(body + clank + crunch) * 0.8


def whoosh():
    t = t_axis(0.8)
    noise = rng.standard_normal(len(t))
    swell = np.sin(np.pi * t / t[-1]) ** 2
    cut = 0.02 + 0.25 * swell
    y = np.empty_like(noise)
    acc = 0.0
    for i, v in enumerate(noise):
        acc += cut[i] * (v - acc)
        y[i] = acc
    return y * swell * 1.5


def click():
    t = t_axis(0.06)
    return (np.sin(2 * np.pi * 1800 * t) * np.exp(-t * 90) + 0.4 * rng.standard_normal(len(t)) * np.exp(-t * 300)) * 0.6


# ---------------------------------------------------------------- music

BPM = 112
BEAT = 60 / BPM


def note_freq(n):
    return 440.0 * 2 ** ((n - 69) / 12)


def saw(freq, t, voices=3, detune=0.006):
    out = np.zeros_like(t)
    for v in range(voices):
        f = freq * (1 + detune * (v - (voices - 1) / 2))
        ph = (f * t + v * 0.33) % 1.0
        out += 2 * ph - 1
    return out / voices


def music():
    bars = 16
    length = bars * 4 * BEAT
    n = int(length * RATE)
    left, right = np.zeros(n), np.zeros(n)

    def add(start, sig, pan=0.5, gain=1.0):
        i = int(start * RATE)
        sig = sig[: max(0, n - i)]
        left[i:i + len(sig)] += sig * gain * (1 - pan)
        right[i:i + len(sig)] += sig * gain * pan

    # I - vi - IV - V in A minor/C flavour: Am F C G, two bars each
    chords = [[57, 60, 64], [53, 57, 60], [48, 52, 55], [55, 59, 62]]
    roots = [45, 41, 48, 43]
    for bar in range(bars):
        ch = chords[(bar // 2) % 4]
        start = bar * 4 * BEAT
        t = t_axis(4 * BEAT)
        pad = sum(saw(note_freq(m), t) for m in ch) / 3
        pad = lowpass(pad, 0.06) * envelope(len(t), 0.3, 0.4)
        add(start, pad, 0.35, 0.22)
        add(start, pad, 0.65, 0.22)
        root = roots[(bar // 2) % 4]
        for eighth in range(8):
            tt = t_axis(BEAT / 2)
            m = root + (12 if eighth % 4 == 3 else 0)
            b = np.sign(np.sin(2 * np.pi * note_freq(m) * tt)) * 0.5 + np.sin(2 * np.pi * note_freq(m) * tt)
            b = lowpass(b, 0.12) * envelope(len(tt), 0.003, 0.08)
            add(start + eighth * BEAT / 2, b, 0.5, 0.35)
        # drums: kick on 1 and 3, snare on 2 and 4, closed hats on eighths
        for beat in range(4):
            bt = start + beat * BEAT
            if beat in (0, 2) or (bar % 4 == 3 and beat == 3):
                tk = t_axis(0.3)
                kick = np.sin(2 * np.pi * (50 + 120 * np.exp(-tk * 30)) * tk) * np.exp(-tk * 10)
                add(bt, kick, 0.5, 0.9)
            if beat in (1, 3):
                ts = t_axis(0.25)
                snare = (rng.standard_normal(len(ts)) * 0.6 + np.sin(2 * np.pi * 190 * ts)) * np.exp(-ts * 16)
                add(bt, snare, 0.55, 0.35)
            for half in range(2):
                th = t_axis(0.05)
                hat = rng.standard_normal(len(th))
                hat = (hat - lowpass(hat, 0.5)) * np.exp(-th * 80)
                add(bt + half * BEAT / 2, hat, 0.7 if half else 0.3, 0.22)
        # a lead melody in the second half
        if bar >= 8:
            scale = [69, 72, 74, 76, 79, 81]
            pattern = [0, 2, 3, 2, 4, 3, 1, 0] if bar % 2 == 0 else [3, 4, 5, 4, 3, 2, 1, 2]
            for k, idx in enumerate(pattern):
                tl = t_axis(BEAT / 2 * 0.95)
                f = note_freq(scale[idx])
                lead = (np.sin(2 * np.pi * f * tl) + 0.3 * np.sin(2 * np.pi * 2 * f * tl + 0.5 * np.sin(2 * np.pi * 5 * tl)))
                add(start + k * BEAT / 2, lead * envelope(len(tl), 0.01, 0.1), 0.5 + 0.2 * ((k % 2) - 0.5), 0.16)
    mix = np.stack([left, right], 1)
    mix /= np.max(np.abs(mix)) * 1.1
    return mix


def main():
    write_wav("snd\\beep.wav", beep(660, 0.35))
    write_wav("snd\\go.wav", np.concatenate([beep(1320, 0.7)]))
    write_wav("snd\\engine.wav", engine())
    write_wav("snd\\crash.wav", crash())
    write_wav("snd\\whoosh.wav", whoosh())
    write_wav("snd\\click.wav", click())
    tmp = "/tmp/asphalt_groove.wav"
    mix = music()
    with wave.open(tmp, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes((np.clip(mix, -1, 1) * 32000).astype("<i2").tobytes())
    subprocess.run(["sox", tmp, "-C", "4", data_path("mus\\asphalt_groove.ogg")], check=True)
    os.remove(tmp)


if __name__ == "__main__":
    main()
