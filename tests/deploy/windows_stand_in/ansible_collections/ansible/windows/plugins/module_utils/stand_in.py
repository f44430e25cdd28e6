# The stand-in Windows host of the playbook's test, shared by the stand-in
# modules and shell: the host is the folder that TXRESET_STAND_IN_HOST names
# (in a fleet, each host's ansible_python_interpreter sets it for the
# modules, and the shell takes the host's txreset_stand_in_host), its
# programs are Linux builds on the emulated registry kept in that folder's
# "registry" file, and a Windows path C:\A\B names the file C:/A/B under it.
# Files are put only in a folder that win_tempfile made: it notes each one in
# the file that TXRESET_STAND_IN_TEMPFILES names, outside the host, as a JSON
# line {"path": the folder, "asked": the path it was asked for, or null}.
import json
import os
import re

# %TEMP% of the account that Ansible connects as: only it may write there.
# Its name has a space, as an account's may, and so has every path there.
ACCOUNT_TEMP = "C:\\Users\\ansible deploy\\AppData\\Local\\Temp"


def is_windows_path(text):
    return re.match(r"[A-Za-z]:\\", text) is not None


def host_path(windows_path, host=None):
    """The file for windows_path on the host folder host, by default
    TXRESET_STAND_IN_HOST's."""
    parts = windows_path.split("\\")
    if not is_windows_path(windows_path) or ".." in parts:
        raise ValueError(f"the stand-in host has no path {windows_path}")
    return os.path.join(host or os.environ["TXRESET_STAND_IN_HOST"], *parts)


def made_folders():
    try:
        with open(os.environ["TXRESET_STAND_IN_TEMPFILES"], encoding="utf-8") as record:
            return [json.loads(line)["path"] for line in record]
    except FileNotFoundError:
        return []


def note_made_folder(windows_path, asked):
    with open(os.environ["TXRESET_STAND_IN_TEMPFILES"], "a", encoding="utf-8") as record:
        record.write(json.dumps({"path": windows_path, "asked": asked}) + "\n")


def made_folder(module, windows_path):
    """The host's folder for windows_path, which must be one that
    win_tempfile made and that is still there; else the module fails."""
    if windows_path not in made_folders() or not os.path.isdir(host_path(windows_path)):
        module.fail_json(msg=f"{windows_path} is not a folder that win_tempfile made")
    return host_path(windows_path)


def staged_path(module, windows_path):
    """The host's file for windows_path, which must lie directly in a folder
    that win_tempfile made and that is still there; else the module fails."""
    folder = windows_path.rpartition("\\")[0]
    if folder not in made_folders() or not os.path.isdir(host_path(folder)):
        module.fail_json(msg=f"{windows_path} is not in a folder that win_tempfile made")
    return host_path(windows_path)
