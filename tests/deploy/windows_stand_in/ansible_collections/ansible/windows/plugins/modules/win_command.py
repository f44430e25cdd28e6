#!/usr/bin/python
# Stand-in for ansible.windows.win_command in the playbook's test, for the
# one command line that the roles run: cmd.exe /d /s /c ""SCRIPT" ARGUMENTS"
# with SCRIPT in a folder that win_tempfile made. Wine's cmd runs it as it
# is, in the prefix WINEPREFIX, whose drive C: is the host folder's C:; the
# host's programs are program.c, which starts the Linux builds on the
# emulated registry kept in the host folder's "registry" file. See
# module_utils/stand_in.py.
import os
import re
import subprocess
import tempfile

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.ansible.windows.plugins.module_utils.stand_in import staged_path

COMMAND = re.compile(r'cmd\.exe /d /s /c ""([^"]+)"( [^"]*)?"')


def wine_path(path):
    return "Z:" + path.replace("/", "\\")


def main():
    module = AnsibleModule(argument_spec={"cmd": {"type": "str", "required": True}})
    command = module.params["cmd"]
    form = COMMAND.fullmatch(command)
    if not form:
        module.fail_json(msg=f'the stand-in runs only cmd.exe /d /s /c ""SCRIPT" ARGUMENTS": {command}')
    staged_path(module, form.group(1))
    host = os.environ["TXRESET_STAND_IN_HOST"]
    # The command line goes to cmd as it is, from a batch file: Wine would
    # quote it again if it were given as arguments.
    with tempfile.TemporaryDirectory() as work:
        batch = os.path.join(work, "run.cmd")
        with open(batch, "w", encoding="utf-8", newline="\r\n") as lines:
            lines.write(f"@{command}\n")
        run = subprocess.run(
            [os.environ["WINELOADER"], "cmd.exe", "/d", "/c", wine_path(batch)],
            env=dict(os.environ, TXRESET_EMULATED_REGISTRY=os.path.join(host, "registry"),
                     TXRESET_STAND_IN_STATUS=wine_path(work)),
            stdin=subprocess.DEVNULL, capture_output=True, check=False)
    stdout = run.stdout.decode("utf-8", "replace")
    stderr = run.stderr.decode("utf-8", "replace")
    result = {"changed": True, "rc": run.returncode, "stdout": stdout, "stderr": stderr,
              "stdout_lines": stdout.splitlines()}
    if run.returncode != 0:
        module.fail_json(msg="non-zero return code", **result)
    module.exit_json(**result)


if __name__ == "__main__":
    main()
