#!/usr/bin/env python3
"""Runs the commands that the README, docs/, the pages in deploy/ and the
release's README.txt give in their code blocks, as written, wherever they
can run here.

  check_commands.py programs SOURCE WORK TXRESET TXCHECK TXRESTORE TXREPORT
      the txreset, txcheck, txrestore and txreport commands, with the
      programs given (on the emulated registry) named as the docs name
      them, with or without .exe. Each must exit 0 or 1; where the doc
      shows what it prints, its first line must be the doc's, and its last
      line the doc's, numbers aside; and where the doc saves a backup and
      then restores it, the registry must be back as it was.
  check_commands.py release SOURCE WORK DIST
      the commands that check and install the release in DIST (what
      scripts/release wrote): each block of them runs as a script, in a
      copy of DIST, or for README.txt in the unpacked zip, with the
      collection and the .deb beside it. apt installs are simulated and
      playbooks only syntax-checked. Every file name of the release that
      the docs give must be one the release wrote.

A command is a line of a code block whose program is named below; a line
after a prompt ("$ ", "C:\\> ") must be one. Each doc file given must hold
at least one.
"""
import os, re, shutil, subprocess, sys, zipfile
from pathlib import Path

PROMPTS = ("$ ", "C:\\> ")
# What each command's program is, and where it runs.
PROGRAMS = {"txreset", "txcheck", "txrestore", "txreport"}
RELEASE = {"sha256sum", "unzip", "cd", "sudo", "ansible-galaxy", "ansible-playbook"}
ELSEWHERE = {
    **dict.fromkeys(("scripts/run", "scripts/test", "scripts/release", "scripts/wine",
                     "cmake"), "builds and installs packages: scripts/test runs it"),
    **dict.fromkeys(("certutil", "Get-AuthenticodeSignature", "icacls", "net", "mkdir",
                     "for", "type", "echo", "txreset-startup.cmd", "txreset-restore.cmd"),
                    "a Windows command"),
}
# The release's files, as the docs name them.
RELEASE_FILE = re.compile(r"txreset-[^\s`/]*-windows\.zip|txreport_[^\s`/]*_amd64\.deb|"
                          r"tarnel-txreset-[^\s`/]*\.tar\.gz|txreset-[^\s`/-]*\.cdx\.json")
INSTANCE = "SYSTEM\\CurrentControlSet\\Services\\Quorv{}\\Parameters"

failures = []


def fail(message):
    print(f"FAIL: {message}")
    failures.append(message)


def doc_files(source):
    collection = "deploy/ansible/collections/ansible_collections/tarnel/txreset/README.md"
    return ([source / "README.md"] + sorted((source / "docs").glob("*.md"))
            + [source / "deploy/gpo/README.md", source / collection])


def label(page, source):
    """The page's path in the sources; the release's README.txt by its name."""
    return "README.txt" if page.name == "README.txt" else str(page.relative_to(source))


def folder_for(work, name):
    return work / re.sub(r"[^A-Za-z0-9.]+", "-", name)


def code_blocks(path):
    """The code blocks of a page, each (fenced, [(line number, line)]): in
    markdown, fenced or indented four spaces; in a .txt file, indented two.
    A line ending in a backslash goes on with the next."""
    lines = path.read_text(encoding="utf-8").replace("\r\n", "\n").split("\n")
    indent = "  " if path.suffix == ".txt" else "    "
    blocks, block, fenced, previous = [], None, False, ""
    for number, line in enumerate(lines, 1):
        if path.suffix != ".txt" and line.lstrip().startswith("```"):
            fenced = not fenced
            block = [] if fenced else None
            if fenced:
                blocks.append((True, block))
        elif fenced:
            block.append((number, line))
        elif (line.startswith(indent) and line.strip()
              and (indent == "    " or not line.startswith(indent + " "))
              and (block is not None or not previous.strip())):
            if block is None:
                block = []
                blocks.append((False, block))
            block.append((number, line[len(indent):]))
        else:
            block = None
        previous = line
    joined = []
    for in_fence, block in blocks:
        out = []
        for number, line in block:
            if out and out[-1][1].endswith("\\") and not out[-1][1].endswith("\\\\"):
                out[-1] = (out[-1][0], out[-1][1][:-1] + line.strip())
            else:
                out.append((number, line))
        joined.append((in_fence, out))
    return joined


def program_of(command):
    """The program a command line runs, past VARIABLE=value words, less
    .exe; None for a synopsis ("txcheck [--help | ...]")."""
    words = [w for w in command.split() if not re.fullmatch(r"[A-Z_]+=\S*", w)]
    if not words or any(w.startswith("[") for w in words[1:2]):
        return None
    return words[0].removesuffix(".exe")


def commands(path):
    """[(block, line, command, documented output, kind)] of a page, block
    being the code block's number and kind "programs", "release" or why it
    does not run here. In a fenced block, or one with prompts, only the
    lines after a prompt are commands, and the others what they print."""
    found = []
    for index, (fenced, block) in enumerate(code_blocks(path)):
        prompted = fenced or any(line.startswith(PROMPTS) for _, line in block)
        for number, line in block:
            if prompted and not line.startswith(PROMPTS):
                if found and found[-1][0] == index:
                    found[-1][3].append(line)
                continue
            command = line
            for prompt in PROMPTS:
                command = command.removeprefix(prompt)
            command = re.sub(r"\s+#.*$", "", command).strip()
            program = program_of(command)
            if program in PROGRAMS:
                kind = "programs" if "\\\\" not in command else "names a Windows share"
            elif program in RELEASE:
                kind = "release"
            elif program in ELSEWHERE:
                kind = ELSEWHERE[program]
            elif prompted and program is not None:
                fail(f"{path}:{number}: {command}: no program this test knows")
                continue
            else:
                continue
            found.append((index, number, command, [], kind))
    return found


def page_runs(pages, source, work):
    """Each page with the commands found on it and a new folder to run them
    in; a page without any fails."""
    for page in pages:
        found = commands(page)
        if not found:
            fail(f"{label(page, source)}: no command found")
        yield page, found, folder_for(work, label(page, source))


def run(argv, **options):
    return subprocess.run(argv, capture_output=True, encoding="utf-8", errors="replace",
                          timeout=300, check=False, **options)


def held(registry):
    """The emulated registry's keys and values, the A and W forms alike."""
    return re.sub(r"(?m)^wide ", "value ", registry.read_text(encoding="utf-8"))


def shape(line):
    return re.sub(r"[0-9]+", "N", line)


def check_programs(source, work, programs):
    bin_dir = work / "bin"
    bin_dir.mkdir(parents=True)
    for name, program in zip(("txreset", "txcheck", "txrestore", "txreport"), programs):
        for link in (name, f"{name}.exe"):
            (bin_dir / link).symlink_to(Path(program).absolute())
    env = dict(os.environ, PATH=f"{bin_dir}{os.pathsep}{os.environ['PATH']}",
               LC_ALL="C.UTF-8")

    def registry_with(folder, lines):
        registry = folder / "registry"
        registry.write_text("".join(f"{line}\n" for line in lines), encoding="utf-8")
        return dict(env, TXRESET_EMULATED_REGISTRY=str(registry)), registry

    # Quorv0 ok, Quorv1 holding 7, Quorv3 without the value.
    seed = [f"key rw {INSTANCE.format(0)}", "value 4 00000000- ReportTxEarly",
            f"key rw {INSTANCE.format(1)}", "value 4 07000000- ReportTxEarly",
            f"key rw {INSTANCE.format(3)}"]
    # Logs as the recipes keep them: web01 checked, reset and checked again,
    # web02 checked alone where no instance is installed.
    fleet = work / "fleet"
    (fleet / "reports").mkdir(parents=True)
    fleet_env, _ = registry_with(fleet, seed)
    log = ""
    for argv in ["txcheck"], ["txreset"], ["txcheck"]:
        done = run(argv, env=fleet_env)
        log += done.stdout + done.stderr
    (fleet / "reports/web01.log").write_text(log, encoding="utf-8")
    fleet_env, _ = registry_with(fleet, [])
    (fleet / "reports/web02.log").write_text(run(["txcheck"], env=fleet_env).stdout,
                                            encoding="utf-8")

    pages = doc_files(source) + [source / "cmake/release-README.txt"]
    ran = 0
    for page, found, folder in page_runs(pages, source, work):
        shutil.copytree(fleet / "reports", folder / "reports")
        # The hosts that should report, as docs/txreport.md lists them.
        (folder / "hosts.txt").write_bytes(b"WEB01\r\nweb02\r\nweb03\r\n")
        page_env, registry = registry_with(folder, seed)
        run(["txcheck"], env=page_env, cwd=folder)  # the registry in the programs' own form
        before = {}
        for _, number, command, shown, kind in found:
            where = f"{label(page, source)}:{number}: {command}"
            if kind != "programs":
                continue
            if shown and re.match(r"tx[a-z]+: ", shown[0]):
                print(f"not run: {where}: it shows a refusal, of a file made for it")
                continue
            words = command.split()
            program = program_of(command)
            if program == "txcheck" and "--backup" in words:
                before.setdefault(words[words.index("--backup") + 1], held(registry))
            done = run(["bash", "-c", command], env=page_env, cwd=folder)
            ran += 1
            print(f"ran (exit {done.returncode}): {where}")
            if done.returncode not in (0, 1):
                fail(f"{where}: exit status {done.returncode}: {done.stderr.strip()}")
                continue
            printed = (done.stderr if program == "txreset" else done.stdout).splitlines()
            if program != "txreset" and done.stderr:
                fail(f"{where}: writes to standard error: {done.stderr.strip()}")
            if shown and not shown[0].startswith("("):
                if printed[:1] != shown[:1]:
                    fail(f"{where}: prints {printed[:1]}, the page shows {shown[:1]}")
                elif (printed and not shown[-1].startswith("(")
                      and shape(printed[-1]) != shape(shown[-1])):
                    fail(f"{where}: ends {printed[-1]!r}, the page shows {shown[-1]!r}")
            if program == "txrestore" and "--check" not in words and words[-1] in before:
                if held(registry) == before[words[-1]]:
                    print(f"  the registry is back as it was before {words[-1]} was saved")
                else:
                    fail(f"{where}: the registry is not as it was before the backup")
    if ran == 0:
        fail("no command ran")


def check_release(source, work, dist):
    dist = Path(dist)
    zips = list(dist.glob("*-windows.zip"))
    if len(zips) != 1:
        fail(f"no single zip in {dist}")
        return
    bundle = work / "bundle"
    with zipfile.ZipFile(zips[0]) as archive:
        archive.extractall(bundle)
    written = {f.name for f in dist.iterdir()}
    pages = doc_files(source) + [bundle / "README.txt"]
    for page in pages:
        for number, line in enumerate(page.read_text(encoding="utf-8").splitlines(), 1):
            for name in RELEASE_FILE.findall(line):
                if name not in written:
                    fail(f"{label(page, source)}:{number}: {name} is not a file that the "
                         "release wrote")
    preamble = """set -euo pipefail
sudo() { # apt install, simulated; nothing else
  [ "$1 $2" = "apt install" ] || { echo "not run here: sudo $*" >&2; return 1; }
  shift 2
  apt-get install --simulate -qq "$@"
}
ansible-playbook() { command ansible-playbook --syntax-check "$@"; }
"""
    ran = 0
    for page, found, folder in page_runs(pages, source, work):
        if page.name == "README.txt":
            shutil.copytree(bundle, folder)
            for name in written - {"SHA256SUMS"} - {zips[0].name}:
                shutil.copy(dist / name, folder)
        else:
            shutil.copytree(dist, folder)
        shutil.copy(source / "deploy/ansible/inventory.example.yml", folder / "inventory.yml")
        env = dict(os.environ, HOME=str(work / "home"), ANSIBLE_NOCOLOR="1",
                   ANSIBLE_COLLECTIONS_PATH=str(folder) + ".collections",
                   ANSIBLE_LOCAL_TEMP=str(work / "ansible-tmp"), LC_ALL="C.UTF-8")
        blocks = {}
        for index, number, command, _, kind in found:
            if kind == "release":
                blocks.setdefault(index, []).append((number, command))
        for block in blocks.values():
            script = preamble + "".join(f"{command}\n" for _, command in block)
            done = run(["bash", "-c", script], env=env, cwd=folder)
            ran += 1
            where = f"{label(page, source)}:{block[0][0]}: " + "; ".join(c for _, c in block)
            print(f"ran (exit {done.returncode}): {where}")
            if done.returncode != 0:
                fail(f"{where}: exit status {done.returncode}:\n{done.stdout}{done.stderr}")
    if ran == 0:
        fail("no command ran")


def main():
    mode, source, work, *rest = sys.argv[1:]
    source, work = Path(source).absolute(), Path(work).absolute()
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    if mode == "programs":
        check_programs(source, work, rest)
    else:
        check_release(source, work, *rest)
    print(f"{len(failures)} failed checks")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
