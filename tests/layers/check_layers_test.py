#!/usr/bin/env python3
"""The include check on small trees: each fault is named by file and line, and a tree whose
includes all point down passes. Usage: check_layers_test.py SCRIPT."""
import os
import subprocess
import sys
import tempfile


def run(script, files):
    with tempfile.TemporaryDirectory() as root:
        for rel, text in files.items():
            path = os.path.join(root, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as f:
                f.write(text)
        done = subprocess.run([sys.executable, script, root], capture_output=True, text=True)
        return done.returncode, done.stdout


def main():
    script = sys.argv[1]
    failures = []

    def expect(name, files, code, lines):
        got, out = run(script, files)
        if got != code:
            failures.append(f"{name}: exit {got}, wanted {code}\n{out}")
        named = sorted(l.split(": ", 1)[0] for l in out.splitlines())
        if named != sorted(lines):
            failures.append(f"{name}: named {named}, wanted {sorted(lines)}")

    downhill = {
        "view/draw.cpp": '#include "view/draw.h"\n#include "maps/mdm_map.h"\n'
                         '#include "base/lang.h"\n#include "platform/win.h"\n#include <vector>\n',
        "gps/bar.cpp": '#include "bar.h"\n#include "view/map_view.h"\n#include "base/ui/window.h"\n',
        "app/main.cpp": '#include "gps/bar.h"\n#include "edit/panel.h"\n#include "resources/ids.h"\n',
        "rasterlib/tilvex.cpp": '#include "base/text_utils.h"\n#include "platform/win.h"\n',
        "tests/maps/t.cpp": '#include "app/input.h"\n',  # tests stand on top: not checked
    }
    expect("downhill", downhill, 0, [])

    uphill = dict(downhill)
    uphill["maps/mdm_map.cpp"] = ('#include "maps/mdm_map.h"\n\n'
                                  '#include "base/text_utils.h"\n#include "view/map_view.h"\n')
    uphill["base/ui/list.cpp"] = '// a list\n  #  include "maps/symbol_draw.h"\n'
    expect("uphill", uphill, 1, ["maps/mdm_map.cpp:4", "base/ui/list.cpp:2"])

    # gps/ may use edit/ and settings/ may use gps/, never the reverse.
    expect("sibling", {"edit/panel.cpp": '#include "gps/bar.h"\n',
                       "settings/dlg.cpp": '\n#include "search/route.h"\n',
                       "gps/bar.cpp": '#include "edit/panel.h"\n#include "settings/dlg.h"\n'},
           1, ["edit/panel.cpp:1", "settings/dlg.cpp:2", "gps/bar.cpp:2"])
    # A loaded module is reached only through its one header, and only from view/ up.
    expect("beside", {"imagelib/jpeg.cpp": '#include "maps/palette.h"\n',
                      "view/raster.cpp": '#include "rasterlib/tilvex.h"\n'
                                         '#include "rasterlib/chooser.h"\n',
                      "maps/mdm_map.cpp": '#include "imagelib/pelnor.h"\n',
                      "geodesy/gk.cpp": '#include "tools/sampledata/x.h"\n'},
           1, ["imagelib/jpeg.cpp:1", "view/raster.cpp:2", "maps/mdm_map.cpp:1",
               "geodesy/gk.cpp:1"])

    for f in failures:
        print(f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
