"""Small drawing helpers shared by the generators."""
import os
import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
DATA = os.path.join(ROOT, "data")
FONT_DIR = "/usr/share/fonts/truetype/dejavu"

SS = 4  # supersampling factor for anti-aliased shapes


def data_path(rel):
    path = os.path.join(DATA, *rel.split("\\"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    return path


def save(img, rel):
    img.save(data_path(rel), optimize=True)


def font(size, bold=True, mono=False):
    name = "DejaVuSans"
    if mono:
        name += "Mono"
    if bold:
        name += "-Bold"
    return ImageFont.truetype(os.path.join(FONT_DIR, name + ".ttf"), size)


def smooth_noise(h, w, scale, rng):
    """Value noise in [-1, 1] with features about `scale` pixels large."""
    sh, sw = max(2, int(h / scale) + 2), max(2, int(w / scale) + 2)
    small = rng.random((sh, sw)).astype(np.float32)
    img = Image.fromarray((small * 255).astype(np.uint8), "L")
    big = img.resize((int(sw * scale), int(sh * scale)), Image.BICUBIC)
    arr = np.asarray(big, dtype=np.float32)[:h, :w] / 127.5 - 1.0
    return arr


def fractal_noise(h, w, rng, scales=(256, 96, 32, 10), weights=(1.0, 0.6, 0.35, 0.15)):
    acc = np.zeros((h, w), np.float32)
    for s, wt in zip(scales, weights):
        acc += smooth_noise(h, w, s, rng) * wt
    return acc / sum(weights)


class Canvas:
    """An RGBA drawing surface at SS times the final size, downsampled on finish."""

    def __init__(self, w, h, bg=(0, 0, 0, 0)):
        self.w, self.h = w, h
        self.img = Image.new("RGBA", (w * SS, h * SS), bg)
        self.draw = ImageDraw.Draw(self.img)

    def s(self, v):
        return v * SS

    def pts(self, points, ox=0, oy=0):
        return [((x + ox) * SS, (y + oy) * SS) for x, y in points]

    def rect(self, x0, y0, x1, y1, fill, radius=0, outline=None, width=0):
        box = [x0 * SS, y0 * SS, x1 * SS - 1, y1 * SS - 1]
        if radius:
            self.draw.rounded_rectangle(box, radius * SS, fill=fill, outline=outline, width=width * SS)
        else:
            self.draw.rectangle(box, fill=fill, outline=outline, width=width * SS)

    def ellipse(self, cx, cy, rx, ry, fill, outline=None, width=0):
        self.draw.ellipse([(cx - rx) * SS, (cy - ry) * SS, (cx + rx) * SS, (cy + ry) * SS],
                          fill=fill, outline=outline, width=width * SS)

    def polygon(self, points, fill):
        self.draw.polygon(self.pts(points), fill=fill)

    def line(self, points, fill, width):
        self.draw.line(self.pts(points), fill=fill, width=max(1, int(width * SS)), joint="curve")

    def text(self, x, y, txt, size, fill, anchor="mm", bold=True, mono=False, stroke=0, stroke_fill=None):
        self.draw.text((x * SS, y * SS), txt, font=font(size * SS, bold, mono), fill=fill,
                       anchor=anchor, stroke_width=stroke * SS, stroke_fill=stroke_fill)

    def paste_layer(self, layer):
        self.img = Image.alpha_composite(self.img, layer)
        self.draw = ImageDraw.Draw(self.img)

    def blank_layer(self):
        return Image.new("RGBA", self.img.size, (0, 0, 0, 0))

    def shadow(self, draw_fn, offset=(3, 4), blur=4, alpha=110):
        """Adds a soft drop shadow of what draw_fn paints; call it before drawing the shapes themselves."""
        layer = self.blank_layer()
        d = ImageDraw.Draw(layer)
        draw_fn(d, (0, 0, 0, alpha))
        layer = layer.filter(ImageFilter.GaussianBlur(blur * SS))
        shifted = Image.new("RGBA", layer.size, (0, 0, 0, 0))
        shifted.paste(layer, (int(offset[0] * SS), int(offset[1] * SS)))
        self.img = Image.alpha_composite(self.img, shifted)
        self.draw = ImageDraw.Draw(self.img)

    def finish(self):
        return self.img.resize((self.w, self.h), Image.LANCZOS)


def shade_radial(img, cx, cy, r, strength=0.35):
    """Darkens an RGBA image away from (cx, cy): cheap top-down lighting for round objects."""
    arr = np.asarray(img, dtype=np.float32).copy()
    h, w = arr.shape[:2]
    yy, xx = np.mgrid[0:h, 0:w]
    d = np.sqrt((xx - cx) ** 2 + (yy - cy) ** 2) / max(r, 1)
    f = 1.0 - strength * np.clip(d, 0, 1.4)
    arr[..., :3] *= f[..., None]
    return Image.fromarray(np.clip(arr, 0, 255).astype(np.uint8), "RGBA")


def paletted(img):
    """The image with a palette of exactly its colours: a surface map of a few colours decodes
    several times faster as one byte a pixel, and reads back the same colours."""
    rgb = np.asarray(img)
    colors, index = np.unique(rgb.reshape(-1, 3), axis=0, return_inverse=True)
    out = Image.fromarray(index.reshape(rgb.shape[:2]).astype(np.uint8), "P")
    out.putpalette(colors.astype(np.uint8).flatten().tolist())
    return out
