#!/usr/bin/env python3
"""Writes a deterministic, realistic firmware tree for the benchmark.

    gen_tree.py DIR [--files N] [--size-mb MB] [--seed S]
        a tree of N C files of MB megabytes in all under DIR/src, and
        DIR/files.txt listing them (paths relative to DIR, one a line)
    gen_tree.py DIR --single MB [--seed S]
        one C file of MB megabytes, DIR/big.c, and DIR/files.txt

The same arguments give the same bytes on every machine. The text is C as
firmware is written: functions with loops and conditions, // and block
comments, preprocessor lines, string literals with escapes, and about one
trace point every 30 to 60 lines in every form the tool knows (the trace
macros in both cases, 11 to 15, the legacy forms, TRACE_RESET, heads over
several lines and with odd spacing). About one file in eight has CR LF line
ends. Every trace point has the number 0, so a first run changes every file.

The text stays within what converts without an error: trace macro names
appear only as trace points (never in ordinary strings or block comments),
string literals stay on one line, there are no "//" inside trace point heads
and no double quotes in comments or character constants.
"""
import argparse
import os
import random

CATEGORIES = ["knl", "ata", "uart", "net", "usb", "pwr", "mem", "fs", "dbg", "dma"]
WORDS = ("buffer state queue device register timer clock frame packet entry index count "
         "status flags value offset length config channel request reply error retry "
         "lock slot page block sector vector handler irq mask mode port link power "
         "table cache mapping descriptor ring head tail window limit budget").split()
TYPES = ["int", "unsigned", "uint32_t", "uint16_t", "uint8_t", "size_t", "long", "char"]
ESCAPES = ["\\n", "\\t", "\\\\", "\\r", "\\x1b", "\\033", "\\0", "\\'", "\\a", "%%"]
FORMATS = ["%d", "%u", "%x", "%08x", "%s", "%p", "%ld", "%c", "%5.2f", "%-4d"]


class Gen:
    def __init__(self, rng):
        self.r = rng
        self.since_trace = 0
        self.next_gap = rng.randint(30, 60)

    def word(self):
        return self.r.choice(WORDS)

    def ident(self):
        r = self.r
        n = r.randint(1, 3)
        return "_".join(r.choice(WORDS) for _ in range(n))

    def words(self, lo, hi):
        return " ".join(self.word() for _ in range(self.r.randint(lo, hi)))

    def text(self, lo, hi, fmt=False):
        """Text for a string literal: words, escapes and (for formats) conversions."""
        r = self.r
        parts = []
        for _ in range(r.randint(lo, hi)):
            x = r.random()
            if x < 0.15:
                parts.append(r.choice(ESCAPES))
            elif fmt and x < 0.35:
                parts.append(r.choice(FORMATS))
            else:
                parts.append(self.word())
        s = " ".join(parts)
        if r.random() < 0.3:
            s += r.choice(["\\n", ": ", "...", " =", "\\r\\n"])
        return s

    def expr(self):
        r = self.r
        x = r.random()
        a = self.ident()
        if x < 0.3:
            return "%s + %d" % (a, r.randint(0, 4096))
        if x < 0.5:
            return "(%s & 0x%04x) >> %d" % (a, r.randint(0, 0xFFFF), r.randint(1, 15))
        if x < 0.7:
            return "%s->%s[%s]" % (self.word(), self.word(), self.word())
        if x < 0.85:
            return "%s(%s, %d)" % (self.ident(), self.word(), r.randint(0, 99))
        return "sizeof(struct %s) * %s" % (self.word(), self.word())

    def trace_point(self, ind):
        """One trace point statement, as one or more lines."""
        r = self.r
        cat = r.choice(CATEGORIES)
        lvl = str(r.randint(0, 9))
        if r.random() < 0.05:
            lvl = "0" + lvl
        x = r.random()
        if x < 0.02:
            return [ind + "TRACE_RESET();"]
        if x < 0.12:
            n = r.randint(0, 5)
            name = "TRACE_POINT" + ("" if n == 0 else str(n))
            args = "".join(", " + self.word() for _ in range(n))
            return [ind + '%s(ID_%s, MOD_%s, SEV_%d, "%s"%s);' %
                    (name, self.word().upper(), self.word().upper(), r.randint(0, 3),
                     self.text(1, 6, True), args)]
        n = r.choice([0, 1, 2, 3, 4, 5, 0, 1, 2, 3, 11, 12, 13, 14, 15])
        name = ("TRACE" if r.random() < 0.6 else "trace") + str(n)
        argc = n if n <= 5 else n - 10
        args = "".join(", " + r.choice([self.word(), self.expr()]) for _ in range(argc))
        fmt = '"%s"' % self.text(1, 8, True)
        num = str(r.choice([0, 0, 0, r.randint(1, 5000)]))
        y = r.random()
        if y < 0.70:
            return [ind + "%s(%s, %s, %s, %s%s);" % (name, num, cat, lvl, fmt, args)]
        if y < 0.85:
            return [ind + "%s (%s,%s,  %s ,\t%s%s);" % (name, num, cat, lvl, fmt, args)]
        # A head over several lines.
        return [ind + "%s(%s," % (name, num),
                ind + "       %s, %s," % (cat, lvl),
                ind + "       %s%s);" % (fmt, args)]

    def statement(self, ind, depth):
        r = self.r
        x = r.random()
        if x < 0.30:
            return [ind + "%s = %s;" % (self.ident(), self.expr())]
        if x < 0.40:
            return [ind + "%s = %s; // %s" % (self.ident(), self.expr(), self.words(2, 8))]
        if x < 0.47:
            return [ind + "// " + self.words(3, 12)]
        if x < 0.52:
            return [ind + "%s(%s); /* %s */" % (self.ident(), self.word(), self.words(1, 5))]
        if x < 0.62:
            return [ind + 'log_printf(LOG_%s, "%s", %s);' %
                    (self.word().upper(), self.text(2, 9, True), self.word())]
        if x < 0.66:
            return [ind + "%s = '%s';" % (self.ident(), r.choice(["a", "\\n", "\\\\", "\\0", "x", "\\t"]))]
        if x < 0.70:
            return [ind + 'strcpy(%s, "%s");' % (self.word(), self.text(1, 5))]
        if depth < 3 and x < 0.80:
            body = self.block(ind + "    ", depth + 1, 2, 6)
            return [ind + "if (%s != %d) {" % (self.ident(), r.randint(0, 255))] + body + [ind + "}"]
        if depth < 3 and x < 0.88:
            body = self.block(ind + "    ", depth + 1, 2, 6)
            return [ind + "for (%s = 0; %s < %s; %s++) {" % ("i", "i", self.ident().upper(), "i")] + body + [ind + "}"]
        if depth < 3 and x < 0.92:
            body = self.block(ind + "    ", depth + 1, 1, 4)
            return [ind + "while (%s-- > 0) {" % self.ident()] + body + [ind + "}"]
        if x < 0.96:
            return [ind + "%s %s = %s;" % (r.choice(TYPES), self.ident(), self.expr())]
        return [""]

    def block(self, ind, depth, lo, hi):
        lines = []
        for _ in range(self.r.randint(lo, hi)):
            if self.since_trace >= self.next_gap:
                t = self.trace_point(ind)
                self.since_trace = 0
                self.next_gap = self.r.randint(30, 60)
            else:
                t = self.statement(ind, depth)
            self.since_trace += len(t)
            lines += t
        return lines

    def function(self):
        r = self.r
        lines = ["/*", " * %s - %s" % (self.ident(), self.words(4, 12))]
        for _ in range(r.randint(0, 3)):
            lines.append(" * " + self.words(4, 12))
        lines.append(" */")
        params = ", ".join("%s %s" % (r.choice(TYPES), self.ident()) for _ in range(r.randint(0, 3))) or "void"
        lines.append("%s%s %s(%s)" % (r.choice(["", "static ", "static inline "]), r.choice(TYPES), self.ident(), params))
        lines.append("{")
        lines.append("    int i = 0;")
        lines += self.block("    ", 0, 4, 14)
        lines.append("    return %s;" % self.ident())
        lines.append("}")
        lines.append("")
        return lines

    def header(self, name):
        r = self.r
        lines = ["/*", " * %s - %s" % (name, self.words(3, 8)),
                 " * Copyright (c) 20%02d Example Systems. All rights reserved." % r.randint(0, 25), " */",
                 "#include <stdint.h>", "#include <string.h>", '#include "trace.h"',
                 '#include "%s.h"' % self.word(), ""]
        for _ in range(r.randint(1, 6)):
            lines.append("#define %s_%s %s" % (self.word().upper(), self.word().upper(),
                                              r.choice([str(r.randint(0, 9999)), "0x%x" % r.randint(0, 0xFFFF),
                                                        "(%s)" % self.expr()])))
        lines.append("")
        return lines


def write_file(path, gen, size, crlf):
    eol = "\r\n" if crlf else "\n"
    out = []
    total = 0
    for line in gen.header(os.path.basename(path)):
        out.append(line + eol)
        total += len(line) + len(eol)
    while total < size:
        for line in gen.function():
            out.append(line + eol)
            total += len(line) + len(eol)
    with open(path, "w", encoding="ascii", newline="") as f:
        f.write("".join(out))


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("dir")
    ap.add_argument("--files", type=int, default=2000)
    ap.add_argument("--size-mb", type=float, default=100.0)
    ap.add_argument("--single", type=float, metavar="MB", help="one file of MB megabytes")
    ap.add_argument("--seed", type=int, default=1)
    a = ap.parse_args()
    rng = random.Random(a.seed)
    gen = Gen(rng)
    os.makedirs(a.dir, exist_ok=True)
    names = []
    if a.single is not None:
        write_file(os.path.join(a.dir, "big.c"), gen, int(a.single * 1e6), False)
        names.append("big.c")
    else:
        dirs = ["kernel", "drivers/ata", "drivers/uart", "drivers/usb", "net", "fs", "power", "mm", "boot", "lib"]
        avg = a.size_mb * 1e6 / a.files
        for i in range(a.files):
            d = os.path.join("src", dirs[i % len(dirs)])
            os.makedirs(os.path.join(a.dir, d), exist_ok=True)
            name = os.path.join(d, "%s_%04d.c" % (rng.choice(WORDS), i))
            write_file(os.path.join(a.dir, name), gen, int(avg * rng.uniform(0.4, 1.6)), rng.random() < 0.125)
            names.append(name)
    with open(os.path.join(a.dir, "files.txt"), "w") as f:
        f.write("".join(n + "\n" for n in names))


if __name__ == "__main__":
    main()
