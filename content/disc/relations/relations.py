#!/usr/bin/env python3
"""The relations stage's pictures and texts (see make.sh).

relations.py HERE MODEL OUT: HERE is the stage's folder (items.txt), MODEL
the index stage's prebuilt renders (f, h: GIF 320 x 240; m: 8-bit PNG masks),
OUT the stage's output folder, which gets pic/, the texts, texts.txt (the
panel's lines for the disc check), QV_GUI.build and
QV_DE.build.
"""

import os
import sys

from PIL import Image, ImageDraw, ImageFont

W, H = 178, 134
HOUSE_FRAMES = 50
MODEL_FRAMES = 41
INTRO_FRAMES = 16
REST_FRAME = 5
BUTTON_W, BUTTON_H = 84, 48
# The name plate of an item button: the last word of the name, whole, in
# DejaVu Serif 9 within the button less 2 pixels each side (the disc check
# measures it so).
PLATE_SIZE, PLATE_INSET = 9, 2
# The pop-up text panel's heading (its title picture at 128, 3 of the panel,
# which the screen puts at 45, 35): as wide as the room between there and
# the panel's inner border (x 404 on the screen), so that it covers neither
# the list at x 425 nor the screen's heading left of x 173.
HEADING_W, HEADING_H, HEADING_SIZE, HEADING_INSET = 228, 28, 16, 8
FONTS = "/usr/share/fonts/truetype/dejavu/"
INK = (58, 36, 18)
PAPER = (238, 226, 196)
BRASS = (200, 160, 64)


# The texts drawn on the screen's panel 12100: (x, y) in the panel, text,
# size, bold, colour.
# The heading stands in one line under the first flying picture (70 x 54
# at 109, 19 on the screen, 68, 4 on the panel), the subtitle under it,
# both above the first row of items (y 120 on the screen).
PANEL_TEXTS = [
    ((20, 61), "Menschen und Dinge", 18, True, INK),
    ((20, 86), "Wer gehörte wohin im Haus Ostrevan?", 11, False, (110, 80, 40)),
    ((20, 352), "Zeigen Sie auf einen Raum oder eine Person", 10, False, (110, 80, 40)),
]


def font(size, bold=True):
    return ImageFont.truetype(FONTS + ("DejaVuSerif-Bold.ttf" if bold else "DejaVuSerif.ttf"), size)


def read_items(here):
    items = []
    with open(os.path.join(here, "items.txt"), encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            parts = line.split("|")
            if len(parts) != 5:
                sys.exit("relations: items.txt: a line without its five fields: %s" % line)
            name, places, at, initials, text = parts
            x, y = (int(v) for v in at.split())
            items.append((name, [int(p) for p in places.split()], x, y, initials, text.replace("\\n", "\r\n")))
    return items


def medallion(initials, name, state):
    """An item button: an oval portrait medallion with the initials and a
    name plate, in one of the states normal, disabled, over, pressed, marked."""
    rim = {"normal": BRASS, "disabled": (150, 144, 130), "over": (255, 226, 120),
           "pressed": (150, 110, 40), "marked": (220, 70, 40)}[state]
    face = {"normal": PAPER, "disabled": (200, 196, 186), "over": (255, 244, 214),
            "pressed": (214, 200, 168), "marked": (255, 226, 200)}[state]
    image = Image.new("RGB", (BUTTON_W, BUTTON_H), (34, 28, 22))
    d = ImageDraw.Draw(image)
    d.rectangle((0, 0, BUTTON_W - 1, BUTTON_H - 1), outline=rim, width=2)
    left = (BUTTON_W - 32) // 2
    d.ellipse((left, 3, left + 31, 32), fill=face, outline=rim, width=2)
    f = font(12)
    tw = d.textlength(initials, font=f)
    d.text(((BUTTON_W - tw) / 2, 9), initials, fill=INK if state != "disabled" else (110, 106, 96), font=f)
    label = name.split()[-1]
    f = font(PLATE_SIZE, bold=False)
    tw = d.textlength(label, font=f)
    d.text(((BUTTON_W - tw) / 2, 34), label, fill=rim, font=f)
    return image


def markup(text):
    """The text as mark-up: one paragraph a line, a leading "Label:" in the
    label font 502, the rest in 503."""
    lines = []
    for line in text.split("\r\n"):
        label, colon, rest = line.partition(":")
        if colon and " " not in label.strip() and label:
            lines.append("<font resid=502>%s:</font><font resid=503>%s</font>" % (label, rest))
        else:
            lines.append("<font resid=503>%s</font>" % line)
    return "<html><body>" + "<br><br>".join(lines) + "</body></html>"


def main():
    here, model, out = sys.argv[1:4]
    stage = os.path.basename(os.path.abspath(out))
    pic = os.path.join(out, "pic")
    os.makedirs(pic, exist_ok=True)
    gui, de = [], []
    # The lines the stage draws on the screen's panel, for the disc check's
    # measure of each against the panel (texts.txt): "panel X Y SIZE BOLD
    # TEXT", DejaVu Serif. (The names on the item buttons and text headings
    # the check takes from TEXT 12102.)
    texts = []

    def add(lines, media_id, name, params):
        lines.append('%d 10 "%s/pic/%s" %s' % (media_id, stage, name, params))

    def save8(image, name):
        image.convert("RGB").quantize(256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE).save(
            os.path.join(pic, name))

    # The small house: the index model's frames, highlights and masks at
    # 178 x 134; frames 41-49 go on turning from frame 0.
    for f in range(HOUSE_FRAMES):
        src = f % MODEL_FRAMES
        for kind, base in (("f", 12400), ("h", 12600)):
            frame = Image.open(os.path.join(model, "%s%02d.gif" % (kind, src))).convert("RGB")
            save8(frame.resize((W, H), Image.LANCZOS), "%s%02d.gif" % (kind, f))
            add(gui, base + f, "%s%02d.gif" % (kind, f), "42 0 8")
        mask = Image.open(os.path.join(model, "m%02d.png" % src))
        if mask.mode != "P":
            sys.exit("relations: the index mask m%02d.png is not 8-bit" % src)
        mask.resize((W, H), Image.NEAREST).save(os.path.join(pic, "m%02d.bmp" % f))
        add(gui, 12500 + f, "m%02d.bmp" % f, "34 0 8")

    # The intro: the house rising out of a drawn plan; its last frame is the
    # house's rest frame.
    rest = Image.open(os.path.join(model, "f%02d.gif" % REST_FRAME)).convert("RGB").resize((W, H), Image.LANCZOS)
    background = rest.getpixel((0, 0))
    plan = Image.new("RGB", (W, H), background)
    d = ImageDraw.Draw(plan)
    for i in range(0, W, 10):
        d.line((i, 0, i, H), fill=tuple(min(c + 14, 255) for c in background))
    for j in range(0, H, 10):
        d.line((0, j, W, j), fill=tuple(min(c + 14, 255) for c in background))
    d.rectangle((50, 66, 128, 106), outline=(200, 170, 100), width=2)
    d.line((89, 66, 89, 106), fill=(200, 170, 100))
    for k in range(INTRO_FRAMES):
        t = k / (INTRO_FRAMES - 1)
        frame = rest if k == INTRO_FRAMES - 1 else Image.blend(plan, rest, t * t * (3 - 2 * t))
        save8(frame, "i%02d.gif" % k)
        add(gui, 12132 + k, "i%02d.gif" % k, "42 0 8")

    # The screen's panel (title picture 12100 at 41, 15): parchment under
    # the house and the items, with the heading.
    panel = Image.new("RGB", (370, 440), PAPER)
    d = ImageDraw.Draw(panel)
    for y in range(440):
        shade = int(10 * abs(((y * 7) % 40) - 20) / 20)
        d.line((0, y, 369, y), fill=(PAPER[0] - shade, PAPER[1] - shade, PAPER[2] - shade - 6))
    d.rectangle((0, 0, 369, 439), outline=(120, 90, 40), width=3)
    d.rectangle((6, 6, 363, 433), outline=BRASS, width=1)
    # The heading and subtitle stand under the open text's heading picture
    # (173, 38 to 401, 66 on the screen) and under the first flying
    # picture; the hint under the items, above the main interface's module
    # selector (y 390 on the screen) and strip.
    for (x, y), line, size, bold, colour in PANEL_TEXTS:
        d.text((x, y), line, fill=colour, font=font(size, bold=bold))
        texts.append("panel %d %d %d %d %s" % (x, y, size, 1 if bold else 0, line))
    d.rectangle((84, 126, 266, 264), outline=(120, 90, 40), width=2)
    panel.save(os.path.join(pic, "12100.bmp"))
    add(gui, 12100, "12100.bmp", "2")

    # The three flying pictures: a bale of cloth, a book and a key.
    def vignette(draw_icon, label):
        image = Image.new("RGB", (70, 54), (52, 40, 28))
        d = ImageDraw.Draw(image)
        d.rectangle((0, 0, 69, 53), outline=BRASS, width=2)
        draw_icon(d)
        f = font(8, bold=False)
        tw = d.textlength(label, font=f)
        d.text(((70 - tw) / 2, 41), label, fill=(230, 210, 160), font=f)
        return image

    icons = {
        12110: (lambda d: (d.rectangle((18, 10, 52, 36), fill=(150, 40, 40), outline=BRASS),
                           d.line((18, 23, 52, 23), fill=BRASS), d.line((35, 10, 35, 36), fill=BRASS)), "1652"),
        12120: (lambda d: (d.rectangle((20, 8, 50, 36), fill=(60, 90, 140), outline=BRASS),
                           d.line((35, 8, 35, 36), fill=BRASS)), "um 1900"),
        12130: (lambda d: (d.ellipse((16, 14, 30, 28), outline=BRASS, width=3),
                           d.line((30, 21, 54, 21), fill=BRASS, width=3), d.line((48, 21, 48, 28), fill=BRASS, width=3)),
                "seit 1985"),
    }
    for media_id, (icon, label) in icons.items():
        vignette(icon, label).save(os.path.join(pic, "%d.bmp" % media_id))
        add(gui, media_id, "%d.bmp" % media_id, "2")

    # The pop-up text panel's own pictures: its parchment under the text
    # (at 0, 121 in the panel), the close button and the scroll bar's track,
    # thumb and arrows.
    sheet = Image.new("RGB", (376, 226), PAPER)
    d = ImageDraw.Draw(sheet)
    d.rectangle((0, 0, 375, 225), outline=(120, 90, 40), width=3)
    d.rectangle((5, 5, 370, 220), outline=BRASS, width=1)
    sheet.save(os.path.join(pic, "12106.bmp"))
    add(gui, 12106, "12106.bmp", "2")

    def small(media_id, w, h, face, draw=None):
        image = Image.new("RGB", (w, h), face)
        d = ImageDraw.Draw(image)
        d.rectangle((0, 0, w - 1, h - 1), outline=(90, 64, 24))
        if draw is not None:
            draw(d)
        image.save(os.path.join(pic, "%d.bmp" % media_id))
        add(gui, media_id, "%d.bmp" % media_id, "2")

    cross = lambda d: (d.line((5, 5, 12, 12), fill=INK, width=2), d.line((12, 5, 5, 12), fill=INK, width=2))
    for media_id, face in ((12103, BRASS), (12104, (255, 226, 120)), (12105, (150, 110, 40))):
        small(media_id, 18, 18, face, cross)
    small(12900, 9, 187, (214, 200, 168))
    # The thumb moves inside the track, one pixel in from each side (the
    # panel's slider is 7 pixels wide at 1 in the 9-pixel bar).
    small(12901, 7, 24, BRASS)
    up = lambda d: d.polygon(((4, 3), (1, 9), (7, 9)), fill=INK)
    down = lambda d: d.polygon(((1, 3), (7, 3), (4, 9)), fill=INK)
    for base, arrow in ((12910, up), (12920, down)):
        for offset, face in ((0, BRASS), (1, (255, 226, 120)), (2, (150, 110, 40))):
            small(base + offset, 9, 13, face, arrow)

    # The items: buttons, text panel headings, texts and the record table.
    rows = []
    for k, (name, places, x, y, initials, text) in enumerate(read_items(here)):
        p = 12200 + 10 * k
        for offset, state in ((0, "normal"), (1, "disabled"), (2, "over"), (3, "pressed"), (-1000, "marked")):
            file_name = "b%d.bmp" % (p + offset)
            medallion(initials, name, state).save(os.path.join(pic, file_name))
            add(gui, p + offset, file_name, "2")
        heading = Image.new("RGB", (HEADING_W, HEADING_H), (52, 40, 28))
        d = ImageDraw.Draw(heading)
        d.text((HEADING_INSET, 4), name, fill=(240, 214, 150), font=font(HEADING_SIZE))
        heading.save(os.path.join(pic, "t%d.bmp" % (12160 + k)))
        add(gui, 12160 + k, "t%d.bmp" % (12160 + k), "2")
        text_id = 18300 + k
        with open(os.path.join(out, "%d.txt" % text_id), "wb") as f:
            f.write(markup(text).encode("cp1252"))
        de.append('%d 40 "%s/%d.txt" 0' % (text_id, stage, text_id))
        rows.append('%d %d %s %d %d %d %d "%s" %d' % (k + 1, len(places), " ".join(str(b) for b in places), p,
                                                     12160 + k, x, y, name, text_id))
    with open(os.path.join(out, "12102.txt"), "wb") as f:
        f.write(("\r\n".join(rows) + "\r\n").encode("cp1252"))
    gui.append('12102 40 "%s/12102.txt" 0' % stage)

    with open(os.path.join(out, "texts.txt"), "w", encoding="utf-8") as f:
        f.write("\n".join(texts) + "\n")
    with open(os.path.join(out, "QV_GUI.build"), "w") as fragment:
        fragment.write("// The relations stage: the small house, the items' buttons and headings, TEXT 12102\n")
        fragment.write("\n".join(gui) + "\n")
    with open(os.path.join(out, "QV_DE.build"), "w") as fragment:
        fragment.write("// The relations stage: the texts of the people and things of the house\n")
        fragment.write("\n".join(de) + "\n")


if __name__ == "__main__":
    main()
