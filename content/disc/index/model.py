#!/usr/bin/env python3
"""The index stage's pictures and texts, around the POV-Ray renders of
scene/model.pov.

Usage: model.py post RAW DEST     the renders of RAW (f00.png .. f40.png,
                                  m00.png .. m40.png) made into the model's
                                  frames (fNN.gif, 8-bit, own colour table),
                                  highlights (hNN.gif) and region masks
                                  (mNN.png, palette index = mask value)
       model.py finish MODEL OUT  the stage's media in OUT from the model's
                                  pictures in MODEL: masks as 8-bit BMP, the
                                  intro, the backdrop, frame bars, buttons,
                                  strips, TEXT 10007 and QV_GUI.build
"""

import os
import sys

from PIL import Image, ImageDraw, ImageFont

FRAMES = 41
W, H = 320, 240
HIGHLIGHT = (255, 214, 120)
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

# The places in bubble order: bubble number, room, mask colour of the render,
# mask value, the bubble's item, the title used when the bubble has none.
PLACES = [
    (1, "hall", (255, 0, 0), 10, "SH001", "Halle"),
    (2, "kitchen", (0, 255, 0), 20, "VI000", "K\u00fcche"),
    (3, "salon", (0, 0, 255), 30, "VI001", "Salon"),
    (4, "staircase", (255, 255, 0), 40, "VI000", "Treppenhaus"),
    (5, "study", (255, 0, 255), 50, "VI000", "Schreibstube"),
    (6, "bedroom", (0, 255, 255), 60, "VI000", "Schlafkammer"),
    (7, "attic", (255, 255, 255), 70, "VI000", "Dachboden"),
    (8, "garden", (0, 0, 0), 80, "VI000", "Garten"),
]
SPIN = 254


def post(raw, dest):
    os.makedirs(dest, exist_ok=True)
    palette = Image.new("P", (1, 1))
    colours = [p[2] for p in PLACES] + [(188, 188, 188)]
    flat = []
    for c in colours:
        flat.extend(c)
    flat.extend([0, 0, 0] * (256 - len(colours)))
    palette.putpalette(flat)
    values = [p[3] for p in PLACES] + [SPIN]
    grey = []
    for i in range(256):
        grey.extend((i, i, i))
    # The frame that shows each place largest is the one the model turns to.
    best = {value: (-1, 0) for value in values}
    for f in range(FRAMES):
        frame = Image.open(os.path.join(raw, "f%02d.png" % f)).convert("RGB")
        frame.quantize(256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE).save(
            os.path.join(dest, "f%02d.gif" % f))
        mask = Image.open(os.path.join(raw, "m%02d.png" % f)).convert("RGB")
        nearest = mask.quantize(palette=palette, dither=Image.Dither.NONE)
        indexes = nearest.tobytes()
        region = Image.frombytes("P", (W, H), bytes(values[i] if i < len(values) else SPIN for i in indexes))
        region.putpalette(grey)
        region.save(os.path.join(dest, "m%02d.png" % f))
        counts = region.histogram()
        for value in values:
            if counts[value] > best[value][0]:
                best[value] = (counts[value], f)
        # The highlight: the frame lit warmly on the places; the spin area
        # (shown lit while the pointer is over it) stays as it is.
        lit = Image.blend(frame, Image.new("RGB", (W, H), HIGHLIGHT), 0.38)
        places = Image.frombytes("L", (W, H), bytes(0 if v == SPIN else 255 for v in region.tobytes()))
        lit = Image.composite(lit, frame, places)
        lit.quantize(256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE).save(
            os.path.join(dest, "h%02d.gif" % f))
    with open(os.path.join(dest, "frames.txt"), "w") as frames:
        for value in values[:-1]:
            frames.write("%d %d\n" % (value, best[value][1]))


def font(size):
    try:
        return ImageFont.truetype(FONT, size)
    except OSError:
        sys.exit("index: font %s not found: apt-get install fonts-dejavu-core" % FONT)


def bmp(image, path):
    image.convert("RGB").save(path)


def button(w, h, face, edge, text_colour, label, icon=None):
    image = Image.new("RGB", (w, h), face)
    d = ImageDraw.Draw(image)
    d.rectangle((0, 0, w - 1, h - 1), outline=edge)
    if icon is not None:
        icon(d, text_colour)
    if label:
        f = font(11)
        tw = d.textlength(label, font=f)
        d.text(((w - tw) / 2, (h - 13) / 2), label, fill=text_colour, font=f)
    return image


def finish(model, out):
    pic = os.path.join(out, "pic")
    os.makedirs(pic, exist_ok=True)
    lines = []
    stage = os.path.basename(os.path.abspath(out))

    def add(media_id, name, params):
        lines.append('%d 10 "%s/pic/%s" %s' % (media_id, stage, name, params))

    # The model: frames and highlights as 8-bit pictures with their own
    # colour tables, region masks 8-bit with the value as palette index.
    for f in range(FRAMES):
        for kind, base in (("f", 10400), ("h", 10600)):
            src = os.path.join(model, "%s%02d.gif" % (kind, f))
            dst = os.path.join(pic, "%s%02d.gif" % (kind, f))
            with open(src, "rb") as a, open(dst, "wb") as b:
                b.write(a.read())
            add(base + f, "%s%02d.gif" % (kind, f), "42 0 8")
        mask = Image.open(os.path.join(model, "m%02d.png" % f))
        if mask.mode != "P" or mask.size != (W, H):
            sys.exit("index: region mask m%02d.png is not an 8-bit %dx%d picture" % (f, W, H))
        mask.save(os.path.join(pic, "m%02d.bmp" % f))
        add(10500 + f, "m%02d.bmp" % f, "34 0 8")

    # The intro: the model's first frame rising out of a drawn plan on the
    # renders' background colour.
    first = Image.open(os.path.join(model, "f00.gif")).convert("RGB")
    background = first.getpixel((0, 0))
    plan = Image.new("RGB", (W, H), background)
    d = ImageDraw.Draw(plan)
    for i in range(0, W, 16):
        d.line((i, 0, i, H), fill=tuple(min(c + 14, 255) for c in background))
    for j in range(0, H, 16):
        d.line((0, j, W, j), fill=tuple(min(c + 14, 255) for c in background))
    d.rectangle((90, 120, 230, 190), outline=(200, 170, 100), width=2)
    d.line((160, 120, 160, 190), fill=(200, 170, 100), width=1)
    d.line((90, 155, 230, 155), fill=(200, 170, 100), width=1)
    for k in range(16):
        t = k / 15
        frame = Image.blend(plan, first, t * t * (3 - 2 * t))
        if k == 15:
            frame = first
        frame.quantize(256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE).save(
            os.path.join(pic, "i%02d.gif" % k))
        add(10710 + k, "i%02d.gif" % k, "42 0 8")

    # The backdrop: dark slate, the model's area framed, the list's panel.
    backdrop = Image.new("RGB", (640, 480), (20, 24, 30))
    d = ImageDraw.Draw(backdrop)
    for y in range(480):
        shade = int(20 + 14 * y / 480)
        d.line((0, y, 639, y), fill=(shade, shade + 4, shade + 10))
    d.rectangle((53, 71, 372, 310), fill=background)
    d.rectangle((418, 24, 636, 412), fill=(30, 36, 46), outline=(96, 84, 60))
    f = font(15)
    d.text((56, 40), "Register des Hauses", fill=(214, 190, 130), font=f)
    d.text((56, 322), "Ziehen dreht das Modell \u2013 ein Raum zeigt seine Geschichte",
           fill=(150, 150, 150), font=font(10))
    bmp(backdrop, os.path.join(pic, "10001.bmp"))
    add(10001, "10001.bmp", "2")

    # The four bars that frame the model's area and slide in from the edges.
    gold, dark = (200, 160, 64), (96, 70, 30)
    bars = {10702: (376, 3), 10706: (381, 3), 10708: (3, 388), 10704: (3, 245)}
    for media_id, (w, h) in bars.items():
        bar = Image.new("RGB", (w, h), gold)
        d = ImageDraw.Draw(bar)
        if w > h:
            d.line((0, h - 1, w, h - 1), fill=dark)
        else:
            d.line((w - 1, 0, w - 1, h), fill=dark)
        bmp(bar, os.path.join(pic, "%d.bmp" % media_id))
        add(media_id, "%d.bmp" % media_id, "2")

    # The go-there buttons (above a row: 10010, lit 10012; below: 10014, 10016).
    face, lit_face, edge = (52, 80, 56), (84, 128, 80), (150, 200, 140)

    def arrow(d, colour):
        d.polygon([(46, 5), (52, 9), (46, 13)], fill=colour)
    for media_id, colour in ((10010, face), (10012, lit_face), (10014, face), (10016, lit_face)):
        image = button(56, 18, colour, edge, (240, 240, 230), "", arrow)
        ImageDraw.Draw(image).text((5, 2), "Hin", fill=(240, 240, 230), font=font(11))
        bmp(image, os.path.join(pic, "%d.bmp" % media_id))
        add(media_id, "%d.bmp" % media_id, "2")

    # The strips: 140 wide, so that a strip and a go-there button (56) fit
    # side by side within the list's rows (200); above a row 20 high, below
    # it 28 (its top 8 pixels a tab that reaches up to the row).
    strip_face = (38, 46, 58)
    above = Image.new("RGB", (140, 20), strip_face)
    ImageDraw.Draw(above).rectangle((0, 0, 139, 19), outline=(96, 84, 60))
    bmp(above, os.path.join(pic, "10018.bmp"))
    add(10018, "10018.bmp", "2")
    below = Image.new("RGB", (140, 28), strip_face)
    d = ImageDraw.Draw(below)
    d.rectangle((0, 8, 139, 27), outline=(96, 84, 60))
    d.rectangle((0, 0, 139, 7), fill=(107, 173, 205))
    bmp(below, os.path.join(pic, "10020.bmp"))
    add(10020, "10020.bmp", "2")

    # The strip's buttons: play 10021-10023, pause 10024-10026, back 10027-10029
    # (normal, pressed, under the pointer), 24 x 18.
    def play(d, c):
        d.polygon([(9, 4), (17, 9), (9, 14)], fill=c)

    def pause(d, c):
        d.rectangle((8, 4, 10, 14), fill=c)
        d.rectangle((14, 4, 16, 14), fill=c)

    def back(d, c):
        d.rectangle((6, 4, 7, 14), fill=c)
        d.polygon([(17, 4), (9, 9), (17, 14)], fill=c)
    looks = [((58, 70, 86), (200, 200, 190)), ((30, 36, 46), (160, 160, 150)), ((80, 100, 124), (255, 240, 200))]
    for first_id, icon in ((10021, play), (10024, pause), (10027, back)):
        for k, (face_colour, icon_colour) in enumerate(looks):
            image = button(24, 18, face_colour, (110, 120, 130), icon_colour, "", icon)
            bmp(image, os.path.join(pic, "%d.bmp" % (first_id + k)))
            add(first_id + k, "%d.bmp" % (first_id + k), "2")

    # TEXT 10007: position bubble mask-value frame item "title" (code page 1252).
    frame_of = {}
    with open(os.path.join(model, "frames.txt")) as frames:
        for line in frames:
            value, frame = line.split()
            frame_of[int(value)] = int(frame)
    rows = []
    for position, (bubble, _room, _colour, value, item, title) in enumerate(PLACES, start=1):
        rows.append('%d %d %d %d %s "%s"' % (position, bubble, value, frame_of[value], item, title))
    with open(os.path.join(out, "10007.txt"), "wb") as index:
        index.write(("\r\n".join(rows) + "\r\n").encode("cp1252"))
    lines.append('10007 40 "%s/10007.txt" 0' % stage)

    with open(os.path.join(out, "QV_GUI.build"), "w") as fragment:
        fragment.write("// The index stage: the house model, its intro and frames, the list's buttons\n")
        fragment.write("\n".join(lines) + "\n")


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "post":
        post(sys.argv[2], sys.argv[3])
    elif len(sys.argv) == 4 and sys.argv[1] == "finish":
        finish(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
