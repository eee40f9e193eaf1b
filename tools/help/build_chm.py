#!/usr/bin/env python3
"""Compiles the help of one language into <lcid>.chm with chmcmd.

The sources are help/<lcid>/*.htm (UTF-8), help/<lcid>/toc.txt and the shared
help/help.css. They are staged into a work folder in the code page of the
language (Windows-1252 for English and German; characters outside it become
character references), together with a generated project (.hhp), table of
contents (.hhc) and keyword index (.hhk, from each page's "keywords" meta
tag), then compiled. The result is checked to exist and to be non-empty.

toc.txt, one entry per line (blank lines and lines starting with ';' are
skipped):
    @title|<window title>          the help window's title
    @language|<0x409 English ...>  the [OPTIONS] Language value
    <page.htm>|<caption>           a page
    +<caption>                     opens a book (a group without a page)
    -                              closes the book
Context numbers (HH_HELP_CONTEXT) are given by CONTEXT_IDS below.
"""

import argparse
import html
import os
import re
import shutil
import struct
import subprocess
import sys

# The topic ids every help file holds (one page each, named <id>.htm).
TOPICS = ["MAIN", "OPTIONS", "DC", "RC", "IC", "DLL", "OCO", "ST", "IT", "NQ",
          "WIN", "FW", "FSJ", "FA", "FED"]
# Context numbers that windows send: the Internet Tuner asks for context 1.
CONTEXT_IDS = {"IT.htm": 1}
ENCODING = "cp1252"


def fail(msg):
    print("build_chm: error: " + msg, file=sys.stderr)
    sys.exit(1)


def read_toc(path):
    meta, entries = {}, []
    with open(path, encoding="utf-8") as f:
        for raw in f:
            line = raw.strip()
            if not line or line.startswith(";"):
                continue
            if line.startswith("@"):
                key, _, value = line[1:].partition("|")
                meta[key] = value
            elif line.startswith("+"):
                entries.append(("book", line[1:].strip(), None))
            elif line == "-":
                entries.append(("end", None, None))
            else:
                page, _, caption = line.partition("|")
                entries.append(("page", caption.strip(), page.strip()))
    for key in ("title", "language"):
        if key not in meta:
            fail("%s: missing @%s" % (path, key))
    return meta, entries


def to_codepage(text):
    return text.encode(ENCODING, errors="xmlcharrefreplace")


def stage_page(src, dst):
    with open(src, encoding="utf-8") as f:
        text = f.read()
    text = re.sub(r'charset=utf-8', 'charset=windows-1252', text, flags=re.I)
    # The compiler copies the title text as it stands into the topic table
    # (search results, favourites), so it must not hold character references.
    text = re.sub(r"(<title>)(.*?)(</title>)", lambda m: m.group(1) + html.unescape(m.group(2)) + m.group(3),
                  text, flags=re.I | re.S)
    with open(dst, "wb") as f:
        f.write(to_codepage(text))
    m = re.search(r'<meta\s+name="keywords"\s+content="([^"]*)"', text, re.I)
    keywords = [k.strip() for k in html.unescape(m.group(1)).split(";")] if m else []
    t = re.search(r"<title>(.*?)</title>", text, re.I | re.S)
    title = html.unescape(t.group(1).strip()) if t else os.path.basename(src)
    return [k for k in keywords if k], title


def sitemap_text(text):
    """A name as the compiler stores it: it copies the text unchanged into the
    binary index and table of contents, so no character references; a double
    quote cannot be written at all."""
    if '"' in text or "<" in text:
        fail("a contents or index name holds a quote or '<': %s" % text)
    return text


def sitemap_object(name, local):
    s = '<OBJECT type="text/sitemap">\n'
    s += '\t<param name="Name" value="%s">\n' % sitemap_text(name)
    if local:
        s += '\t<param name="Local" value="%s">\n' % local
    s += "\t</OBJECT>\n"
    return s


def write_hhc(path, entries):
    out = ['<!DOCTYPE HTML PUBLIC "-//IETF//DTD HTML//EN">\n<HTML>\n<HEAD></HEAD>\n<BODY>\n',
           '<OBJECT type="text/site properties">\n\t<param name="Window Styles" value="0x800025">\n</OBJECT>\n',
           "<UL>\n"]
    for kind, caption, page in entries:
        if kind == "page":
            out.append("<LI> " + sitemap_object(caption, page))
        elif kind == "book":
            out.append("<LI> " + sitemap_object(caption, None) + "<UL>\n")
        else:
            out.append("</UL>\n")
    out.append("</UL>\n</BODY>\n</HTML>\n")
    with open(path, "wb") as f:
        f.write(to_codepage("".join(out)))


def write_hhk(path, index):
    out = ['<!DOCTYPE HTML PUBLIC "-//IETF//DTD HTML//EN">\n<HTML>\n<HEAD></HEAD>\n<BODY>\n<UL>\n']
    for keyword in sorted(index, key=lambda k: k.lower()):
        out.append('<LI> <OBJECT type="text/sitemap">\n')
        out.append('\t<param name="Name" value="%s">\n' % sitemap_text(keyword))
        for title, page in index[keyword]:
            out.append('\t<param name="Name" value="%s">\n' % sitemap_text(title))
            out.append('\t<param name="Local" value="%s">\n' % page)
        out.append("\t</OBJECT>\n")
    out.append("</UL>\n</BODY>\n</HTML>\n")
    with open(path, "wb") as f:
        f.write(to_codepage("".join(out)))


# ---- the context table ------------------------------------------------------
# chmcmd (fp-utils 3.2.2) stores the page of each context number as the full
# path of the staged file on the build machine ("/home/.../IT.htm"), so HTML
# Help would look for that path inside the file. The name is stored in the
# compressed string table right after the table's leading zero byte, so its
# last part is the page's own name. The context table (#IVB, 4 bytes of size
# then pairs of context number and string offset) is therefore written anew
# with offsets that point at the page names, appended uncompressed to the
# file, and the directory entry of #IVB is pointed at it.

def read_encint(b, i):
    v = 0
    while True:
        c = b[i]
        i += 1
        v = (v << 7) | (c & 0x7F)
        if not c & 0x80:
            return v, i


def encint(v):
    out = [v & 0x7F]
    v >>= 7
    while v:
        out.append(0x80 | (v & 0x7F))
        v >>= 7
    return bytes(reversed(out))


def parse_pmgl(chunk, size):
    count = struct.unpack_from("<H", chunk, size - 2)[0]
    i, entries, starts = 0x14, [], []
    for _ in range(count):
        starts.append(i - 0x14)
        n, i = read_encint(chunk, i)
        name = bytes(chunk[i:i + n])
        i += n
        sec, i = read_encint(chunk, i)
        off, i = read_encint(chunk, i)
        length, i = read_encint(chunk, i)
        entries.append([name, sec, off, length])
    return entries


def build_pmgl(header, entries, size, density):
    """A directory chunk laid out as chmcmd lays it out (checked against the
    original before anything is changed)."""
    body, starts = b"", []
    for name, sec, off, length in entries:
        starts.append(len(body))
        body += encint(len(name)) + name + encint(sec) + encint(off) + encint(length)
    step = 1 + (1 << density)
    quickref = [starts[k * step - 1] for k in range(1, len(entries)) if k * step - 1 < len(entries)]
    tail = b"".join(struct.pack("<H", o) for o in reversed(quickref)) + struct.pack("<H", len(entries))
    free = size - 0x14 - len(body)
    if free < len(tail):
        fail("the help directory no longer fits one chunk")
    chunk = b"PMGL" + struct.pack("<I", free) + bytes(header[8:0x14]) + body
    return chunk + b"\0" * (size - len(chunk) - len(tail)) + tail


def fix_context_table(chm, base_path, contexts):
    """contexts: (number, page) in the order chmcmd stored them."""
    data = bytearray(open(chm, "rb").read())
    if data[:4] != b"ITSF" or struct.unpack_from("<I", data, 4)[0] != 3:
        fail("%s: not a version 3 compiled help file" % chm)
    hs0 = struct.unpack_from("<Q", data, 0x38)[0]
    dir_off = struct.unpack_from("<Q", data, 0x48)[0]
    content = struct.unpack_from("<Q", data, 0x58)[0]
    if data[dir_off:dir_off + 4] != b"ITSP":
        fail("%s: no directory" % chm)
    hlen, = struct.unpack_from("<I", data, dir_off + 8)
    size, density, depth = struct.unpack_from("<III", data, dir_off + 0x10)
    chunks, = struct.unpack_from("<I", data, dir_off + 0x2C)
    if depth != 1 or chunks != 1:
        fail("%s: the directory has more than one chunk; extend fix_context_table" % chm)
    start = dir_off + hlen
    chunk = data[start:start + size]
    entries = parse_pmgl(chunk, size)
    if build_pmgl(chunk, entries, size, density) != bytes(chunk):
        fail("%s: the directory is not laid out as expected; extend fix_context_table" % chm)
    ivb = [e for e in entries if e[0] == b"/#IVB"]
    if len(ivb) != 1 or ivb[0][3] != 4 + 8 * len(contexts):
        fail("%s: unexpected context table" % chm)
    table, offset = b"", 1
    for number, page in contexts:
        full = (base_path + page).encode(ENCODING)
        table += struct.pack("<II", number, offset + len(full) - len(page.encode(ENCODING)))
        offset += len(full) + 1
    table = struct.pack("<I", len(table)) + table
    ivb[0][1:] = [0, len(data) - content, len(table)]
    data[start:start + size] = build_pmgl(chunk, entries, size, density)
    data += table
    struct.pack_into("<Q", data, hs0 + 8, len(data))
    with open(chm, "wb") as f:
        f.write(data)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--src", required=True, help="the help folder (holding help.css and <lcid>/)")
    ap.add_argument("--lang", required=True, help="language id, e.g. 1033")
    ap.add_argument("--work", required=True, help="staging folder (emptied)")
    ap.add_argument("--out", required=True, help="the .chm to write")
    ap.add_argument("--chmcmd", default="chmcmd")
    args = ap.parse_args()

    src = os.path.join(args.src, args.lang)
    meta, entries = read_toc(os.path.join(src, "toc.txt"))

    pages = sorted(f for f in os.listdir(src) if f.lower().endswith(".htm"))
    missing = [t for t in TOPICS if t + ".htm" not in pages]
    if missing:
        fail("%s lacks the topic pages %s" % (src, ", ".join(missing)))
    for kind, _, page in entries:
        if kind == "page" and page not in pages:
            fail("toc.txt names %s, which does not exist" % page)

    if os.path.isdir(args.work):
        shutil.rmtree(args.work)
    os.makedirs(args.work)
    shutil.copyfile(os.path.join(args.src, "help.css"), os.path.join(args.work, "help.css"))

    index = {}
    for page in pages:
        keywords, title = stage_page(os.path.join(src, page), os.path.join(args.work, page))
        for k in keywords:
            index.setdefault(k, []).append((title, page))

    write_hhc(os.path.join(args.work, "toc.hhc"), entries)
    write_hhk(os.path.join(args.work, "index.hhk"), index)

    chm_name = args.lang + ".chm"
    hhp = ["[OPTIONS]",
           "Compatibility=1.1 or later",
           "Compiled file=" + chm_name,
           "Contents file=toc.hhc",
           "Index file=index.hhk",
           "Default topic=index.htm",
           "Display compile progress=No",
           "Full-text search=Yes",
           "Language=" + meta["language"],
           "Title=" + meta["title"],
           "",
           "[FILES]"] + pages + ["help.css", "", "[ALIAS]"]
    hhp += ["IDH_%s=%s" % (p[:-4], p) for p in sorted(CONTEXT_IDS)]
    hhp += ["", "[MAP]"]
    hhp += ["#define IDH_%s %d" % (p[:-4], n) for p, n in sorted(CONTEXT_IDS.items())]
    with open(os.path.join(args.work, args.lang + ".hhp"), "wb") as f:
        f.write(to_codepage("\r\n".join(hhp) + "\r\n"))

    target = os.path.join(args.work, chm_name)
    proc = subprocess.run([args.chmcmd, args.lang + ".hhp"], cwd=args.work,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, universal_newlines=True)
    if proc.returncode != 0 or not os.path.isfile(target) or os.path.getsize(target) == 0:
        sys.stderr.write(proc.stdout)
        fail("chmcmd did not compile %s" % target)
    if "rror" in proc.stdout:
        sys.stderr.write(proc.stdout)
        fail("chmcmd reported errors for %s" % target)
    contexts = [(CONTEXT_IDS[p], p) for p in pages if p in CONTEXT_IDS]
    if contexts:
        fix_context_table(target, os.path.realpath(args.work) + "/", contexts)
    os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
    shutil.copyfile(target, args.out)


if __name__ == "__main__":
    main()
