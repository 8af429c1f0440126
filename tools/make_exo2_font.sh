#!/usr/bin/env bash
# Builds assets/fonts/Exo2-Bold.ttf from the Fontsource web-font subsets of Exo 2
# (Latin + Cyrillic, weight 700) and copies its OFL licence next to it.
# Usage: tools/make_exo2_font.sh [output-dir]   (default: assets/fonts)
set -euo pipefail

PKG="@fontsource/exo-2@5.3.0"
REPO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
OUT_DIR="${1:-$REPO_ROOT/assets/fonts}"
mkdir -p "$OUT_DIR"
OUT_DIR="$(cd "$OUT_DIR" && pwd)"

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

(cd "$WORK" && npm pack --silent "$PKG" >/dev/null && tar xzf ./*.tgz)
SRC="$WORK/package"

# Debian's python3-fonttools; the pyenv interpreter may not have it.
/usr/bin/python3 - "$SRC" "$OUT_DIR/Exo2-Bold.ttf" <<'PY'
import os
import sys

from fontTools.merge import Merger
from fontTools.ttLib import TTFont

src, out = sys.argv[1], sys.argv[2]
tmp = os.path.dirname(src)

subsets = ["latin", "cyrillic"]
ttfs = []
stamps = None
for name in subsets:
    font = TTFont(os.path.join(src, "files", f"exo-2-{name}-700-normal.woff"), recalcTimestamp=False)
    font.flavor = None
    stamps = stamps or (font["head"].created, font["head"].modified)
    path = os.path.join(tmp, f"exo2-{name}.ttf")
    font.save(path)
    ttfs.append(path)

# Latin goes first so shared glyphs (space, punctuation) keep the Latin outlines.
merged = Merger().merge(ttfs)
# The merger stamps the current time; keep upstream's so reruns are byte-identical.
merged["head"].created, merged["head"].modified = stamps
merged.recalcTimestamp = False

names = {
    1: "Exo 2",
    2: "Bold",
    4: "Exo 2 Bold",
    6: "Exo2-Bold",
    16: "Exo 2",
    17: "Bold",
}
name_table = merged["name"]
for name_id, value in names.items():
    if name_id in (16, 17) and name_table.getName(name_id, 3, 1, 0x409) is None:
        continue
    name_table.setName(value, name_id, 3, 1, 0x409)
    if name_table.getName(name_id, 1, 0, 0) is not None:
        name_table.setName(value, name_id, 1, 0, 0)
merged.save(out)

# Everything the game renders: printable ASCII, the Cyrillic block, en/em dash, multiplication sign.
wanted = set(range(32, 127)) | set(range(0x400, 0x460)) | {0x2014, 0x2013, 0xD7}
cmap = TTFont(out).getBestCmap()
missing = sorted(wanted - set(cmap))
if missing:
    print("missing codepoints:", " ".join(f"U+{cp:04X}" for cp in missing), file=sys.stderr)
    sys.exit(1)
print(f"{out}: {len(wanted)}/{len(wanted)} required codepoints present ({len(cmap)} mapped in total)")
PY

cp "$SRC/LICENSE" "$OUT_DIR/Exo2-OFL.txt"
echo "$OUT_DIR/Exo2-OFL.txt: licence copied from $PKG"
