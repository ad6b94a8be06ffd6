#!/usr/bin/env python3
"""Writes the WiX source of the Taviro Start installer from an install folder: every file the
folder holds, installed per machine into Program Files\\Taviro Start; a Start-menu shortcut for
the editor, with the programs' icon, when the folder holds it; Taviro Start offered in "Open with"
for .json program files (never made their default program); the installation folder recorded
for Windows Installer and the Uninstall registry key (ARPINSTALLLOCATION), the icon, the help
and "about" links in Apps & features; and a fixed upgrade code: a newer version, or a rebuild of
the same one, replaces what is installed, an older one is refused. Before files are replaced or
removed the programs running from the folder are asked to close (the close helper, a custom
action), as Windows' Restart Manager asks them where it acts.

wixl cannot say everything a package needs, so the script also writes SQL statements that
finish the MSI that wixl built (msibuild MSI -q STATEMENT, one per line): the File table's
versions, read from each program's and library's version resource, and the upper bound of the
upgrade range taken as inclusive.

    make-wxs.py FOLDER --version X.Y.Z --icon FILE.ico --close-helper FILE.dll
                [--homepage URL] [--output FILE.wxs] [--finish FILE.sql]
"""

import argparse
import hashlib
import os
import sys
import uuid
from pathlib import Path
from xml.sax.saxutils import quoteattr

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools" / "windows"))
from pe import PeFile  # noqa: E402

PRODUCT = "Taviro Start"
MANUFACTURER = "Taviro Start developers"
DESCRIPTION = "Program a robot controller by stacking command tiles"
# Never changes: Windows Installer recognises every version of the product by it.
UPGRADE_CODE = "{5D0E7C1A-3B64-4F2E-9A87-1C4B2E6F0D39}"
# Component GUIDs are derived from the file's path, so that the same file keeps its component
# from one version to the next, as Windows Installer's component rules ask.
COMPONENT_NAMESPACE = uuid.UUID("8f3b2c71-5e0a-4d6b-9c1e-2a7f4b8d6e05")
EDITOR = "taviro-start.exe"
ICON = "TaviroStart.ico"
# The programmatic identifier under which "Open with" lists the editor for program files.
PROG_ID = "TaviroStart.Program"
# Set by FindRelatedProducts: an installed copy to replace, or a newer one that refuses this.
OLDER_FOUND = "TAVIRO_OLDER_FOUND"
NEWER_FOUND = "TAVIRO_NEWER_FOUND"
# Upgrade table attributes: migrate features, lower and upper bound inclusive.
REPLACE_ATTRIBUTES = 1 | 0x100 | 0x200


def identifier(prefix, relative):
    """A WiX identifier for a path: letters, digits and underscores, at most 72 characters."""
    return prefix + hashlib.sha1(relative.encode("utf-8")).hexdigest()[:32]


def component_guid(relative):
    return "{" + str(uuid.uuid5(COMPONENT_NAMESPACE, relative.lower())).upper() + "}"


def product_version(text):
    """The ProductVersion for a version text, or an error: Windows Installer compares the first
    three fields (at most 255.255.65535) and ignores a fourth, so two builds that differ only
    there would be taken for the same version."""
    parts = text.split(".")
    if not 1 <= len(parts) <= 3 or not all(p.isdigit() for p in parts):
        raise ValueError(f"{text!r} is not a version Windows Installer can compare: give one to "
                         "three numbers, like 1.2.3 (a fourth would be ignored in upgrades)")
    numbers = [int(p) for p in parts] + [0] * (3 - len(parts))
    for number, limit, name in zip(numbers, (255, 255, 65535), ("major", "minor", "build")):
        if number > limit:
            raise ValueError(f"{text!r}: the {name} number {number} is larger than Windows "
                             f"Installer's {limit}")
    return ".".join(str(n) for n in numbers)


def sql_text(value):
    return "'" + value.replace("'", "''") + "'"


def write_folder(out, folder, root, depth, components, versions):
    indent = "  " * depth
    for entry in sorted(folder.iterdir(), key=lambda p: p.name.lower()):
        relative = entry.relative_to(root).as_posix()
        if entry.is_dir():
            out.append(f'{indent}<Directory Id="{identifier("d", relative)}" '
                       f"Name={quoteattr(entry.name)}>")
            write_folder(out, entry, root, depth + 1, components, versions)
            out.append(f"{indent}</Directory>")
            continue
        component = identifier("c", relative)
        file_id = identifier("f", relative)
        components.append(component)
        if entry.suffix.lower() in (".exe", ".dll"):
            if version := PeFile(entry).version():
                versions[file_id] = version
        out.append(f'{indent}<Component Id="{component}" Guid="{component_guid(relative)}" '
                   'Win64="yes">')
        out.append(f'{indent}  <File Id="{file_id}" Source={quoteattr(relative)} KeyPath="yes" />')
        out.append(f"{indent}</Component>")


def editor_parts(editor_file):
    """The Start-menu shortcut and the "Open with" registration of the editor."""
    # The shortcut lives in a component of the Start-menu folder of its own, so that the folder
    # goes with it (wixl's RemoveFolder knows only the folder of its component).
    menu = f"""      <Directory Id="ProgramMenuFolder">
        <Directory Id="ProgramMenuDir" Name={quoteattr(PRODUCT)}>
          <Component Id="EditorShortcut" Guid="{component_guid("shortcut")}" Win64="yes">
            <Shortcut Id="EditorShortcut" Name={quoteattr(PRODUCT)} Target="[INSTALLDIR]{EDITOR}"
                      WorkingDirectory="INSTALLDIR" Icon="{ICON}" IconIndex="0"
                      Description={quoteattr(DESCRIPTION)} />
            <RemoveFolder Id="RemoveProgramMenuDir" On="uninstall" />
            <RegistryValue Root="HKLM" Key="Software\\{PRODUCT}" Name="StartMenuShortcut"
                           Type="integer" Value="1" KeyPath="yes" />
          </Component>
        </Directory>
      </Directory>
"""
    # Listed under the .json type's OpenWithProgids only: the type's default program stays.
    classes = "Software\\Classes"
    values = [
        (f"{PROG_ID}", "", "Taviro Start program"),
        (f"{PROG_ID}\\DefaultIcon", "", f"[#{editor_file}],0"),
        (f"{PROG_ID}\\shell\\open\\command", "", f'"[#{editor_file}]" "%1"'),
        (".json\\OpenWithProgids", PROG_ID, ""),
        (f"Applications\\{EDITOR}", "FriendlyAppName", PRODUCT),
        (f"Applications\\{EDITOR}\\SupportedTypes", ".json", ""),
    ]
    registry = "\n".join(
        f'            <RegistryValue Root="HKLM" Key={quoteattr(classes + chr(92) + key)} '
        + (f"Name={quoteattr(name)} " if name else "")
        + f'Type="string" Value={quoteattr(value)}'
        + (' KeyPath="yes"' if index == 0 else "") + " />"
        for index, (key, name, value) in enumerate(values))
    open_with = f"""          <Component Id="OpenWith" Guid="{component_guid("open with")}" Win64="yes">
{registry}
          </Component>
"""
    return menu, open_with


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder", type=Path)
    parser.add_argument("--version", required=True)
    parser.add_argument("--icon", type=Path, required=True)
    parser.add_argument("--close-helper", type=Path, required=True)
    parser.add_argument("--homepage", default="")
    parser.add_argument("--output", type=Path)
    parser.add_argument("--finish", type=Path)
    args = parser.parse_args()
    if not args.folder.is_dir():
        sys.exit(f"make-wxs: no folder {args.folder}")
    for needed in (args.icon, args.close_helper):
        if not needed.is_file():
            sys.exit(f"make-wxs: no {needed}")
    try:
        version = product_version(args.version)
    except ValueError as error:
        sys.exit(f"make-wxs: {error}")

    # wixl finds files only relative to the folder it runs in, the install folder.
    def beside(path):
        return os.path.relpath(path.resolve(), args.folder.resolve())

    tree = []
    components = []
    versions = {}
    write_folder(tree, args.folder, args.folder, 5, components, versions)
    if not components:
        sys.exit(f"make-wxs: {args.folder} is empty")
    has_editor = (args.folder / EDITOR).is_file()
    menu, open_with = editor_parts(identifier("f", EDITOR)) if has_editor else ("", "")
    if has_editor:
        components += ["EditorShortcut", "OpenWith"]
    refs = "\n".join(f'      <ComponentRef Id="{c}" />' for c in components)
    links = "".join(f'    <Property Id="{name}" Value={quoteattr(args.homepage)} />\n'
                    for name in ("ARPHELPLINK", "ARPURLINFOABOUT") if args.homepage)
    text = f"""<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name={quoteattr(PRODUCT)} Language="1033" Version="{version}"
           Manufacturer={quoteattr(MANUFACTURER)} UpgradeCode="{UPGRADE_CODE}">
    <Package InstallerVersion="500" Compressed="yes" InstallScope="perMachine"
             Description={quoteattr(PRODUCT + " " + version)} />
    <Media Id="1" Cabinet="product.cab" EmbedCab="yes" />
    <!-- Any installed copy up to this version is removed first, a rebuild of this version too
         (the upper bound is made inclusive when the MSI is finished); a newer one refuses this
         package. -->
    <Upgrade Id="{UPGRADE_CODE}">
      <UpgradeVersion Minimum="0.0.0" IncludeMinimum="yes" Maximum="{version}"
                      Property="{OLDER_FOUND}" />
      <UpgradeVersion Minimum="{version}" IncludeMinimum="no" OnlyDetect="yes"
                      Property="{NEWER_FOUND}" />
    </Upgrade>
    <Condition Message="A newer version of {PRODUCT} is already installed. To go back to this one, remove the newer version first.">NOT {NEWER_FOUND}</Condition>
    <Icon Id="{ICON}" SourceFile={quoteattr(beside(args.icon))} />
    <Property Id="ARPPRODUCTICON" Value="{ICON}" />
{links}    <Property Id="ARPNOMODIFY" Value="1" />
    <!-- The Restart Manager closes programs that hold files in use, and ends those that do not
         answer, rather than leaving the files for a restart. -->
    <Property Id="MSIRMSHUTDOWN" Value="1" />
    <Binary Id="CloseHelper" SourceFile={quoteattr(beside(args.close_helper))} />
    <CustomAction Id="CloseRunningPrograms" BinaryKey="CloseHelper"
                  DllEntry="CloseRunningPrograms" Execute="immediate" Return="ignore" />
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFiles64Folder">
        <Directory Id="INSTALLDIR" Name={quoteattr(PRODUCT)}>
{chr(10).join(tree)}
{open_with}        </Directory>
      </Directory>
{menu}    </Directory>
    <!-- Windows Installer keeps no installation folder of its own; the uninstaller finds the
         product by this one (InstallLocation). -->
    <CustomAction Id="SetInstallLocation" Property="ARPINSTALLLOCATION" Value="[INSTALLDIR]" />
    <InstallExecuteSequence>
      <FindRelatedProducts Sequence="25" />
      <!-- Right after CostFinalize (1000), once INSTALLDIR is resolved; wixl does not place
           actions by name. -->
      <Custom Action="SetInstallLocation" Sequence="1001" />
      <!-- After InstallValidate (1400), where the Restart Manager acts, and before anything
           is removed: the old copy as a whole (early, so nothing of it is left mixed in). -->
      <Custom Action="CloseRunningPrograms" Sequence="1401" />
      <RemoveExistingProducts Sequence="1402" />
    </InstallExecuteSequence>
    <Feature Id="Complete" Level="1">
{refs}
    </Feature>
  </Product>
</Wix>
"""
    statements = [
        f"DELETE FROM `Upgrade` WHERE `ActionProperty` = '{OLDER_FOUND}'",
        "INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMin`, `VersionMax`, `Attributes`, "
        f"`ActionProperty`) VALUES ('{UPGRADE_CODE}', '0.0.0', '{version}', "
        f"{REPLACE_ATTRIBUTES}, '{OLDER_FOUND}')",
    ]
    # A versioned file is compared by its version; a hash is for unversioned files only.
    for file_id, file_version in sorted(versions.items()):
        statements.append(f"UPDATE `File` SET `Version` = {sql_text(file_version)} "
                          f"WHERE `File` = {sql_text(file_id)}")
        statements.append(f"DELETE FROM `MsiFileHash` WHERE `File_` = {sql_text(file_id)}")
    if args.output:
        args.output.write_text(text, encoding="utf-8")
    else:
        sys.stdout.write(text)
    if args.finish:
        args.finish.write_text("\n".join(statements) + "\n", encoding="utf-8")
    if not has_editor:
        print(f"make-wxs: no {EDITOR} in {args.folder}: no Start-menu shortcut", file=sys.stderr)


if __name__ == "__main__":
    main()
