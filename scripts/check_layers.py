#!/usr/bin/env python3
"""Checks that every quoted #include of the program's folders points down the floors.

The floors, lowest first (the design notes, "The house"; CMakeLists.txt links the libraries the
same way):

  1  platform/
  2  base/  geodesy/  resources/
  3  maps/
  4  view/
  5  gps/  edit/  search/  settings/
  6  app/

rasterlib/ and imagelib/ stand beside, on platform/ and base/; the program binds them at run
time through their one header each (MODULE_HEADERS), which view/ and above may include. A file includes its own folder
and lower floors. A folder uses a sibling on its own floor only where SIBLINGS says so, one way.
tools/, tests/ and bench/ are on top and not checked. An include without a folder ("x.h") is the
file's own folder.

Usage: check_layers.py [ROOT]. Prints one line per uphill include, "file:line: ...", and exits 1
when there is any; exits 0 when there is none.
"""
import os
import re
import sys

FLOORS = {
    "platform": 1,
    "base": 2, "geodesy": 2, "resources": 2,
    "maps": 3,
    "view": 4,
    "gps": 5, "edit": 5, "search": 5, "settings": 5,
    "app": 6,
}
# Folders beside the floors: what each may include besides itself.
BESIDE = {
    "rasterlib": {"platform", "base"},
    "imagelib": {"platform", "base"},
}
# (user, used): a folder that may include a sibling on its own floor. Never both ways.
# gps/ runs the type dialog and the attribute form of edit/ from its point dialogs; the settings
# pages drive the receiver and the almanac of gps/.
SIBLINGS = {("gps", "edit"), ("settings", "gps")}
# The one header of each loaded module: the C interface the program binds at run time (the
# module itself is never linked). Any floor from view/ up may include it.
MODULE_HEADERS = {"imagelib/pelnor.h", "rasterlib/tilvex.h"}

CHECKED = list(FLOORS) + list(BESIDE)
SOURCE = (".h", ".hpp", ".cpp", ".cc", ".c", ".inc")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def allowed(user, used, header=""):
    """None when `user` may include from `used`, else the reason it may not."""
    if used == user:
        return None
    if header in MODULE_HEADERS and user in FLOORS and FLOORS[user] >= FLOORS["view"]:
        return None
    if user in BESIDE:
        return None if used in BESIDE[user] else f"{used}/ is not below {user}/"
    if used in BESIDE:
        return f"{used}/ is a loaded module beside the floors"
    if used not in FLOORS:
        return f"{used}/ is not a program folder below {user}/"
    a, b = FLOORS[user], FLOORS[used]
    if b < a:
        return None
    if b > a:
        return f"{used}/ (floor {b}) is above {user}/ (floor {a})"
    if (user, used) in SIBLINGS:
        return None
    return f"{used}/ is a sibling of {user}/ on floor {a} that {user}/ may not use"


def check(root):
    faults = []
    for top in CHECKED:
        base = os.path.join(root, top)
        if not os.path.isdir(base):
            continue
        for folder, dirs, files in os.walk(base):
            dirs.sort()
            for name in sorted(files):
                if not name.endswith(SOURCE):
                    continue
                path = os.path.join(folder, name)
                rel = os.path.relpath(path, root)
                with open(path, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if not m or "/" not in m.group(1):
                            continue
                        used = m.group(1).split("/", 1)[0]
                        reason = allowed(top, used, m.group(1))
                        if reason:
                            faults.append(f'{rel}:{number}: includes "{m.group(1)}": {reason}')
    return faults


def main(argv):
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    faults = check(os.path.abspath(root))
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} include(s) point uphill", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
