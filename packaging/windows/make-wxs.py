#!/usr/bin/env python3
"""Writes the WiX source of the Taviro Start installer from an install folder: every file the
folder holds, installed per machine into Program Files\\Taviro Start, a Start-menu shortcut for
the editor when the folder holds it, the installation folder recorded for Windows Installer and
the Uninstall registry key (ARPINSTALLLOCATION), and a fixed upgrade code, so that a newer
version replaces an older one. Build the MSI with "wixl -a x64" from inside the folder.

    make-wxs.py FOLDER --version X.Y.Z [--output FILE]
"""

import argparse
import hashlib
import sys
import uuid
from pathlib import Path
from xml.sax.saxutils import quoteattr

PRODUCT = "Taviro Start"
MANUFACTURER = "Taviro Start developers"
# Never changes: Windows Installer recognises every version of the product by it.
UPGRADE_CODE = "{5D0E7C1A-3B64-4F2E-9A87-1C4B2E6F0D39}"
# Component GUIDs are derived from the file's path, so that the same file keeps its component
# from one version to the next, as Windows Installer's component rules ask.
COMPONENT_NAMESPACE = uuid.UUID("8f3b2c71-5e0a-4d6b-9c1e-2a7f4b8d6e05")
EDITOR = "taviro-start.exe"


def identifier(prefix, relative):
    """A WiX identifier for a path: letters, digits and underscores, at most 72 characters."""
    return prefix + hashlib.sha1(relative.encode("utf-8")).hexdigest()[:32]


def component_guid(relative):
    return "{" + str(uuid.uuid5(COMPONENT_NAMESPACE, relative.lower())).upper() + "}"


def product_version(text):
    parts = text.split(".")
    if not 1 <= len(parts) <= 4 or not all(p.isdigit() for p in parts):
        sys.exit(f"make-wxs: {text!r} is not a version like 1.2.3")
    # Windows Installer compares three fields; 0.1 and 0.1.0 are the same version.
    return ".".join((parts + ["0", "0"])[:3])


def write_folder(out, folder, root, depth, components):
    indent = "  " * depth
    for entry in sorted(folder.iterdir(), key=lambda p: p.name.lower()):
        relative = entry.relative_to(root).as_posix()
        if entry.is_dir():
            out.append(f'{indent}<Directory Id="{identifier("d", relative)}" '
                       f"Name={quoteattr(entry.name)}>")
            write_folder(out, entry, root, depth + 1, components)
            out.append(f"{indent}</Directory>")
            continue
        component = identifier("c", relative)
        components.append(component)
        out.append(f'{indent}<Component Id="{component}" Guid="{component_guid(relative)}" '
                   'Win64="yes">')
        out.append(f'{indent}  <File Id="{identifier("f", relative)}" '
                   f'Source={quoteattr(relative)} KeyPath="yes" />')
        out.append(f"{indent}</Component>")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder", type=Path)
    parser.add_argument("--version", required=True)
    parser.add_argument("--output", type=Path)
    args = parser.parse_args()
    if not args.folder.is_dir():
        sys.exit(f"make-wxs: no folder {args.folder}")
    version = product_version(args.version)

    tree = []
    components = []
    write_folder(tree, args.folder, args.folder, 5, components)
    if not components:
        sys.exit(f"make-wxs: {args.folder} is empty")
    has_editor = (args.folder / EDITOR).is_file()
    # The shortcut lives in a component of the Start-menu folder of its own, so that the folder
    # goes with it (wixl's RemoveFolder knows only the folder of its component).
    menu = (f'      <Directory Id="ProgramMenuFolder">\n'
            f'        <Directory Id="ProgramMenuDir" Name={quoteattr(PRODUCT)}>\n'
            f'          <Component Id="EditorShortcut" Guid="{component_guid("shortcut")}" '
            'Win64="yes">\n'
            f'            <Shortcut Id="EditorShortcut" Name={quoteattr(PRODUCT)} '
            f'Target="[INSTALLDIR]{EDITOR}" WorkingDirectory="INSTALLDIR" />\n'
            '            <RemoveFolder Id="RemoveProgramMenuDir" On="uninstall" />\n'
            f'            <RegistryValue Root="HKLM" Key="Software\\{PRODUCT}" '
            'Name="StartMenuShortcut" Type="integer" Value="1" KeyPath="yes" />\n'
            '          </Component>\n'
            '        </Directory>\n'
            '      </Directory>\n') if has_editor else ""
    if has_editor:
        components.append("EditorShortcut")
    refs = "\n".join(f'      <ComponentRef Id="{c}" />' for c in components)
    text = f"""<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name={quoteattr(PRODUCT)} Language="1033" Version="{version}"
           Manufacturer={quoteattr(MANUFACTURER)} UpgradeCode="{UPGRADE_CODE}">
    <Package InstallerVersion="500" Compressed="yes" InstallScope="perMachine"
             Description={quoteattr(PRODUCT + " " + version)} />
    <Media Id="1" Cabinet="product.cab" EmbedCab="yes" />
    <MajorUpgrade DowngradeErrorMessage="A newer version of {PRODUCT} is already installed." />
    <Property Id="ARPNOMODIFY" Value="1" />
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFiles64Folder">
        <Directory Id="INSTALLDIR" Name={quoteattr(PRODUCT)}>
{chr(10).join(tree)}
        </Directory>
      </Directory>
{menu}    </Directory>
    <!-- Windows Installer keeps no installation folder of its own; the uninstaller finds the
         product by this one (InstallLocation). -->
    <CustomAction Id="SetInstallLocation" Property="ARPINSTALLLOCATION" Value="[INSTALLDIR]" />
    <InstallExecuteSequence>
      <!-- Right after CostFinalize (1000), once INSTALLDIR is resolved; wixl does not place
           actions by name. -->
      <Custom Action="SetInstallLocation" Sequence="1001" />
    </InstallExecuteSequence>
    <Feature Id="Complete" Level="1">
{refs}
    </Feature>
  </Product>
</Wix>
"""
    if args.output:
        args.output.write_text(text, encoding="utf-8")
    else:
        sys.stdout.write(text)
    if not has_editor:
        print(f"make-wxs: no {EDITOR} in {args.folder}: no Start-menu shortcut", file=sys.stderr)


if __name__ == "__main__":
    main()
