#!/usr/bin/env python3
"""Makes autorun.txt, a scenario of text lines, from a stretch of a Shift-JIS text.

Usage: make_scenario.py SOURCE FIRST LAST  (lines counted from 1, both included)

Every line of the stretch becomes one text line, as it is, with two changes that
let a run read every line rather than stop at the first fault:
  - ASCII '<' and '>' become full-width ones: the text names keys as <ESC>, which
    a text line reads as a control sequence whose letters want numbers;
  - a line whose first non-blank character would make it a command, label,
    comment, chapter, unpaged or identified line starts with a full-width space.
Brackets, parentheses and everything else stay as the text has them.
"""
import sys

source, first, last = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
lines = open(source, 'rb').read().decode('cp932').splitlines()[first - 1:last]
out = []
for line in lines:
    line = line.replace('<', '\uff1c').replace('>', '\uff1e')
    if line.lstrip(' \t')[:1] in tuple('_!:;#\\~'):
        line = '\u3000' + line
    out.append(line)
with open('autorun.txt', 'wb') as f:
    f.write(('\r\n'.join(out) + '\r\n').encode('cp932'))
