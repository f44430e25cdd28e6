#!/usr/bin/python
# Stand-in for ansible.windows.win_command in the playbook's test: the
# host's "Windows" is the folder that TXRESET_STAND_IN_HOST names, its
# programs are Linux builds on the emulated registry kept in that folder's
# "registry" file, and its C:\ paths are file names there.
import os
import subprocess

from ansible.module_utils.basic import AnsibleModule


def main():
    module = AnsibleModule(
        argument_spec={"argv": {"type": "list", "elements": "str", "required": True}})
    host = os.environ["TXRESET_STAND_IN_HOST"]
    argv = module.params["argv"]
    run = subprocess.run(
        [os.path.join(host, argv[0].replace("\\", "_"))] + argv[1:],
        env=dict(os.environ, TXRESET_EMULATED_REGISTRY=os.path.join(host, "registry")),
        capture_output=True, text=True, check=False)
    result = {"changed": True, "rc": run.returncode, "stdout": run.stdout,
              "stderr": run.stderr, "stdout_lines": run.stdout.splitlines()}
    if run.returncode != 0:
        module.fail_json(msg="non-zero return code", **result)
    module.exit_json(**result)


if __name__ == "__main__":
    main()
