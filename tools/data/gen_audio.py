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
    # Near full scale, as the chimes: a hard crash must be heard over four engines.
    return np.tanh(body + clank + crunch) * 0.95


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


# ---------------------------------------------------------------- race and menu effects
# Loops are one second long and built only from whole-hertz tones and circularly filtered noise,
# so they repeat without a click.


def looped_noise(seconds, low, high):
    """White noise band-limited to low..high Hz by a circular filter, peak 1."""
    n = int(seconds * RATE)
    spectrum = np.fft.rfft(rng.standard_normal(n))
    f = np.fft.rfftfreq(n, 1 / RATE)
    spectrum *= (f >= low) & (f <= high)
    x = np.fft.irfft(spectrum, n)
    return x / np.max(np.abs(x))


def normalised(x, peak):
    return x / np.max(np.abs(x)) * peak


def engine_loop(fire_hz, roughness):
    """One engine speed: firing pulses at fire_hz with harmonics and a rough intake noise."""
    t = t_axis(1.0)
    phase = 2 * np.pi * fire_hz * t
    x = sum(np.sin(k * phase + 0.7 * k) / k ** 0.8 for k in range(1, 12))
    x += 0.6 * np.sin(0.5 * phase) if fire_hz % 2 == 0 else 0
    pulse = 0.55 + 0.45 * np.sin(phase)
    x += roughness * looped_noise(1.0, 80, 2500) * pulse
    return normalised(np.tanh(1.2 * x), 0.5)


def skid_loop():
    t = t_axis(1.0)
    squeal = np.sin(2 * np.pi * 1150 * t + 3 * np.sin(2 * np.pi * 7 * t))
    squeal += 0.5 * np.sin(2 * np.pi * 1730 * t + 2 * np.sin(2 * np.pi * 5 * t))
    return normalised(squeal * (0.7 + 0.3 * np.sin(2 * np.pi * 3 * t)) + 0.8 * looped_noise(1.0, 900, 4000), 0.45)


def surface_loop(low, high, grain_rate, grain_decay, seed):
    """Tyres over loose ground: band noise with random grains (stones, clods)."""
    local = np.random.default_rng(seed)
    n = RATE
    bed = looped_noise(1.0, low, high) * 0.5
    grains = np.zeros(n)
    tg = np.arange(int(0.04 * RATE)) / RATE
    shape = np.exp(-tg * grain_decay)
    for start in local.integers(0, n, grain_rate):
        idx = (start + np.arange(len(shape))) % n
        grains[idx] += shape * local.uniform(0.3, 1.0)
    return normalised(bed + looped_noise(1.0, low, high * 2) * grains, 0.45)


def chime(notes, step, ring):
    """Bell-like notes (MIDI numbers) started step seconds apart, each ringing ring seconds."""
    total = step * (len(notes) - 1) + ring
    out = np.zeros(int(total * RATE))
    for k, m in enumerate(notes):
        t = t_axis(ring)
        f = note_freq(m)
        bell = np.sin(2 * np.pi * f * t) + 0.35 * np.sin(2 * np.pi * 2.01 * f * t) + 0.12 * np.sin(2 * np.pi * 3.02 * f * t)
        i = int(k * step * RATE)
        out[i:i + len(t)] += bell * np.exp(-t * 5 / ring) * envelope(len(t), 0.003, 0.02)
    # Gently saturated and near full scale: a chime must stand 6 dB clear of four engines and the
    # music (the game's master limiter keeps their sum from clipping).
    return normalised(np.tanh(2 * out / np.max(np.abs(out))), 0.95)


def wrong_way():
    t = t_axis(0.7)
    buzz = np.sign(np.sin(2 * np.pi * 180 * t)) * 0.5 + np.sin(2 * np.pi * 90 * t)
    gate = ((t % 0.35) < 0.25).astype(float)
    return normalised(lowpass(buzz, 0.2) * gate * envelope(len(t), 0.005, 0.05), 0.6)


def hover():
    t = t_axis(0.05)
    return np.sin(2 * np.pi * 2400 * t) * np.exp(-t * 140) * 0.25


def menu_music():
    """A slow, quiet pad and bell loop for the menus."""
    beat = 60 / 72
    bars = 8
    n = int(bars * 4 * beat * RATE)
    left, right = np.zeros(n), np.zeros(n)
    chords = [[57, 60, 64, 67], [53, 57, 60, 64], [48, 52, 55, 59], [55, 59, 62, 65]]
    for bar in range(bars):
        start = int(bar * 4 * beat * RATE)
        t = t_axis(4 * beat)
        pad = sum(np.sin(2 * np.pi * note_freq(m) * t) + 0.2 * np.sin(2 * np.pi * 2 * note_freq(m) * t)
                  for m in chords[bar % 4]) / 4
        pad *= envelope(len(t), 0.8, 0.9)
        seg = slice(start, start + len(t))
        left[seg] += pad[: n - start] * 0.55
        right[seg] += pad[: n - start] * 0.45
        for k, m in enumerate(chords[bar % 4][::-1] if bar % 2 else chords[bar % 4]):
            tb = t_axis(beat * 1.5)
            bell = np.sin(2 * np.pi * note_freq(m + 12) * tb) * np.exp(-tb * 2.5) * envelope(len(tb), 0.005, 0.1)
            i = start + int(k * beat * RATE)
            pan = 0.3 + 0.4 * (k % 2)
            left[i:i + len(tb)] += bell[: n - i] * 0.18 * (1 - pan)
            right[i:i + len(tb)] += bell[: n - i] * 0.18 * pan
    mix = np.stack([left, right], 1)
    return mix / np.max(np.abs(mix)) * 0.4


def write_ogg(rel, mix):
    tmp = "/tmp/asphaltia_music.wav"
    with wave.open(tmp, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes((np.clip(mix, -1, 1) * 32000).astype("<i2").tobytes())
    subprocess.run(["sox", tmp, "-C", "4", data_path(rel)], check=True)
    os.remove(tmp)


def write_sounds_dat():
    lines = ["; Race sounds: engine loops from idle (loop0) to full revs (loop3), cross-faded by speed and throttle",
             "[engine]", "level=0.42"] + ["loop%d=snd\\engine%d.wav" % (i, i) for i in range(4)] + [
             "", "[effects]", "crash=snd\\crash.wav", "skid=snd\\skid.wav", "checkpoint=snd\\checkpoint.wav",
             "lap=snd\\lap.wav", "finish=snd\\finish.wav", "wrongWay=snd\\wrongway.wav", ""]
    with open(data_path("dat\\sounds.dat"), "w", newline="") as f:
        f.write("\r\n".join(lines))


def main():
    write_wav("snd\\beep.wav", beep(660, 0.35))
    write_wav("snd\\go.wav", np.concatenate([beep(1320, 0.7)]))
    write_wav("snd\\engine.wav", engine())
    write_wav("snd\\crash.wav", crash())
    write_wav("snd\\whoosh.wav", whoosh())
    write_wav("snd\\click.wav", click())
    for i, (fire_hz, rough) in enumerate(((34, 0.5), (56, 0.6), (88, 0.7), (136, 0.8))):
        write_wav("snd\\engine%d.wav" % i, engine_loop(fire_hz, rough))
    write_wav("snd\\skid.wav", skid_loop())
    write_wav("snd\\sand.wav", surface_loop(300, 3000, 90, 160, 1))
    write_wav("snd\\grass.wav", surface_loop(150, 1200, 30, 60, 2))
    write_wav("snd\\mud.wav", surface_loop(60, 500, 40, 30, 3))
    write_wav("snd\\checkpoint.wav", chime([84, 88], 0.08, 0.45))
    write_wav("snd\\lap.wav", chime([79, 84, 88, 91], 0.09, 0.6))
    write_wav("snd\\finish.wav", chime([72, 76, 79, 84, 88, 91, 96], 0.11, 1.2))
    write_wav("snd\\wrongway.wav", wrong_way())
    write_wav("snd\\hover.wav", hover())
    write_sounds_dat()
    # Quieter than full scale so that four engines, the effects and the music never clip together.
    write_ogg("mus\\asphalt_groove.ogg", music() * 0.4)
    write_ogg("mus\\menu_calm.ogg", menu_music())


if __name__ == "__main__":
    main()
