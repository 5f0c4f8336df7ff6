#!/usr/bin/env python3
"""Checks of what a user gets: the icons, the .deb, the ZIP and the installer.

Each command is one CTest test (label "package"), run after cpack made the
packages in the build tree's packages/ folder:
  check_packages.py VERSION icon SOURCE SCRATCH
  check_packages.py VERSION deb PACKAGES             contents, control fields, lintian
  check_packages.py VERSION deb-unpacked PACKAGES SCRATCH
  check_packages.py VERSION zip PACKAGES
  check_packages.py VERSION version-resources WINDRES EXE...
  check_packages.py VERSION installer PACKAGES SCRATCH
A failed check raises SystemExit with what was wrong.
"""

import os
import re
import shutil
import subprocess
import sys
import zipfile

ICON_SIZES = [16, 32, 48, 64, 128, 256]
DEB_FILES = {
    "usr/bin/cardloom", "usr/bin/cardinfo", "usr/share/applications/cardloom.desktop",
    "usr/share/metainfo/org.example.cardloom.metainfo.xml", "usr/share/man/man1/cardloom.1.gz",
    "usr/share/man/man1/cardinfo.1.gz", "usr/share/doc/cardloom/copyright",
    "usr/share/doc/cardloom/changelog.Debian.gz",
} | {"usr/share/icons/hicolor/%dx%d/apps/cardloom.png" % (n, n) for n in ICON_SIZES}
WINDOWS_FILES = {"cardloom.exe", "cardinfo.exe", "README.md", "LICENSE", "docs/screenshot-linux.png",
                 "docs/screenshot-windows.png"}
UNINSTALL_KEY = r"[Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Cardloom]"


def run(*command, **options):
    """Runs a command to its end; a failure is the check's failure."""
    result = subprocess.run(command, capture_output=True, text=True, timeout=240, **options)
    if result.returncode != 0:
        raise SystemExit("%s exited %d\n%s%s" % (" ".join(command), result.returncode, result.stdout,
                                                   result.stderr))
    return result.stdout


def expect(condition, message):
    if not condition:
        raise SystemExit(message)


def same_files(found, wanted, what):
    expect(found == wanted, "%s: missing %s, unexpected %s" % (what, sorted(wanted - found),
                                                             sorted(found - wanted)))


def tree(root):
    """Every file and folder below root, as relative paths with /."""
    paths = set()
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            paths.add(os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/"))
    return paths


def fresh(folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    return folder


def check_icon(version, source, scratch):
    # The committed icon files are what their generator draws.
    run(sys.executable, os.path.join(source, "res", "make_icon.py"), fresh(scratch))
    committed = os.path.join(source, "res")
    drawn = {p for p in tree(scratch) if os.path.isfile(os.path.join(scratch, p))}
    same_files(drawn, {"cardloom.ico"} | {"hicolor/%dx%d/apps/cardloom.png" % (n, n) for n in ICON_SIZES},
               "drawn icons")
    for path in sorted(drawn):
        with open(os.path.join(scratch, path), "rb") as a, open(os.path.join(committed, path), "rb") as b:
            expect(a.read() == b.read(), "res/%s differs from what res/make_icon.py draws" % path)


def deb_path(version, packages):
    arch = run("dpkg", "--print-architecture").strip()
    path = os.path.join(packages, "cardloom_%s-1_%s.deb" % (version, arch))
    expect(os.path.isfile(path), "no package %s" % path)
    return path


def check_deb(version, packages):
    deb = deb_path(version, packages)
    listing = run("dpkg-deb", "-c", deb)
    print(listing)
    files = {line.split()[-1][2:] for line in listing.splitlines() if not line.startswith("d")}
    same_files(files, DEB_FILES, os.path.basename(deb))
    fields = dict(re.findall(r"^(\w[\w-]*): (.*)$", run("dpkg-deb", "-f", deb), re.M))
    expect(fields.get("Package") == "cardloom" and fields.get("Version") == version + "-1",
           "control: %s" % fields)
    # Dependencies found from the binaries, so the Qt libraries the editor links.
    expect("libqt6widgets6" in fields.get("Depends", ""), "Depends: %s" % fields.get("Depends"))
    print(run("lintian", "--fail-on", "error", deb, env=dict(os.environ, LC_ALL="C.UTF-8")))


def check_deb_unpacked(version, packages, scratch):
    root = fresh(scratch)
    run("dpkg-deb", "-x", deb_path(version, packages), root)
    share = os.path.join(root, "usr", "share")
    print(run("appstreamcli", "validate", "--no-net", os.path.join(share, "metainfo",
                                                                 "org.example.cardloom.metainfo.xml")))
    run("desktop-file-validate", os.path.join(share, "applications", "cardloom.desktop"))
    for page in ("cardloom", "cardinfo"):
        shown = subprocess.run(["man", "--warnings", "-l", os.path.join(share, "man", "man1", page + ".1.gz")],
                               capture_output=True, text=True, env=dict(os.environ, MANWIDTH="80"))
        expect(shown.returncode == 0 and shown.stderr == "" and page.upper() in shown.stdout,
               "man %s: %s" % (page, shown.stderr))
    out = run(os.path.join(root, "usr", "bin", "cardinfo"), "--version")
    expect(out == "cardinfo %s\n" % version, "cardinfo --version printed %r" % out)


def check_zip(version, packages):
    path = os.path.join(packages, "Cardloom-%s-win64.zip" % version)
    names = zipfile.ZipFile(path).namelist()
    print("\n".join(names))
    top = "Cardloom-%s-win64/" % version
    expect(all(n.startswith(top) for n in names), "the ZIP's files are not all in %s" % top)
    same_files({n[len(top):] for n in names if not n.endswith("/")}, WINDOWS_FILES, os.path.basename(path))


# The Windows versions each manifest declares (7, 8, 8.1, 10 and 11), and the
# editor's settings for high-DPI screens.
SUPPORTED_OS = {"35138b9a-5d96-4fbd-8e2d-a2440225f93a", "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",
                "1f676c76-80e1-4239-95bb-83d0f6d0da78", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"}
EDITOR_DPI_SETTINGS = ("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">false</dpiAware>",
                       "<gdiScaling xmlns=\"http://schemas.microsoft.com/SMI/2017/WindowsSettings\">true</gdiScaling>")


def check_manifest(name, resources):
    block = re.search(r'^1 24 .*?\nBEGIN\n(.*?)\nEND', resources, re.S | re.M)
    expect(block, "%s has no manifest" % name)
    text = "".join(re.findall(r'^\s*"(.*)"\s*$', block.group(1), re.M)).replace('""', '"').replace("\\n", "\n")
    ids = set(re.findall(r'<supportedOS Id="\{([0-9a-f-]+)\}"/>', text))
    expect(ids == SUPPORTED_OS, "%s: supportedOS %s, not %s" % (name, sorted(ids), sorted(SUPPORTED_OS)))
    for setting in EDITOR_DPI_SETTINGS:
        expect((setting in text) == (name == "cardloom.exe"), "%s: %s %s" % (
            name, setting, "missing" if name == "cardloom.exe" else "not for it"))


def check_version_resources(version, windres, *programs):
    for program in programs:
        resources = run(windres, "-i", program, "-O", "rc")
        values = dict(re.findall(r'VALUE "(\w+)", "([^"]*)"', resources))
        name = os.path.basename(program)
        check_manifest(name, resources)
        wanted = {"ProductName": "Cardloom", "ProductVersion": version, "FileVersion": version,
                  "OriginalFilename": name, "LegalCopyright": "Copyright (c) 2026 the Cardloom authors"}
        for key, value in wanted.items():
            expect(values.get(key) == value, "%s: %s is %r, not %r" % (name, key, values.get(key), value))
        expect(values.get("FileDescription"), "%s has no FileDescription" % name)


def check_installer(version, packages, scratch):
    # A scratch Wine prefix: silent install, the program run from where it was
    # installed, silent uninstall, then a restart to carry out the deletions
    # the uninstaller leaves for the next start (as on Windows).
    setup = os.path.join(packages, "Cardloom-%s-win64-setup.exe" % version)
    expect(os.path.isfile(setup), "no installer %s" % setup)
    prefix = fresh(scratch)
    env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
    drive = os.path.join(prefix, "drive_c")
    installed = os.path.join(drive, "Program Files", "Cardloom")
    shortcut = os.path.join(drive, "ProgramData", "Microsoft", "Windows", "Start Menu", "Programs",
                            "Cardloom", "Cardloom.lnk")

    def wine(*command):
        # Wine's background services outlive a command: no output pipe for them to hold.
        subprocess.run(command, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=240, check=True)
        subprocess.run(["wineserver", "-w"], env=env, timeout=240, check=True)

    def registry():
        text = ""
        for hive in ("system.reg", "user.reg"):
            with open(os.path.join(prefix, hive), encoding="utf-8", errors="replace") as f:
                text += f.read()
        return text

    try:
        wine("wineboot", "--init")
        before = tree(drive)
        wine("wine", setup, "/S")
        same_files(tree(installed), WINDOWS_FILES | {"docs", "Uninstall.exe"}, "installed files")
        with open(shortcut, "rb") as f:
            expect(b"cardloom.exe" in f.read().lower(), "the shortcut does not start cardloom.exe")
        entry = registry().partition(UNINSTALL_KEY)[2].split("\n\n")[0]
        for value in ('"DisplayName"="Cardloom"', '"DisplayVersion"="%s"' % version,
                      '"UninstallString"="\\"C:\\\\Program Files\\\\Cardloom\\\\Uninstall.exe\\""'):
            expect(value in entry, "uninstall entry lacks %s:%s" % (value, entry))
        out = run("wine", os.path.join(installed, "cardinfo.exe"), "--version", env=env,
                  stdin=subprocess.DEVNULL)
        expect(out == "cardinfo %s\n" % version, "installed cardinfo.exe --version printed %r" % out)

        wine("wine", os.path.join(installed, "Uninstall.exe"), "/S")
        wine("wineboot", "--restart")
        left = {p for p in tree(drive) - before
                if not (re.match(r"users/[^/]+/Temp/", p) and os.path.isdir(os.path.join(drive, p)))}
        expect(not left, "left after uninstalling: %s" % sorted(left))
        expect("cardloom" not in registry().lower(), "the registry still names Cardloom")
    finally:
        subprocess.run(["wineserver", "-k"], env=env, timeout=60)


COMMANDS = {"icon": check_icon, "deb": check_deb, "deb-unpacked": check_deb_unpacked, "zip": check_zip,
            "version-resources": check_version_resources, "installer": check_installer}

if __name__ == "__main__":
    COMMANDS[sys.argv[2]](sys.argv[1], *sys.argv[3:])
