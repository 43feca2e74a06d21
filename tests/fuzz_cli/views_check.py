# Checks the pictures of --area, --shrink and --atlas against the whole
# picture of the same run, decoded by Pillow, with numpy's box means:
#   views_check.py WHOLE.png TILES [area:X,Y,W,H:FILE ...] [shrink:N:FILE ...] [atlas:LAYER-DIR ...]
# WHOLE is a map of TILES x TILES tiles. An area must be the crop of its
# tiles in the same PNG form; a shrink the N x N box means, each channel
# rounded half up, as 8-bit RGB; a layer's top zoom the crops of 8 x 8
# tiles in the whole picture's form, and each lower image the 2 x 2 box
# means of its four children. Prints "ok" or what differs first.
import functools
import os
import sys

import numpy as np
from PIL import Image

Image.MAX_IMAGE_PIXELS = None


def rgb(image):
    return np.asarray(image.convert("RGB"), dtype=np.uint8)


@functools.lru_cache(maxsize=None)
def image_pixels(name):
    return rgb(Image.open(name))


def box_means(pixels, n):
    sums = sum(pixels[i::n, j::n].astype(np.int32) for i in range(n) for j in range(n))
    return (sums + n * n // 2) // (n * n)


def check(argv):
    whole_image = Image.open(argv[0])
    whole = rgb(whole_image)
    tiles = int(argv[1])
    tile_h, tile_w = whole.shape[0] // tiles, whole.shape[1] // tiles
    for item in argv[2:]:
        kind, _, rest = item.partition(":")
        if kind == "area":
            numbers, _, name = rest.partition(":")
            x, y, w, h = (int(v) for v in numbers.split(","))
            image = Image.open(name)
            want = whole[y * tile_h:(y + h) * tile_h, x * tile_w:(x + w) * tile_w]
            if image.format == "PNG" and image.mode != whole_image.mode:
                return f"{name}: mode {image.mode}, the whole picture's is {whole_image.mode}"
            if rgb(image).shape != want.shape or (rgb(image) != want).any():
                return f"{name}: not the crop of area {numbers}"
        elif kind == "shrink":
            n, _, name = rest.partition(":")
            image = Image.open(name)
            if image.mode != "RGB":
                return f"{name}: mode {image.mode}, not RGB"
            want = box_means(whole, int(n))
            if rgb(image).shape != want.shape or (rgb(image) != want).any():
                return f"{name}: not the {n} x {n} box means"
        elif kind == "atlas":
            problem = check_pyramid(rest, whole, whole_image.mode, tiles // 8)
            if problem:
                return problem
        else:
            return f"unknown check {item}"
    return "ok"


def check_pyramid(layer, whole, mode, across):
    top = across.bit_length() - 1
    count = sum(len(files) for _, _, files in os.walk(layer))
    if count != sum(4**z for z in range(top + 1)) + 1:
        return f"{layer}: {count} files, not the images of zooms 0 to {top} and layer.json"
    ih, iw = whole.shape[0] // across, whole.shape[1] // across
    for x in range(across):
        for y in range(across):
            name = f"{layer}/{top}/{x}/{y}.png"
            if Image.open(name).mode != mode or (image_pixels(name) != whole[y * ih:(y + 1) * ih, x * iw:(x + 1) * iw]).any():
                return f"{name}: not the crop of the whole picture"
    for z in range(top - 1, -1, -1):
        for x in range(1 << z):
            for y in range(1 << z):
                children = np.zeros((2 * ih, 2 * iw, 3), dtype=np.uint8)
                for dx in range(2):
                    for dy in range(2):
                        child = image_pixels(f"{layer}/{z + 1}/{2 * x + dx}/{2 * y + dy}.png")
                        children[dy * ih:(dy + 1) * ih, dx * iw:(dx + 1) * iw] = child
                name = f"{layer}/{z}/{x}/{y}.png"
                if (image_pixels(name) != box_means(children, 2)).any():
                    return f"{name}: not the 2 x 2 box means of its children"
    return None


print(check(sys.argv[1:]))
