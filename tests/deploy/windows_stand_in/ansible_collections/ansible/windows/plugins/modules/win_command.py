#!/usr/bin/python
# Stand-in for ansible.windows.win_command in the playbook's test: runs a
# program from a folder that win_tempfile made, with each argument that is a
# Windows path in the host folder's terms. See module_utils/stand_in.py.
import os
import subprocess

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.ansible.windows.plugins.module_utils.stand_in import (
    host_path, is_windows_path, staged_path)


def main():
    module = AnsibleModule(
        argument_spec={"argv": {"type": "list", "elements": "str", "required": True}})
    host = os.environ["TXRESET_STAND_IN_HOST"]
    argv = module.params["argv"]
    run = subprocess.run(
        [staged_path(module, argv[0])]
        + [host_path(arg) if is_windows_path(arg) else arg for arg in argv[1:]],
        env=dict(os.environ, TXRESET_EMULATED_REGISTRY=os.path.join(host, "registry")),
        capture_output=True, text=True, check=False)
    result = {"changed": True, "rc": run.returncode, "stdout": run.stdout,
              "stderr": run.stderr, "stdout_lines": run.stdout.splitlines()}
    if run.returncode != 0:
        module.fail_json(msg="non-zero return code", **result)
    module.exit_json(**result)


if __name__ == "__main__":
    main()
