"""Office packages read into a dict of parts, their XML edited as text and written back: what the
generators of test inputs in the folders beside this one share. Each generator imports it by path:

    sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
"""
import re
import zipfile

A = "http://schemas.openxmlformats.org/drawingml/2006/main"
C = "http://schemas.openxmlformats.org/drawingml/2006/chart"
MC = "http://schemas.openxmlformats.org/markup-compatibility/2006"
C14 = "http://schemas.microsoft.com/office/drawing/2007/8/2/chart"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
PACKAGE_REL = "http://schemas.openxmlformats.org/package/2006/relationships"
XML_DECLARATION = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\r\n'

# Every entry carries the same date, so that a file made again is the same bytes as the one committed.
ENTRY_DATE = (2020, 1, 1, 0, 0, 0)


class Folders:
    """Where a generator reads its source files and writes what it makes."""

    def __init__(self, source, out):
        self.source = source
        self.out = out

    def load(self, name):
        with zipfile.ZipFile(self.source / name) as z:
            return {i.filename: z.read(i.filename) for i in z.infolist()}

    def save(self, name, parts, compression=zipfile.ZIP_DEFLATED, zip64=False):
        self.out.mkdir(parents=True, exist_ok=True)
        with zipfile.ZipFile(self.out / name, "w", compression) as z:
            for n, data in parts.items():
                info = zipfile.ZipInfo(n, ENTRY_DATE)
                info.compress_type = compression
                with z.open(info, "w", force_zip64=zip64) as f:
                    f.write(data)


class Recipes:
    """The functions that make the files, by name (underscores written as dashes), in the order they
    were written, so that the command line can pick some."""

    def __init__(self):
        self.by_name = {}

    def __call__(self, fn):
        self.by_name[fn.__name__.replace("_", "-")] = fn
        return fn

    def chosen(self, names):
        return [(name, fn) for name, fn in self.by_name.items() if not names or name in names]


def edit(parts, name, fn):
    parts[name] = fn(parts[name].decode("utf-8")).encode("utf-8")


def sub1(pattern, repl, text, count=1):
    """re.subn that stops the generator where the source no longer holds what the edit expects."""
    new, n = re.subn(pattern, repl, text, count=count, flags=re.S)
    if n == 0:
        raise SystemExit("pattern not found: " + pattern)
    return new


def relationship(rid, kind, target):
    return '<Relationship Id="%s" Type="%s/%s" Target="%s"/>' % (rid, REL, kind, target)


def relationships_part(*entries):
    """A .rels part holding the given relationship() elements, as Office writes one."""
    return (XML_DECLARATION + '<Relationships xmlns="' + PACKAGE_REL + '">' + "".join(entries) +
            "</Relationships>").encode()


def add_relationships(rels, *entries):
    added = "".join(entries) + "</Relationships>"
    return sub1(r"</Relationships>", lambda m: added, rels)


def add_override(types, part, content_type):
    added = '<Override PartName="%s" ContentType="%s"/></Types>' % (part, content_type)
    return sub1(r"</Types>", lambda m: added, types)
