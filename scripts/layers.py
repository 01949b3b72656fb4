#!/usr/bin/env python3
"""The program's layers as cmake/layers.cmake declares them, read for the
scripts and tests that need them without a build: one quorlin_library() call
per folder, from the bottom up, with its files and the folders it USES.

    scripts/layers.py include-graph

prints the picture of which folder includes which, as a Mermaid graph
(docs/LAYERS.md holds it): one arrow per pair of folders, labelled with the
number of include lines, from the includer to the folder it includes. An
include of a folder that the includer does not use (which the build refuses)
is told on the standard error, and the exit status is 1. Reads the sources
only; leaves nothing behind.
"""

import dataclasses
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
DECLARATIONS = ROOT / "cmake" / "layers.cmake"
KEYWORDS = ("PORTABLE", "WIN32", "USES", "IMPORTS")


@dataclasses.dataclass
class Layer:
    folder: str
    line: int
    portable: list = dataclasses.field(default_factory=list)
    win32: list = dataclasses.field(default_factory=list)
    uses: list = dataclasses.field(default_factory=list)
    imports: list = dataclasses.field(default_factory=list)


def read_layers(path=DECLARATIONS):
    """The layers declared in `path`, bottom first. Raises ValueError, naming
    the line, for a declaration this reader cannot take as the build does."""
    text = path.read_text(encoding="utf-8")
    # Comments run from '#' to the end of the line; the declarations hold no
    # quoted arguments, in which a '#' would be text.
    code = re.sub(r"#[^\n]*", "", text)
    layers = []
    for call in re.finditer(r"^quorlin_library\s*\(([^()]*)\)", code, re.MULTILINE):
        line = code.count("\n", 0, call.start()) + 1
        words = call.group(1).split()
        where = f"{path.name}:{line}"
        odd = [w for w in words if not re.fullmatch(r"[A-Za-z0-9_.+-]+", w)]
        if odd:
            raise ValueError(f"{where}: quorlin_library() takes plain names only, not {odd[0]}")
        if not words or words[0] in KEYWORDS:
            raise ValueError(f"{where}: quorlin_library() without a folder")
        layer = Layer(words[0], line)
        into = None
        for word in words[1:]:
            if word in KEYWORDS:
                into = getattr(layer, word.lower())
            elif into is None:
                raise ValueError(f"{where}: {word} before PORTABLE, WIN32, USES or IMPORTS")
            else:
                into.append(word)
        declared = [earlier.folder for earlier in layers]
        if layer.folder in declared:
            raise ValueError(f"{where}: {layer.folder} is declared twice")
        for used in layer.uses:
            if used not in declared:
                raise ValueError(f"{where}: {layer.folder} uses {used}, not declared before it")
        layers.append(layer)
    if not layers:
        raise ValueError(f"{path.name}: no quorlin_library() declarations")
    return layers


def include_counts(layers, root=ROOT):
    """{(from, to): number of lines '#include "to/...' in from's .h and .cpp
    files}, for every two declared folders with at least one."""
    counts = {}
    folders = [layer.folder for layer in layers]
    for source in folders:
        files = sorted((root / source).glob("*.h")) + sorted((root / source).glob("*.cpp"))
        for file in files:
            for text in file.read_text(encoding="utf-8").splitlines():
                found = re.match(r'#include "([^/"]+)/', text)
                if found and found.group(1) in folders and found.group(1) != source:
                    key = (source, found.group(1))
                    counts[key] = counts.get(key, 0) + 1
    return counts


def include_graph(layers, counts):
    """The Mermaid picture of `counts`, the top layer first."""
    order = [layer.folder for layer in reversed(layers)]
    lines = ["```mermaid", "graph TD"]
    for source in order:
        for target in order:
            if (source, target) in counts:
                lines.append(f"  {source} -->|{counts[source, target]}| {target}")
    lines.append("```")
    return "\n".join(lines) + "\n"


def main(argv):
    if argv[1:] != ["include-graph"]:
        print("usage: scripts/layers.py include-graph", file=sys.stderr)
        return 2
    try:
        layers = read_layers()
    except (OSError, ValueError) as error:
        print(f"layers: {error}", file=sys.stderr)
        return 1
    counts = include_counts(layers)
    sys.stdout.write(include_graph(layers, counts))
    uses = {layer.folder: layer.uses for layer in layers}
    wrong = [(s, t) for (s, t) in counts if t not in uses[s]]
    for source, target in wrong:
        print(f"layers: {source}/ includes {target}/, which it does not use", file=sys.stderr)
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
