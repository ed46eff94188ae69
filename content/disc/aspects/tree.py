"""The aspect tree of the sample disc: themes of the house in German, two and
three levels deep, whose leaves open the disc's slide shows (SH001-SH003),
films (VI001-VI003) and the detail photo of the desk (DF001).

Writes, into OUTDIR, each aspect's script and title (code page 1252) and the
lines of QV_DE.build, and prints category table 10's entries (aspect number,
media id) to OUTDIR/table10.txt.

Usage: tree.py OUTDIR STAGE
"""
import os
import sys

# The aspects' scripts and titles: aspect k of ORDER below gets the script
# at FIRST_MEDIA + 2 k and its title at + 1.
FIRST_MEDIA = 19900

# (number, title, children or the INFO item). Number 0 is the root.
TREE = (0, "", [
    (1, "Architektur", [
        (11, "Fassade und Giebel", "SH001"),
        (12, "Das Dachwerk", [
            (121, "Der Dachstuhl seit 1978", "SH003"),
            (122, "Treppen und Stuben", "VI003"),
        ]),
        (13, "Das Erdgeschoss", "VI002"),
    ]),
    (2, "Alltag", [
        (21, "Ein Gang durch das Haus", "VI002"),
        (22, "Wohnen im Obergeschoss", "VI003"),
        (23, "Am Schreibtisch", "DF001"),
    ]),
    (3, "Handel", [
        (31, "Das Kontor", [
            (311, "Das Rechnungsbuch", "DF001"),
            (312, "Tinte und Feder", "DF001"),
        ]),
        (32, "Der Markt vor dem Haus", "SH001"),
    ]),
    (4, "Geschichte", [
        (41, "Das Haus im \u00dcberblick", "VI001"),
        (42, "Der Brand von 1721", "SH002"),
        (43, "Die Restaurierung", "SH003"),
    ]),
])


def walk(node, out):
    out.append(node)
    number, title, below = node
    if isinstance(below, list):
        for child in below:
            walk(child, out)
    return out


def script(node):
    number, title, below = node
    code = "AS%03d" % number
    if isinstance(below, list):
        ids = "\n".join("    ASPECTID AS%03d" % child[0] for child in below)
        return "ASPECT {\n  ID %s\n  CHILDREN {\n%s\n  }\n}\n" % (code, ids)
    return "ASPECT {\n  ID %s\n  INFO %s\n}\n" % (code, below)


def write(path, text):
    with open(path, "wb") as f:
        # Lines end in CR LF as the title's text readers expect of Windows texts.
        f.write(text.replace("\n", "\r\n").encode("cp1252"))


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: tree.py OUTDIR STAGE")
    out, stage = sys.argv[1], sys.argv[2]
    os.makedirs(os.path.join(out, "text"), exist_ok=True)
    lines = ["// The aspect tree (content/disc/%s): script at m, title at m + 1" % stage]
    table = []
    numbers = set()
    for k, node in enumerate(walk(TREE, [])):
        number, title, below = node
        if number in numbers:
            sys.exit("tree.py: aspect number %d twice" % number)
        numbers.add(number)
        media = FIRST_MEDIA + 2 * k
        table.append((number, media))
        name = "AS%03d" % number
        write(os.path.join(out, "text", name + ".txt"), script(node))
        lines.append("// %s %s" % (name, title or "(root)"))
        lines.append('%d 40 "%s/text/%s.txt"' % (media, stage, name))
        if number != 0:
            # A title is the whole medium: no line break after it.
            with open(os.path.join(out, "text", name + "-title.txt"), "wb") as f:
                f.write(title.encode("cp1252"))
            lines.append('%d 40 "%s/text/%s-title.txt"' % (media + 1, stage, name))
    with open(os.path.join(out, "QV_DE.build"), "a") as f:
        f.write("\n".join(lines) + "\n")
    with open(os.path.join(out, "table10.txt"), "w") as f:
        for number, media in table:
            f.write("%d %d\n" % (number, media))


if __name__ == "__main__":
    main()
