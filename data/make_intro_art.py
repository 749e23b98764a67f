#!/usr/bin/env python3
"""Draws intro.ans, the main menu's background art, as code page 437 ANSI.

The menu writes columns 24-56 of rows 13-20 and its footer on row 24, so the art keeps to
rows 1-23, frames the menu window, and leaves that window empty. Every line stays within
79 columns so that no terminal wraps it. Run: python3 make_intro_art.py > intro.ans
"""
import sys

COLS, ROWS = 80, 23

# PC colours
BLACK, BLUE, GREEN, CYAN, RED, MAGENTA, BROWN, GREY = range(8)
DGREY, LBLUE, LGREEN, LCYAN, LRED, LMAGENTA, YELLOW, WHITE = range(8, 16)

FULL, UPPER, LOWER, LEFT, RIGHT = 219, 223, 220, 221, 222
LIGHT, MEDIUM, DARK = 176, 177, 178


class Canvas:
    def __init__(self):
        self.cells = [[(32, 7) for _ in range(COLS)] for _ in range(ROWS)]

    def put(self, x, y, ch, fg, bg=BLACK):
        """x, y are 1-based screen coordinates."""
        if 1 <= x <= COLS and 1 <= y <= ROWS:
            if isinstance(ch, str):
                ch = ord(ch)
            self.cells[y - 1][x - 1] = (ch, (bg << 4) | fg)

    def text(self, x, y, s, fg, bg=BLACK):
        for i, c in enumerate(s):
            self.put(x + i, y, c, fg, bg)

    def get(self, x, y):
        return self.cells[y - 1][x - 1]


def pixels_to_cells(canvas, pixels, x0, y0):
    """pixels: list of rows (even count) of colour or None; drawn with half blocks."""
    for py in range(0, len(pixels), 2):
        top_row, bottom_row = pixels[py], pixels[py + 1]
        for px in range(len(top_row)):
            top, bottom = top_row[px], bottom_row[px]
            x, y = x0 + px, y0 + py // 2
            if top is None and bottom is None:
                continue
            if top == bottom:
                canvas.put(x, y, FULL, top)
            elif bottom is None:
                canvas.put(x, y, UPPER, top)
            elif top is None:
                canvas.put(x, y, LOWER, bottom)
            elif bottom < 8:
                canvas.put(x, y, UPPER, top, bottom)
            elif top < 8:
                canvas.put(x, y, LOWER, bottom, top)
            else:
                canvas.put(x, y, FULL, top)


# ---- The title: PINMARCH in a bold pixel face, 10 pixels (5 rows) tall ----
LETTERS = {
    "P": ["######.",
          "#######",
          "##...##",
          "##...##",
          "#######",
          "######.",
          "##.....",
          "##.....",
          "##.....",
          "##....."],
    "I": ["######",
          "######",
          "..##..",
          "..##..",
          "..##..",
          "..##..",
          "..##..",
          "..##..",
          "######",
          "######"],
    "N": ["##...##",
          "###..##",
          "###..##",
          "####.##",
          "##.####",
          "##.####",
          "##..###",
          "##..###",
          "##...##",
          "##...##"],
    "M": ["##....##",
          "###..###",
          "########",
          "##.##.##",
          "##.##.##",
          "##....##",
          "##....##",
          "##....##",
          "##....##",
          "##....##"],
    "A": ["..###..",
          ".#####.",
          "###.###",
          "##...##",
          "##...##",
          "#######",
          "#######",
          "##...##",
          "##...##",
          "##...##"],
    "R": ["######.",
          "#######",
          "##...##",
          "##...##",
          "######.",
          "#####..",
          "##.##..",
          "##..##.",
          "##...##",
          "##...##"],
    "C": [".#####.",
          "#######",
          "##...##",
          "##.....",
          "##.....",
          "##.....",
          "##.....",
          "##...##",
          "#######",
          ".#####."],
    "H": ["##...##",
          "##...##",
          "##...##",
          "##...##",
          "#######",
          "#######",
          "##...##",
          "##...##",
          "##...##",
          "##...##"],
}

# One colour per text row (pixel-row pair): white-hot top fading to red.
GRADIENT = [WHITE, YELLOW, YELLOW, LRED, RED]
SHADOW = BLUE


def draw_title(canvas, word, y0):
    glyphs = [LETTERS[c] for c in word]
    gap = 2
    width = sum(len(g[0]) for g in glyphs) + gap * (len(glyphs) - 1)
    height = 10
    # Pixel canvas one pixel wider and taller for the shadow.
    pix = [[None] * (width + 1) for _ in range(height + 2)]
    shape = [[False] * (width + 1) for _ in range(height + 2)]
    x = 0
    for g in glyphs:
        for py, row in enumerate(g):
            for px, c in enumerate(row):
                if c == "#":
                    shape[py][x + px] = True
        x += len(g[0]) + gap
    for py in range(height + 2):
        for px in range(width + 1):
            if py < height and shape[py][px]:
                pix[py][px] = GRADIENT[py // 2]
            elif py >= 1 and px >= 1 and shape[py - 1][px - 1]:
                pix[py][px] = SHADOW
    x0 = (COLS - (width + 1)) // 2 + 1
    pixels_to_cells(canvas, pix, x0, y0)
    return x0, width


# ---- Pieces of the picture ----

def draw_top_rail(canvas):
    # A thin rail of alternating shades across the top, like the lane's capping.
    for x in range(1, COLS):
        canvas.put(x, 1, LOWER, BLUE if x % 2 else CYAN)


def draw_menu_frame(canvas):
    # Double-line frame around the menu window (the menu fills columns 24-56, rows 13-20).
    left, right, top, bottom = 22, 58, 12, 21
    canvas.put(left, top, 201, LBLUE)
    canvas.put(right, top, 187, LBLUE)
    canvas.put(left, bottom, 200, LBLUE)
    canvas.put(right, bottom, 188, LBLUE)
    for x in range(left + 1, right):
        canvas.put(x, top, 205, LBLUE)
        canvas.put(x, bottom, 205, BLUE)
    for y in range(top + 1, bottom):
        canvas.put(left, y, 186, LBLUE)
        canvas.put(right, y, 186, BLUE)
    label = " MAIN MENU "
    canvas.text((left + right - len(label)) // 2 + 1, top, label, LCYAN)
    # Drop shadow of the frame.
    for y in range(top + 1, bottom + 1):
        canvas.put(right + 1, y, LIGHT, DGREY)
    for x in range(left + 1, right + 2):
        canvas.put(x, bottom + 1, UPPER, DGREY)


def draw_pin(canvas, x, y):
    """A bowling pin, five columns by eight rows: round head, red neck bands, full belly."""
    shape = [".###.",
             "#####",
             "#####",
             ".###.",
             ".rrr.",
             "..#..",
             ".rrr.",
             ".###.",
             ".###.",
             "#####",
             "#####",
             "#####",
             "#####",
             ".###.",
             ".###.",
             "..#.."]
    # Shaded on the right like a lit pin: the last column is light grey.
    pix = []
    for row in shape:
        line = []
        for i, c in enumerate(row):
            if c == ".":
                line.append(None)
            elif c == "r":
                line.append(LRED)
            else:
                lit = i < len(row) - 1 and row[i + 1] != "."
                line.append(WHITE if lit else GREY)
        pix.append(line)
    pixels_to_cells(canvas, pix, x, y)


def draw_rack(canvas):
    # Three pins of the rack, the head pin in front.
    draw_pin(canvas, 3, 9)
    draw_pin(canvas, 14, 9)
    draw_pin(canvas, 8, 13)


def draw_card(canvas, x, y, rank, suit, red):
    """A 7 x 5 card face: rank top-left, big suit centre, rank bottom-right."""
    fg = RED if red else BLACK
    for dy in range(5):
        for dx in range(7):
            canvas.put(x + dx, y + dy, ' ', fg, GREY)
    canvas.put(x, y, rank, fg, GREY)
    canvas.put(x + 1, y, suit, fg, GREY)
    canvas.put(x + 3, y + 2, suit, fg, GREY)
    canvas.put(x + 5, y + 4, suit, fg, GREY)
    canvas.put(x + 6, y + 4, rank, fg, GREY)
    # Edge shading on the right, so overlapping cards read as separate.
    for dy in range(5):
        canvas.put(x + 7, y + dy, LEFT, DGREY)


def draw_cards(canvas):
    # A short fanned stack of cards, each lower one peeking out.
    draw_card(canvas, 62, 9, 'A', chr(3), True)
    draw_card(canvas, 65, 11, 'K', chr(6), False)
    draw_card(canvas, 68, 13, '7', chr(4), True)
    draw_card(canvas, 71, 15, 'Q', chr(5), False)
    canvas.text(61, 21, "same cards for all", CYAN)


def draw_ball(canvas, x, y):
    # A bowling ball, 8 columns by 3 rows, with its finger holes.
    shape = ["..####..",
             ".#hh###.",
             "#h#o#o##",
             "#####o##",
             ".######.",
             "..####.."]
    colours = {"#": BLUE, "h": LBLUE, "o": BLACK}
    pix = [[colours.get(c) for c in row] for row in shape]
    # Holes are black pixels on the ball: pixels_to_cells treats black (0) as a colour.
    pixels_to_cells(canvas, pix, x, y)


def draw_lane(canvas):
    # Maple boards along the bottom with the aiming arrows, and a ball on its way.
    for x in range(1, COLS):
        canvas.put(x, 22, MEDIUM, BROWN, BLACK)
        canvas.put(x, 23, DARK, BROWN, BLACK)
    for x in range(8, COLS - 4, 9):
        canvas.put(x, 22, 16, YELLOW, BROWN)  # a right-pointing arrow mark
    draw_ball(canvas, 2, 21)


def build():
    c = Canvas()
    draw_top_rail(c)
    draw_title(c, "PINMARCH", 2)
    c.text(20, 8, chr(250) + " a card game played on the lanes, one deal a day " + chr(250), LCYAN)
    draw_menu_frame(c)
    draw_rack(c)
    draw_cards(c)
    draw_lane(c)
    return c


def sgr(attr):
    fg, bg = attr & 15, (attr >> 4) & 7
    ansi = [0, 4, 2, 6, 1, 5, 3, 7]
    bold = "1;" if fg >= 8 else ""
    return "\x1b[0;%s%d;%dm" % (bold, 30 + ansi[fg & 7], 40 + ansi[bg])


def serialise(canvas):
    out = bytearray()
    for y in range(1, ROWS + 1):
        row = canvas.cells[y - 1]
        last = 0
        for x in range(1, COLS):  # column 80 is never used
            ch, attr = row[x - 1]
            if ch != 32 or (attr >> 4) & 7:
                last = x
        current = None
        for x in range(1, last + 1):
            ch, attr = row[x - 1]
            if ch == 32 and not (attr >> 4) & 7:
                attr = current if current is not None and (current & 0x70) == 0 else 7
            if attr != current:
                out += sgr(attr).encode("ascii")
                current = attr
            out.append(ch)
        out += b"\x1b[0m"
        if y < ROWS:
            out += b"\r\n"
    return bytes(out)


if __name__ == "__main__":
    sys.stdout.buffer.write(serialise(build()))
