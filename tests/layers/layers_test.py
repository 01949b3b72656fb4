#!/usr/bin/env python3
"""Checks that the build refuses an include the layers do not declare. The
layers come from cmake/layers.cmake, the declaration the build made its views
from (read by scripts/layers.py). Each folder's view must link exactly the
folder and those it uses; and code of each folder, compiled with that
folder's include path, can include a header of itself and of every folder it
uses, and cannot include one of any other folder.

    layers_test.py CXX LAYERS      (LAYERS: the build's layers folder)
"""

import pathlib
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "scripts"))
sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import layers  # noqa: E402


def portable_header(folder):
    """The first header of `folder` that is no Win32 adapter's, as an include
    names it, or None."""
    for header in sorted((ROOT / folder).glob("*.h")):
        if not header.name.endswith("_win.h"):
            return f"{folder}/{header.name}"
    return None


def main(cxx, views):
    declared = layers.read_layers()
    failures = []
    headers = {layer.folder: portable_header(layer.folder) for layer in declared}
    for folder, header in headers.items():
        if header is None:
            failures.append(f"{folder}/ has no portable header to include")
    with tempfile.TemporaryDirectory() as work:
        probe = pathlib.Path(work) / "probe.cpp"
        for layer in declared:
            view = pathlib.Path(views) / layer.folder
            sees = {layer.folder, *layer.uses}
            linked = {entry.name for entry in view.iterdir()} if view.is_dir() else set()
            if linked != sees:
                failures.append(f"the view of {layer.folder}/ links {sorted(linked)}, "
                                f"not {sorted(sees)}")
            for other, header in headers.items():
                if header is None:
                    continue
                probe.write_text(f'#include "{header}"\n')
                run = subprocess.run([cxx, "-std=c++20", "-E", "-o", "/dev/null", f"-I{view}",
                                      str(probe)], capture_output=True, text=True)
                if other in sees and run.returncode != 0:
                    failures.append(f"{layer.folder}/ cannot include {header}:\n{run.stderr}")
                elif other not in sees and run.returncode == 0:
                    failures.append(f"{layer.folder}/ can include {header}, of a folder it "
                                    f"does not use")
                elif other not in sees and "No such file" not in run.stderr:
                    failures.append(f"{layer.folder}/ including {header} failed otherwise:\n"
                                    f"{run.stderr}")
    for failure in failures:
        print(failure, file=sys.stderr)
    if failures:
        print(f"{len(failures)} include checks failed", file=sys.stderr)
        return 1
    print(f"each of the {len(declared)} folders includes what it uses only")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
