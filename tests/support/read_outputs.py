#!/usr/bin/env python3
"""Reads a data, map or picture output of the program with Python's own
parsers and prints what a reader of it sees, as ASCII JSON on one line.

  read_outputs.py json FILE      station names and labels (json module, strict)
  read_outputs.py geojson FILE   station names and labels of the point features
  read_outputs.py html FILE      tags met, texts of <title>, <text> and <td>
  read_outputs.py schema SCHEMA FILE   validates FILE against SCHEMA (jsonschema)
  read_outputs.py png FILE       size and the colours of at least 20 pixels (zlib)

Every file must be valid UTF-8; the JSON parser rejects raw control
characters in strings.
"""
import json
import struct
import sys
import zlib
from collections import Counter
from html.parser import HTMLParser


def load_json(path):
    with open(path, encoding='utf-8', errors='strict') as f:
        return json.loads(f.read(), strict=True)


class Page(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.tags = set()
        self.stack = []
        self.texts = {'title': [], 'text': [], 'td': []}

    def handle_starttag(self, tag, attrs):
        self.tags.add(tag)
        self.stack.append(tag)
        if tag in self.texts:
            self.texts[tag].append('')

    def handle_startendtag(self, tag, attrs):
        self.tags.add(tag)

    def handle_endtag(self, tag):
        while self.stack:
            if self.stack.pop() == tag:
                break

    def handle_data(self, data):
        for tag in reversed(self.stack):
            if tag in self.texts:
                self.texts[tag][-1] += data
                break


def png_colours(path):
    """Decodes an 8-bit, non-interlaced RGB or RGBA PNG."""
    with open(path, 'rb') as f:
        data = f.read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise ValueError('not a PNG')
    pos, idat, header = 8, b'', None
    while pos < len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b'IHDR':
            header = struct.unpack('>IIBBBBB', body)
        elif kind == b'IDAT':
            idat += body
        pos += 12 + length
    width, height, depth, colour_type, _, _, interlace = header
    if depth != 8 or colour_type not in (2, 6) or interlace != 0:
        raise ValueError('unsupported PNG form')
    bpp = 3 if colour_type == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * bpp
    previous = bytearray(stride)
    counts = Counter()
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            left = line[i - bpp] if i >= bpp else 0
            up = previous[i]
            corner = previous[i - bpp] if i >= bpp else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                pred = left if pa <= pb and pa <= pc else up if pb <= pc else corner
                line[i] = (line[i] + pred) & 255
        counts.update('#%02x%02x%02x' % tuple(line[i:i + 3]) for i in range(0, stride, bpp))
        previous = line
    return {'width': width, 'height': height, 'colours': {c: n for c, n in counts.items() if n >= 20}}


def main():
    kind = sys.argv[1]
    if kind == 'json':
        d = load_json(sys.argv[2])
        out = {'names': d['stations']['name'], 'labels': d['stations']['label']}
    elif kind == 'geojson':
        d = load_json(sys.argv[2])
        points = [f['properties'] for f in d['features'] if f['properties']['feature'] == 'station']
        out = {'names': [p['name'] for p in points], 'labels': [p['label'] for p in points]}
    elif kind == 'html':
        with open(sys.argv[2], encoding='utf-8', errors='strict') as f:
            page = Page()
            page.feed(f.read())
            page.close()
        out = {'tags': sorted(page.tags), 'title': page.texts['title'], 'text': page.texts['text'],
               'td': page.texts['td']}
    elif kind == 'schema':
        import jsonschema
        schema = load_json(sys.argv[2])
        jsonschema.Draft202012Validator.check_schema(schema)
        errors = [e.message for e in jsonschema.Draft202012Validator(schema).iter_errors(load_json(sys.argv[3]))]
        out = {'errors': errors}
    elif kind == 'png':
        out = png_colours(sys.argv[2])
    else:
        sys.exit('unknown kind ' + kind)
    print(json.dumps(out, ensure_ascii=True))


if __name__ == '__main__':
    main()
