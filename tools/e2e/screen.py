"""Screenshots of the virtual display, and the colour a readout shows.

In the desktop prefix Wine's screen is the virtual desktop, which lies at
the display's origin, so a window's screen rectangle is where it is in a
screenshot of the whole display.
"""
import collections
import re
import subprocess

# The readout colours (0x00BBGGRR in the program) as red, green, blue.
COLOURS = {
    (0, 255, 0): "bright green",
    (0, 96, 0): "dark green",
    (255, 0, 0): "bright red",
    (96, 0, 0): "dark red",
}


def import_args(rect):
    if rect is None:
        return []
    left, top, right, bottom = rect
    return ["-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top), "+repage"]


def screenshot(display, path, rect=None):
    subprocess.run(["import", "-display", display, "-window", "root", *import_args(rect), path],
                   check=True, stdin=subprocess.DEVNULL, capture_output=True, timeout=60)


def pixels(display, rect):
    """The rectangle's pixels as (red, green, blue) triples."""
    ppm = subprocess.run(["import", "-display", display, "-window", "root", *import_args(rect),
                          "-depth", "8", "ppm:-"], check=True, stdin=subprocess.DEVNULL,
                         capture_output=True, timeout=60).stdout
    header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm)
    if header is None:
        raise ValueError("not an 8-bit PPM picture")
    data = ppm[header.end():]
    return [tuple(data[i:i + 3]) for i in range(0, len(data) - 2, 3)]


def readout_colour(display, rect):
    """The readout colour drawn in the rectangle, and the count of pixels of
    each readout colour. The text is drawn in exactly that colour, with
    smoothed edges that mix it with the black background; the borders are
    grey and white, so only exact readout colours are counted. None when no
    colour clearly dominates."""
    counts = collections.Counter(COLOURS[p] for p in pixels(display, rect) if p in COLOURS)
    ranked = counts.most_common()
    if not ranked or ranked[0][1] < 20 or (len(ranked) > 1 and ranked[1][1] * 4 > ranked[0][1]):
        return None, dict(counts)
    return ranked[0][0], dict(counts)
