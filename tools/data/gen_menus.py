"""Menu, race-interface and start-up pictures, the menu files, countdown.dat,
interface.dat, the window icon and the desktop icons in packaging/.

Layouts are checked here: every caption is measured with the font the game
uses and the script stops if one does not fit its box.
"""
import math
import os
import random
import struct
import numpy as np
from PIL import Image, ImageDraw, ImageFilter

from common import Canvas, SS, save, data_path, font, fractal_noise, DATA
from world_file import IniWriter

BOLD = "fnt\\dejavusans-bold.ttf"
MONO = "fnt\\dejavusansmono-bold.ttf"
ACCENT = (255, 196, 40)


def check_fits(text, size, w, h, mono=False, spacing=0):
    f = font(size, True, mono)
    lines = [l for l in text.split("[n]") if l]
    widths = [f.getbbox(l)[2] for l in lines]
    height = sum(f.getbbox("Hg")[3] for _ in lines) + spacing * (len(lines) - 1)
    if max(widths, default=0) > w - 4 or height > h:
        raise SystemExit("text %r (size %d) does not fit %dx%d" % (text, size, w, h))


def write_ini(rel, ini, comment):
    with open(data_path(rel), "w", newline="") as f:
        f.write("; " + comment + "\r\n" + ini.text())


# ---------------------------------------------------------------- pictures

def backdrop(w, h, seed):
    """Dark asphalt with a faint texture, the base of the big pictures."""
    rng = np.random.default_rng(seed)
    n = fractal_noise(h, w, rng, scales=(200, 50, 8), weights=(1, 0.5, 0.4))
    base = np.stack([28 + 10 * n, 30 + 10 * n, 38 + 12 * n], -1)
    return Image.fromarray(np.clip(base, 0, 255).astype(np.uint8), "RGB").convert("RGBA")


def logo(c, cx, cy, size):
    layer = c.blank_layer()
    ImageDraw.Draw(layer).text((cx * SS + 6 * SS, cy * SS + 8 * SS), "ASPHALTIA", anchor="mm",
                               font=font(size * SS), fill=(0, 0, 0, 200))
    c.paste_layer(layer.filter(ImageFilter.GaussianBlur(6 * SS)))
    c.text(cx, cy, "ASPHALTIA", size, ACCENT + (255,), stroke=4, stroke_fill=(30, 20, 10, 255))
    c.text(cx, cy - size * 0.04, "ASPHALTIA", size, (255, 222, 110, 255))


def racing_stripes(c, w, h):
    for k, col in enumerate(((200, 30, 40, 255), (240, 240, 240, 255), (200, 30, 40, 255))):
        off = k * 34
        c.polygon([(w * 0.55 + off, h), (w * 0.55 + 26 + off, h), (w + off, h * 0.35 + off * 0.6),
                   (w + off, h * 0.35 + 26 + off * 0.6)], col)


def main_background():
    """The main menu's picture in two layers: the road scene behind every menu, which the game
    stretches to cover the window whatever its shape, and the logo and button panel, which stay
    800 x 600 in the middle of it."""
    w, h = 800, 600
    c = Canvas(w, h)
    c.img.paste(backdrop(w * SS // 2, h * SS // 2, 1).resize((w * SS, h * SS)), (0, 0))
    # a sweeping kerb-edged road across the picture
    pts = [(-50, 520), (150, 450), (330, 470), (520, 380), (700, 400), (860, 300)]
    c.line(pts, (210, 40, 40, 255), 120)
    c.line(pts, (70, 72, 80, 255), 100)
    for k in range(len(pts) - 1):
        (x0, y0), (x1, y1) = pts[k], pts[k + 1]
        for t in np.linspace(0, 1, 6, endpoint=False):
            x, y = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t
            c.line([(x, y), (x + (x1 - x0) * 0.08, y + (y1 - y0) * 0.08)], (230, 230, 220, 200), 5)
    shade = Image.new("RGBA", c.img.size, (10, 12, 20, 120))
    c.paste_layer(shade)
    racing_stripes(c, w, h)
    save(c.finish().resize((1024, 1024), Image.LANCZOS), "gfx\\menu\\backdrop.png")

    c = Canvas(w, h)
    logo(c, w / 2, 150, 92)
    c.text(w / 2, 222, "SPLIT-SCREEN RACING FOR ONE TO FOUR", 20, (210, 214, 226, 255))
    c.rect(250, 270, 550, 546, (12, 14, 22, 170), radius=18)
    save(c.finish().resize((1024, 1024), Image.LANCZOS), "gfx\\menu\\main_bg.png")


def panel(name, w, h):
    c = Canvas(w, h)
    c.shadow(lambda d, col: d.rounded_rectangle([6 * SS, 6 * SS, (w - 6) * SS, (h - 6) * SS], 22 * SS, fill=col),
             offset=(0, 6), blur=6, alpha=160)
    c.rect(6, 6, w - 6, h - 6, (24, 28, 40, 245), radius=20)
    c.rect(8, 8, w - 8, h - 8, (34, 40, 56, 245), radius=18)
    c.rect(8, 8, w - 8, 64, (44, 52, 72, 255), radius=18)
    c.rect(8, 48, w - 8, 64, (34, 40, 56, 245))
    c.rect(22, 62, w - 22, 65, ACCENT + (255,))
    c.rect(6, 6, w - 6, h - 6, None, radius=20, outline=(90, 100, 130, 255), width=2)
    size = (512, 512)
    save(c.finish().resize(size, Image.LANCZOS), "gfx\\menu\\" + name + ".png")


def buttons():
    looks = [((52, 60, 82), (96, 108, 140)), ((70, 80, 108), ACCENT), ((28, 32, 46), (200, 150, 30))]
    for i, (fill, border) in enumerate(looks):
        for name, (w, h) in (("button", (256, 64)), ("button_small", (64, 64))):
            c = Canvas(w, h)
            c.rect(2, 2, w - 2, h - 2, (10, 12, 18, 200), radius=12)
            top = tuple(min(255, v + 22) for v in fill)
            c.rect(4, 4, w - 4, h - 4, fill + (255,), radius=10)
            if i != 2:
                c.rect(6, 6, w - 6, h / 2, top + (255,), radius=8)
            c.rect(4, 4, w - 4, h - 4, None, radius=10, outline=border + (255,), width=3)
            save(c.finish(), "gfx\\menu\\%s%d.png" % (name, i))


def spot():
    c = Canvas(256, 256)
    layer = c.blank_layer()
    d = ImageDraw.Draw(layer)
    for r in range(120, 0, -6):
        a = int(120 * (1 - r / 120) ** 0.6)
        d.ellipse([(128 - r) * SS, (128 - r * 1.1) * SS, (128 + r) * SS, (128 + r * 1.1) * SS],
                  fill=(255, 230, 170, max(0, min(255, a // 3))))
    c.paste_layer(layer)
    c.ellipse(128, 128, 100, 112, None, outline=(255, 196, 40, 120), width=2)
    save(c.finish(), "gfx\\menu\\spot.png")


def blend():
    w = 256
    yy, xx = np.mgrid[0:w, 0:w]
    d = np.sqrt((xx - w / 2) ** 2 + (yy - w / 2) ** 2) / (w / 2)
    a = np.clip(150 + 70 * d ** 2, 0, 230)
    img = np.zeros((w, w, 4), np.uint8)
    img[..., 0], img[..., 1], img[..., 2], img[..., 3] = 6, 8, 14, a.astype(np.uint8)
    save(Image.fromarray(img, "RGBA"), "gfx\\menu\\blend.png")


def loading():
    w = 1024
    c = Canvas(w, w)
    c.img.paste(backdrop(w * SS // 4, w * SS // 4, 2).resize((w * SS, w * SS)), (0, 0))
    racing_stripes(c, w, w)
    car = Image.open(os.path.join(DATA, "gfx", "cars", "red.png")).convert("RGBA").crop((0, 0, 64, 128))
    car = car.resize((64 * 3 * SS, 128 * 3 * SS), Image.LANCZOS).rotate(-62, expand=True, resample=Image.BICUBIC)
    c.img.alpha_composite(car, (int(330 * SS), int(520 * SS)))
    logo(c, w / 2, 360, 120)
    c.text(w / 2, 450, "warming up the tyres", 30, (200, 204, 220, 255), bold=False)
    img = c.finish()
    # fade to black towards the edges so letterbox bars blend in
    yy, xx = np.mgrid[0:w, 0:w]
    d = np.maximum(np.abs(xx - w / 2), np.abs(yy - w / 2)) / (w / 2)
    f = np.clip((1.0 - d) / 0.25, 0, 1)
    arr = np.asarray(img, np.float32)
    arr[..., :3] *= f[..., None]
    arr[..., 3] = 255
    save(Image.fromarray(arr.astype(np.uint8), "RGBA").convert("RGB"), "gfx\\loading_startup.png")


def hud_pictures():
    c = Canvas(128, 32)
    c.rect(1, 1, 127, 31, (8, 10, 16, 165), radius=8)
    c.rect(1, 1, 127, 31, None, radius=8, outline=(255, 255, 255, 60), width=1)
    save(c.finish(), "gfx\\hud\\panel.png")
    c = Canvas(64, 64)
    c.ellipse(32, 32, 30, 30, (8, 10, 16, 150))
    c.ellipse(32, 32, 30, 30, None, outline=(255, 255, 255, 90), width=2)
    c.polygon([(32, 6), (48, 40), (32, 33), (16, 40)], (20, 20, 20, 200))
    c.polygon([(32, 8), (46, 38), (32, 31), (18, 38)], ACCENT + (255,))
    c.polygon([(32, 8), (32, 31), (18, 38)], (255, 226, 120, 255))
    save(c.finish(), "gfx\\hud\\compass.png")
    start_lights()


# One red lamp for each of the countdown's 3, 2, 1; all green at GO.
START_LAMPS = 3


def start_lights():
    """gfx/hud/lights.png: the start lights, one 256 x 64 frame per row: frame k has k red lamps lit
    (0 none), frame START_LAMPS + 1 all of them green; the sheet is padded to a power of two."""
    fw, fh = 256, 64
    frames = START_LAMPS + 2
    sheet = Image.new("RGBA", (fw, 512), (0, 0, 0, 0))
    for k in range(frames):
        c = Canvas(fw, fh)
        half = (START_LAMPS - 1) / 2 * 58 + 30
        c.rect(fw / 2 - half, 2, fw / 2 + half, fh - 2, (8, 10, 16, 220), radius=14)
        c.rect(fw / 2 - half, 2, fw / 2 + half, fh - 2, None, radius=14, outline=(255, 255, 255, 70), width=2)
        for lamp in range(START_LAMPS):
            cx = fw / 2 + (lamp - (START_LAMPS - 1) / 2) * 58
            green = k == frames - 1
            lit = green or lamp < k
            colour = (60, 230, 90) if green else ((235, 30, 30) if lit else (52, 20, 22))
            c.ellipse(cx, fh / 2, 22, 22, (20, 20, 24, 255))
            c.ellipse(cx, fh / 2, 18, 18, colour + (255,))
            if lit:
                c.ellipse(cx - 5, fh / 2 - 6, 6, 6, tuple(min(255, v + 120) for v in colour) + (255,))
        sheet.alpha_composite(c.finish(), (0, k * fh))
    save(sheet, "gfx\\hud\\lights.png")


def icon_picture(size):
    """The icon drawn on its 32-pixel grid, scaled to size x size."""
    k = size / 32
    c = Canvas(size, size)
    c.rect(k, k, 31 * k, 31 * k, (30, 34, 48, 255), radius=7 * k)
    c.rect(k, k, 31 * k, 31 * k, None, radius=7 * k, outline=ACCENT + (255,), width=round(2 * k))
    c.text(16 * k, 16.5 * k, "A", round(22 * k), ACCENT + (255,))
    return c.finish()


def desktop_icons():
    """packaging/icons/<size>.png: the icon for the desktop's menus, in the usual theme sizes."""
    folder = os.path.join(DATA, "..", "packaging", "icons")
    os.makedirs(folder, exist_ok=True)
    for size in (16, 32, 48, 64, 128, 256):
        icon_picture(size).save(os.path.join(folder, "%d.png" % size), optimize=True)


def icon():
    """mxengine.ico: 32x32 and 16x16 32-bit images in the classic DIB form SDL_image reads."""
    big = icon_picture(32)
    images = [big, big.resize((16, 16), Image.LANCZOS)]
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for im in images:
        w, h = im.size
        px = np.asarray(im, np.uint8)[::-1]          # DIB rows run bottom-up
        bgra = px[..., [2, 1, 0, 3]].tobytes()
        mask_row = ((w + 31) // 32) * 4
        mask = bytes(mask_row * h)                    # all opaque: the alpha channel decides
        header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(bgra) + len(mask), 0, 0, 0, 0)
        blob = header + bgra + mask
        entries.append(struct.pack("<BBBBHHII", w, h, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    with open(os.path.join(DATA, "mxengine.ico"), "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(blobs))


# ---------------------------------------------------------------- menu files

CAPTION = [("color0r", 232), ("color0g", 236), ("color0b", 246), ("color1r", ACCENT[0]), ("color1g", ACCENT[1]),
           ("color1b", ACCENT[2]), ("color2r", 255), ("color2g", 255), ("color2b", 255)]


def button(x, y, w, h, caption, size=22, small=False):
    check_fits(caption, size, w, h)
    tex = "gfx\\menu\\button_small%d.png" if small else "gfx\\menu\\button%d.png"
    return [("x", x), ("y", y), ("z", 0), ("width", w), ("height", h), ("font", BOLD), ("size", size),
            ("caption", caption), ("alignH", 0), ("alignV", 0), ("multiLine", False), ("lineSpacing", 0),
            ("texture0", tex % 0), ("texture1", tex % 1), ("texture2", tex % 2)] + CAPTION


def label(x, y, w, h, caption, size=20, align=0, color=(232, 236, 246), texture="", multi=False, spacing=0,
          fnt=BOLD, fit=True):
    if caption and fit:
        check_fits(caption, size, w, h, mono=(fnt == MONO), spacing=spacing)
    return [("x", x), ("y", y), ("z", 0), ("width", w), ("height", h), ("font", fnt), ("size", size),
            ("caption", caption), ("alignH", align), ("alignV", 0), ("color_r", color[0]), ("color_g", color[1]),
            ("color_b", color[2]), ("texture", texture), ("multiLine", multi), ("lineSpacing", spacing)]


def menu(rel, bg, size, buttons_, labels, main_extra=(), extra_sections=(), comment=""):
    ini = IniWriter()
    ini.section("background", [("texture", bg), ("width", size[0]), ("height", size[1])])
    ini.section("main", [("buttons", len(buttons_)), ("labels", len(labels))] + list(main_extra)
                + [("hoverSound", "snd\\hover.wav"), ("clickSound", "snd\\click.wav")])
    for i, b in enumerate(buttons_):
        ini.section("button%d" % i, b)
    for i, l in enumerate(labels):
        ini.section("label%d" % i, l)
    for name, items in extra_sections:
        ini.section(name, items)
    write_ini(rel, ini, comment)


RESOLUTIONS = [(640, 480), (800, 600), (1024, 768), (1280, 720), (1280, 1024)]


def menus():
    # Shown Race, Time trial, Replays, Network, Options, Exit; the file keeps the buttons' order, which the
    # game's callbacks follow.
    main_y = [278 + k * 44 for k in range(6)]
    menu("mnu\\main.ini", "gfx\\menu\\main_bg.png", (800, 600),
         [button(290, main_y[0], 220, 40, "Race", size=20), button(290, main_y[4], 220, 40, "Options", size=20),
          button(290, main_y[5], 220, 40, "Exit", size=20), button(290, main_y[1], 220, 40, "Time trial", size=20),
          button(290, main_y[2], 220, 40, "Replays", size=20), button(290, main_y[3], 220, 40, "Network", size=20)],
         [label(20, 556, 760, 40, "P1 arrow keys   P2 W A S D   P3 I J K L   P4 keypad 8 4 5 6   Esc pauses the race[n]"
                               "Keys and gamepads: Options, Controls",
                size=13, color=(200, 206, 224), multi=True, spacing=2, texture="gfx\\hud\\panel.png")],
         main_extra=[("music", "mus\\menu_calm.ogg")],
         extra_sections=[("backdrop", [("texture", "gfx\\menu\\backdrop.png"), ("width", 800), ("height", 600)])],
         comment="Main menu: buttons Race, Options, Exit, Time trial, Replays, Network (in this order); music plays in every menu; "
                 "the backdrop covers the window behind every menu")

    pw, ph = 520, 470
    res_buttons = [button(30, 84 + k * 54, 200, 46, "%d x %d" % r, size=20) for k, r in enumerate(RESOLUTIONS)]
    option_buttons = res_buttons + [button(266, 332, 224, 46, "Controls", size=20),
                                    button(266, 224, 224, 46, "Fullscreen", size=20),
                                    button(266, 278, 224, 46, "Sound", size=20),
                                    button(150, 400, 220, 50, "Back")]
    option_labels = [label(20, 12, pw - 40, 44, "Options", size=28, color=ACCENT),
                     label(262, 88, 120, 110, "Resolution[n]Fullscreen[n]Sound", size=17, align=1, multi=True,
                           spacing=10, color=(170, 178, 200)),
                     label(262, 198, 232, 24, "", size=13, align=2, color=ACCENT)]
    next_start = "Applies at the next start."
    check_fits(next_start, 13, 232, 24)
    menu("mnu\\options.ini", "gfx\\menu\\panel.png", (pw, ph), option_buttons, option_labels,
         main_extra=[("controls", len(res_buttons)), ("note", len(option_buttons) + len(option_labels))],
         extra_sections=[("options", [("size", 17), ("font", BOLD), ("x", 376), ("y", 88), ("z", 0),
                                      ("width", 118), ("height", 110), ("alignH", 2), ("alignV", 0),
                                      ("color_b", 255), ("color_g", 255), ("color_r", 255), ("texture", ""),
                                      ("lineSpacing", 10)]),
                         ("text", [("nextStart", next_start)])],
         comment="Options: one button per line of options_restable.ini, then Controls (main/controls), "
                 "Fullscreen, Sound, Back; main/note is the label that says what applies at the next start")
    check_fits("1280x1024[n]disabled[n]disabled", 17, 118, 110, spacing=10)
    ini = IniWriter()
    for k, (w, h) in enumerate(RESOLUTIONS):
        ini.section(str(k), [("width", w), ("height", h)])
    write_ini("mnu\\options_restable.ini", ini, "Resolutions offered by the options menu, in button order")

    controls_menu()

    pw, ph = 400, 560
    menu("mnu\\players.ini", "gfx\\menu\\panel.png", (pw, ph),
         [button(80, 84 + k * 62, 240, 52, "%d Player%s" % (k + 1, "" if k == 0 else "s")) for k in range(4)]
         + [button(80, 490, 240, 50, "Back"), button(60, 346, 280, 52, "Opponents: 3", size=20),
            button(60, 408, 280, 52, "Difficulty: normal", size=20)],
         [label(20, 12, pw - 40, 44, "How many players?", size=26, color=ACCENT)],
         extra_sections=[("text", [("opponents", "Opponents:"), ("difficulty", "Difficulty:")])],
         comment="Players: buttons for 1 to 4 players, Back, computer opponents, their difficulty")

    pw, ph = 580, 480
    menu("mnu\\cars.ini", "gfx\\menu\\panel.png", (pw, ph),
         [button(276, 176, 48, 64, ">", size=28, small=True), button(12, 176, 48, 64, "<", size=28, small=True),
          button(320, 400, 230, 52, "Select"), button(30, 400, 230, 52, "Back")],
         [label(20, 12, pw - 40, 44, "", size=24, color=ACCENT),
          label(350, 96, 210, 36, "", size=20, texture="gfx\\hud\\panel.png"),
          label(350, 148, 210, 36, "", size=20, texture="gfx\\hud\\panel.png"),
          label(350, 200, 210, 36, "", size=20, texture="gfx\\hud\\panel.png"),
          label(350, 252, 210, 36, "", size=20, texture="gfx\\hud\\panel.png"),
          label(64, 80, 208, 290, "", texture="gfx\\menu\\spot.png"),
          label(64, 360, 208, 34, "", size=24, color=ACCENT)],
         main_extra=[("top", 5), ("mass", 6), ("accel", 7), ("brake", 8), ("frict", 9), ("name", 11)],
         extra_sections=[("text", [("topFront", "Player"), ("topBack", "- choose your car"),
                                   ("mass", "Mass"), ("massUnit", "kg"), ("accel", "Power"),
                                   ("accelUnit", "hp"), ("brake", "Brakes"), ("brakeUnit", "N"),
                                   ("frict", "Grip"), ("frictUnit", "N")]),
                         ("preview", [("x", 68), ("y", 90), ("w", 200), ("h", 270)])],
         comment="Car choice: buttons Next, Previous, Select, Back; labels prompt, mass, power, brakes, grip")
    check_fits("Player 4 - choose your car", 24, 540, 44)
    # Centred, with room on both sides of the longest value.
    check_fits("Brakes 6000 N", 20, 190, 36)
    check_fits("Cadillac", 24, 208, 34)

    # A row for each car of a full grid, and the buttons below them, in the smallest window's height.
    pw, ph = 640, 470
    rows, row_top, row_step, row_h = 8, 92, 31, 28
    header = StandingsColumns % ("Place", "Car", "Total", "Best lap")
    menu("mnu\\pause.ini", "gfx\\menu\\panel.png", (pw, ph),
         [button(200, 346, 240, 46, "Resume"), button(328, 404, 236, 46, "Quit race"),
          button(76, 404, 236, 46, "Give up")],
         [label(20, 12, pw - 40, 44, "Standings", size=28, color=ACCENT),
          label(30, 66, 580, 24, header, size=16, align=1, color=(200, 206, 224), fnt=MONO)]
         + [label(30, row_top + k * row_step, 580, row_h, "", size=16, align=1, texture="gfx\\hud\\panel.png",
                  fnt=MONO) for k in range(rows)],
         main_extra=[("resume", 1), ("giveUp", 3), ("playerLabelIndex", 6)],
         extra_sections=[("text", [("gaps", "Gaps to ghost")])],
         comment="Pause menu: buttons Resume, Quit race, Give up; label 0 the title, label 1 the column heads, "
                 "labels 2-9 the standings rows, which a time trial also fills with the gaps to the ghost")
    if row_top + rows * row_step > 346:
        raise SystemExit("the standings rows run into the buttons")
    # Only a human's times can be records.
    for place, marks in (("4. Player 4", "*"), ("8. Computer 8", "")):
        row = StandingsColumns % (place, "Cadillac", "00:00:00" + marks, "00:00:00" + marks) \
            + (" record!" if marks else "")
        check_fits(" " + row, 16, 580, row_h, mono=True)
    # Four gaps a row, as the game writes them.
    check_fits("Gaps to ghost  1 +0.21  2 -0.10  3 +0.05  4 +0.33", 16, 580, row_h, mono=True)

    replays_menu()
    network_menu()
    lobby_menu()

    pw, ph = 580, 480
    menu("mnu\\tracks.ini", "gfx\\menu\\panel.png", (pw, ph),
         [button(516, 150, 48, 64, ">", size=28, small=True), button(16, 150, 48, 64, "<", size=28, small=True),
          button(320, 410, 230, 52, "Race!"), button(30, 410, 230, 52, "Back")],
         [label(20, 12, pw - 40, 44, "Choose a track", size=26, color=ACCENT),
          label(70, 292, 440, 40, "", size=24, color=(255, 255, 255)),
          label(40, 338, 500, 60, "", size=15, align=1, multi=True, spacing=4, texture="gfx\\hud\\panel.png")],
         main_extra=[("name", 6), ("records", 7)],
         extra_sections=[("text", [("lap", " Best lap: "), ("race", " Best race:"), ("none", "none yet")]),
                         ("preview", [("x", 128), ("y", 66), ("w", 324), ("h", 216)])],
         comment="Track choice: buttons Next, Previous, Race, Back; labels title, track name, records")
    check_fits(" Best race: 12:34.56 Cadillac 2026-12-31", 15, 500, 28)


# Columns of the standings rows, as the race writes them: place and player, car, total time, best lap.
StandingsColumns = "%-14s%-10s%-10s%s"


CONTROL_ROWS = [("Device", None), ("Forward", "forward"), ("Backward", "backward"), ("Left", "left"),
                ("Right", "right"), ("Reset", "reset"), ("Camera", None)]


def controls_menu():
    """One player at a time: the device, the five actions and the camera mode, each a button that
    shows the binding; the game fills in the captions, the player's name and the note."""
    pw, ph = 520, 470
    top, step = 118, 38
    rows = [button(190, top + k * step, 300, 34, "-", size=16) for k in range(len(CONTROL_ROWS))]
    check_fits("Keypad 0  /  D-pad right", 16, 300, 34)
    check_fits("Pad 4: Microsoft X-Box 360 pa", 16, 300, 34)  # names are cut at 22 characters
    labels = [label(20, 12, pw - 40, 44, "Controls", size=28, color=ACCENT),
              label(90, 72, 340, 38, "", size=22)]
    labels += [label(30, top + k * step, 150, 34, name, size=17, align=1, color=(170, 178, 200))
               for k, (name, _) in enumerate(CONTROL_ROWS)]
    labels.append(label(20, top + len(CONTROL_ROWS) * step, pw - 40, 26, "", size=13, color=ACCENT, fit=False))
    check_fits("Keypad 0 is already Player 4 Backward.", 13, pw - 40, 26)
    check_fits("Player 4 Backward: press a key or pad control, Esc cancels", 13, pw - 40, 26)
    buttons_ = [button(30, 72, 48, 38, "<", size=22, small=True), button(442, 72, 48, 38, ">", size=22, small=True)]
    buttons_ += rows + [button(150, 416, 220, 44, "Back")]
    first_label = 1 + len(buttons_)
    menu("mnu\\controls.ini", "gfx\\menu\\panel.png", (pw, ph), buttons_, labels,
         main_extra=[("player", first_label + 1), ("note", first_label + len(labels) - 1)],
         extra_sections=[("text", [("player", "Player"), ("keyboard", "Keyboard"), ("pad", "Pad"),
                                   ("absent", "(not attached)"), ("noPad", "No pad is attached."),
                                   ("waiting", "press a key or pad control, Esc cancels"),
                                   ("asking", "..."),
                                   ("taken", "is already"), ("cancelled", "Nothing changed."),
                                   ("failed", "The settings could not be saved."),
                                   ("cameraTurns", "Turns with the car"), ("cameraFixed", "North up")]
                          + [(key, name) for name, key in CONTROL_ROWS if key])],
         comment="Controls: buttons previous player, next player, device, forward, backward, left, right, "
                 "reset, camera, back; main/player and main/note are the labels the game fills in")


def replays_menu():
    """The replays kept, a page of rows at a time: the game fills in the rows' captions and the note."""
    pw, ph = 580, 480
    rows = 5
    row_buttons = [button(64, 78 + k * 52, 452, 48, "-", size=14) for k in range(rows)]
    for b in row_buttons:
        b[b.index(("multiLine", False))] = ("multiLine", True)
    check_fits("> Harbour Night   2026-12-31 23:59   12:34.56 <[n]Vulcan, Comet, Cadillac, Dune", 14, 452, 48)
    buttons_ = row_buttons + [button(12, 164, 44, 64, "<", size=28, small=True),
                              button(524, 164, 44, 64, ">", size=28, small=True),
                              button(320, 410, 230, 52, "Watch"), button(30, 410, 230, 52, "Back")]
    labels = [label(20, 12, pw - 40, 44, "Replays", size=26, color=ACCENT),
              label(40, 344, 500, 56, "", size=14, align=1, multi=True, spacing=4, texture="gfx\\hud\\panel.png",
                    fit=False)]
    check_fits(" Winner: Computer 4 Cadillac 12:34.56[n] Laps 3   Cars 4   Difficulty normal", 14, 500, 56,
               spacing=4)
    # The game breaks a longer note into lines of 56 characters at most.
    check_fits("Refused: it was recorded by another version of the game[n](replay version 0, this game plays "
               "version 1).", 14, 500, 56, spacing=4)
    menu("mnu\\replays.ini", "gfx\\menu\\panel.png", (pw, ph), buttons_, labels,
         main_extra=[("rows", rows), ("note", 1 + len(buttons_) + 1)],
         extra_sections=[("text", [("none", "No replays yet: every race is kept here."),
                                   ("choose", "The newest first. Choose one, then Watch."),
                                   ("unfinished", "not finished"), ("refused", "Refused:"),
                                   ("winner", "Winner:"), ("laps", "Laps"), ("cars", "Cars"),
                                   ("difficulty", "Difficulty")])],
         comment="Replays: row buttons (main/rows of them), previous page, next page, Watch, Back; "
                 "main/note is the label the game fills in")


def lobby_menu():
    """A network race's lobby: the track with its preview, every player with car and readiness, and a note
    on the line; the game fills them in."""
    pw, ph = 580, 480
    rows = 8
    buttons_ = [button(30, 410, 230, 52, "Leave"), button(320, 410, 230, 52, "Not ready"),
                button(30, 278, 100, 36, "<", size=22, small=True), button(140, 278, 100, 36, ">", size=22, small=True)]
    grey = (200, 206, 224)
    labels = [label(20, 12, pw - 40, 44, "Network race", size=26, color=ACCENT),
              label(30, 218, 210, 28, "", size=18),
              label(30, 248, 210, 24, "", size=14, color=grey),
              label(260, 66, 290, 22, "", size=13, align=1, color=grey)]
    labels += [label(260, 92 + k * 28, 200, 26, "", size=14, align=1) for k in range(rows)]
    labels += [label(460, 92 + k * 28, 90, 26, "", size=14, align=2) for k in range(rows)]
    labels.append(label(30, 326, 520, 74, "", size=14, align=1, multi=True, spacing=4,
                        texture="gfx\\hud\\panel.png", fit=False))
    check_fits("Harbour Night", 18, 210, 28)
    check_fits("3 laps", 14, 210, 24)
    check_fits("Players: 8 of 8", 13, 290, 22)
    check_fits("> Computer 8  Cadillac", 14, 200, 26)
    check_fits("not ready", 14, 90, 26)
    # The game breaks a longer note into lines of 56 characters at most.
    check_fits("This server runs Asphaltia 1.0.0 (protocol 3); your game[n]is 1.0.1 (protocol 4).[n]Escape or "
               "Leave: back to the menu.", 14, 520, 74, spacing=4)
    check_fits("Round trip: 150 ms[n]Enter or Ready when your players are set; < and >[n]choose the track.", 14,
               520, 74, spacing=4)
    first = 1 + len(buttons_)
    menu("mnu\\lobby.ini", "gfx\\menu\\panel.png", (pw, ph), buttons_, labels,
         main_extra=[("track", first + 1), ("laps", first + 2), ("players", first + 3), ("rows", rows),
                     ("firstName", first + 4), ("firstState", first + 4 + rows), ("note", first + 4 + 2 * rows)],
         extra_sections=[("preview", [("x", 30), ("y", 70), ("w", 210), ("h", 140)]),
                         ("text", [("joining", "Joining the server..."), ("idle", "Not connected."),
                                   ("back", "Escape or Leave: back to the menu."),
                                   ("lap", "1 lap"), ("laps", "[laps] laps"),
                                   ("players", "Players: [count] of [max]"),
                                   ("ready", "ready"), ("notReady", "not ready"),
                                   ("readyButton", "Ready"), ("notReadyButton", "Not ready"),
                                   ("roundTrip", "Round trip: [ms] ms"),
                                   ("hostHint", "Enter or Ready when your players are set; < and > choose "
                                                "the track."),
                                   ("guestHint", "Enter or Ready when your players are set. The host chooses "
                                                 "the track.")])],
         comment="Lobby: Leave, Ready, previous and next track (the host's only); main/track, laps, players, the "
                 "rows' names and states (main/rows of each, from main/firstName and main/firstState) and "
                 "main/note are the labels the game fills in; preview is the track picture's area")


def network_menu():
    """Host, join by address or pick a server the LAN search found: the game fills in the address, the rows
    and the note."""
    pw, ph = 580, 480
    rows = 3
    row_buttons = [button(30, 206 + k * 42, 520, 38, "-", size=14) for k in range(rows)]
    check_fits("> Asphaltia   Harbour Night   8/8   192.168.100.200:27960 <", 14, 520, 38)
    buttons_ = ([button(30, 70, 250, 48, "Host"), button(300, 70, 250, 48, "Players and cars", size=20),
                 button(30, 150, 240, 44, "-", size=18), button(390, 150, 160, 44, "Join")]
                + row_buttons + [button(30, 410, 230, 52, "Search LAN"), button(320, 410, 230, 52, "Back"),
                                 button(280, 150, 90, 44, "27960_", size=18)])
    labels = [label(20, 12, pw - 40, 44, "Network race", size=26, color=ACCENT),
              label(30, 126, 240, 22, "Address (host or host:port)", size=13, align=1, color=(200, 206, 224)),
              label(280, 126, 90, 22, "Port", size=13, align=1, color=(200, 206, 224)),
              label(30, 336, 520, 64, "", size=14, align=1, multi=True, spacing=4, texture="gfx\\hud\\panel.png",
                    fit=False)]
    for problem in ("Cannot host on port 27960: it is in use, or not ours.",
                    "The port to host on is a number from 1 to 65535."):
        check_fits(problem + "[n]Joining with: Vulcan, Comet, Cadillac, Dune", 14, 520, 64, spacing=4)
    check_fits("Address (host or host:port)", 13, 240, 22)
    check_fits("Port", 13, 90, 22)
    menu("mnu\\network.ini", "gfx\\menu\\panel.png", (pw, ph), buttons_, labels,
         main_extra=[("rows", rows), ("note", 1 + len(buttons_) + 3)],
         extra_sections=[("text", [("searching", "Searching the LAN..."),
                                   ("none", "No server answered on the LAN: type an address, or Host."),
                                   ("found", "Choose a server, or type an address, then Join."),
                                   ("players", "Joining with:"),
                                   ("hostFailed", "Cannot host on port [port]: it is in use, or not ours."),
                                   ("badPort", "The port to host on is a number from 1 to 65535.")])],
         comment="Network: Host, Players and cars, the address field, Join, server rows (main/rows of them), "
                 "Search LAN, Back, the port field; main/note is the label the game fills in")


def race_files():
    ini = IniWriter()
    ini.section("main", [("size", 96), ("font", BOLD), ("width", 256), ("height", 256), ("color_b", 255),
                         ("color_g", 255), ("color_r", 255), ("texture", "gfx\\hud\\countdown.png"),
                         ("tileWidth", 256), ("tileHeight", 256), ("alphaStart", 30), ("alphaEnd", 255),
                         ("scaleStart", 1.5), ("scaleEnd", 0.8)]
                + [item for i in range(4) for item in (("string%d" % i, ""), ("tile%d" % i, i),
                                                        ("sound%d" % i, "snd\\go.wav" if i == 0 else "snd\\beep.wav"))])
    write_ini("dat\\countdown.dat", ini, "Start countdown: elements 3, 2, 1 are shown first, element 0 (GO!) last")

    ini = IniWriter()
    panel_tex = "gfx\\hud\\panel.png"

    def text_el(name, caption, x, y, w, h, ah, av, size=15, color=(240, 240, 240), multi=False, fnt=MONO, extra=()):
        sample = caption + " 00:00:00" if name.startswith("time") else caption + " 22nd /4"
        if name not in ("finished", "wrongWay", "notice", "replay"):
            check_fits(sample, size, w, h, mono=True)
        ini.section(name, [("size", size), ("font", fnt), ("z", 0), ("width", w), ("height", h), ("alignH", 0),
                           ("alignV", 0), ("color_b", color[2]), ("color_g", color[1]), ("color_r", color[0]),
                           ("texture", panel_tex), ("caption", caption), ("multiLine", multi),
                           ("lineSpacing", 4), ("x", x), ("y", y), ("anchorH", ah), ("anchorV", av)] + list(extra))

    # Left column, compass in the middle, right column: fits a 400 pixel wide quarter view.
    text_el("timeTotal", "TOTAL", 8, 8, 164, 26, 0, 0)
    text_el("timeBest", "BEST", 8, 38, 164, 26, 0, 0, color=(140, 230, 140))
    text_el("timeCurrent", "LAP", 8, 68, 164, 26, 0, 0, color=(255, 226, 120))
    text_el("position", "POS", -136, 8, 128, 26, 2, 0)
    text_el("lap", "ROUND", -136, 38, 128, 26, 2, 0)
    text_el("finished", "FINISHED[n][p] place[n]total [t][n]best lap [b]", -170, -90, 340, 180, 1, 1, size=30,
            color=ACCENT, multi=True, fnt=BOLD)
    check_fits("FINISHED[n]22nd place[n]total 00:00:00[n]best lap 00:00:00", 30, 340, 180, spacing=4)
    text_el("wrongWay", "WRONG WAY", -160, -150, 320, 64, 1, 1, size=40, color=(255, 70, 50), fnt=BOLD)
    check_fits("WRONG WAY", 40, 320, 64)
    # Under the compass, while others have finished: one line per finisher (the latest three), then the
    # time left.
    text_el("notice", "[c] finished [p]", -150, 62, 300, 112, 1, 0, size=17, color=ACCENT, multi=True,
            extra=[("endCaption", "Race ends in [s] s"), ("finishers", 3)])
    check_fits("Computer 8 finished 6th[n]Computer 8 finished 7th[n]Computer 8 finished 8th[n]Race ends in 45 s",
               17, 300, 112, spacing=4)
    # At the bottom middle of every view while a replay plays, with its speed.
    text_el("replay", "REPLAY  x[x]  (1 2 4: speed)", -150, -40, 300, 30, 1, 2, size=16, color=ACCENT)
    check_fits("REPLAY  x4  (1 2 4: speed)", 16, 300, 30)
    ini.section("compass", [("z", 0), ("width", 48), ("height", 48), ("rotY", 0.5), ("rotX", 0.5),
                            ("texture", "gfx\\hud\\compass.png"), ("x", -24), ("y", 8), ("anchorH", 1),
                            ("anchorV", 0)])
    # Below the compass; the game picks the frame from the countdown.
    ini.section("startLights", [("z", 0), ("width", 160), ("height", 40), ("texture", "gfx\\hud\\lights.png"),
                                ("tileWidth", 256), ("tileHeight", 64), ("lamps", START_LAMPS), ("x", -80),
                                ("y", 62), ("anchorH", 1), ("anchorV", 0)])
    # Views smaller than this, such as the quarters of an 800 x 600 window, get a smaller interface.
    ini.section("layout", [("fullSizeWidth", 640), ("fullSizeHeight", 480)])
    write_ini("dat\\interface.dat", ini, "Race interface, drawn over every player's view")


if __name__ == "__main__":
    main_background()
    panel("panel", 520, 470)
    buttons()
    spot()
    blend()
    loading()
    hud_pictures()
    icon()
    desktop_icons()
    menus()
    race_files()
