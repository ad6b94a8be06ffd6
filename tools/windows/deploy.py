#!/usr/bin/env python3
"""Makes a Windows install folder self-contained: every DLL the programs import (found in the
given folders, followed until nothing new is needed), the Qt plugins of the Qt libraries they
use, Qt's translations, and a qt.conf that points Qt at the folder's own plugins/ and
translations/.

    deploy.py FOLDER --dlls DIR [--dlls DIR ...] --plugins DIR
              --plugin Qt6Gui.dll:platforms/qwindows.dll ...
              [--translations DIR --translation NAME.qm ...] [--strip STRIP]

An imported DLL found in none of the folders must be one that Windows itself provides; any other
is an error, and so is a damaged file (pe.py), so that a missing or broken DLL fails the build and
not the user's first start.
"""

import argparse
import re
import shutil
import subprocess
import sys
from pathlib import Path

from pe import PeFile

# DLLs that every Windows has; programs import them from the system folder.
SYSTEM_DLLS = re.compile(
    r"^(api-ms-win-.*|ext-ms-.*|advapi32|authz|bcrypt|cfgmgr32|comctl32|comdlg32|crypt32|d2d1|"
    r"d3d9|d3d11|d3d12|dcomp|dnsapi|dwmapi|dwrite|dxgi|gdi32|hid|imm32|iphlpapi|kernel32|mpr|"
    r"msi|msvcrt|ncrypt|netapi32|ntdll|ole32|oleaut32|opengl32|rpcrt4|secur32|setupapi|shcore|"
    r"shell32|shlwapi|user32|userenv|usp10|uxtheme|version|winhttp|winmm|winspool\.drv|"
    r"wtsapi32|ws2_32)(\.dll)?$",
    re.IGNORECASE,
)

QT_CONF = "[Paths]\r\nPrefix = .\r\nPlugins = plugins\r\nTranslations = translations\r\n"


def find(name, folders):
    for folder in folders:
        for candidate in folder.iterdir():
            if candidate.name.lower() == name.lower():
                return candidate
    return None


class Deployment:
    """The DLLs of a folder's programs and libraries, copied in until nothing is missing."""

    def __init__(self, folder, dll_folders, strip):
        self.folder = folder
        self.dll_folders = dll_folders
        self.strip = strip
        self.present = {p.name.lower() for p in folder.iterdir() if p.is_file()}
        self.missing = set()
        self.damaged = []

    def add(self, files):
        pending = list(files)
        while pending:
            file = PeFile(pending.pop())
            if reason := file.damage():
                self.damaged.append(f"{file.path}: {reason}")
                continue
            for name in file.imports():
                if name.lower() in self.present or SYSTEM_DLLS.match(name):
                    continue
                source = find(name, self.dll_folders)
                if source is None:
                    self.missing.add(name)
                    continue
                target = self.folder / source.name
                shutil.copy2(source, target)
                if self.strip:
                    # The C++ runtime comes with its debugging symbols: 23 MB instead of 2.
                    subprocess.run([self.strip, "--strip-unneeded", str(target)], check=True)
                self.present.add(name.lower())
                pending.append(target)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder", type=Path)
    parser.add_argument("--dlls", type=Path, action="append", default=[])
    parser.add_argument("--plugins", type=Path, required=True)
    parser.add_argument("--plugin", action="append", default=[], metavar="MODULE:KIND/NAME.dll")
    parser.add_argument("--translations", type=Path)
    parser.add_argument("--translation", action="append", default=[])
    parser.add_argument("--strip", help="strip program for the DLLs copied in")
    args = parser.parse_args()
    folder = args.folder

    deployment = Deployment(folder, args.dlls, args.strip)
    deployment.add(p for p in folder.rglob("*") if p.suffix.lower() in (".exe", ".dll"))
    # A plugin extends one Qt library: it is needed when that library is, and may bring in
    # libraries that other plugins extend.
    plugins = dict(reversed(pair.split(":", 1)) for pair in args.plugin)
    while ready := [p for p, module in plugins.items() if module.lower() in deployment.present]:
        for plugin in ready:
            del plugins[plugin]
            source = args.plugins / plugin
            if not source.is_file():
                sys.exit(f"deploy: no Qt plugin {source}")
            target = folder / "plugins" / plugin
            target.parent.mkdir(parents=True, exist_ok=True)
            shutil.copy2(source, target)
            deployment.add([target])
    if deployment.damaged:
        sys.exit("deploy: damaged files:\n  " + "\n  ".join(deployment.damaged))
    if deployment.missing:
        sys.exit("deploy: needed but found in no DLL folder: " + ", ".join(sorted(deployment.missing)))

    if args.translation:
        if not args.translations:
            sys.exit("deploy: --translation needs --translations")
        (folder / "translations").mkdir(exist_ok=True)
        for name in args.translation:
            source = args.translations / name
            if not source.is_file():
                sys.exit(f"deploy: no Qt translation {source} (Debian package qt6-translations-l10n)")
            shutil.copy2(source, folder / "translations" / name)

    (folder / "qt.conf").write_text(QT_CONF, newline="")


if __name__ == "__main__":
    main()
