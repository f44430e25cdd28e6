#!/usr/bin/python
# Stand-in for ansible.windows.win_stat in the playbook's test, for a file's
# SHA-1: see win_command.py.
import hashlib
import os

from ansible.module_utils.basic import AnsibleModule


def main():
    module = AnsibleModule(argument_spec={
        "path": {"required": True}, "get_checksum": {"type": "bool"},
        "checksum_algorithm": {"choices": ["sha1"]}}, supports_check_mode=True)
    path = os.path.join(os.environ["TXRESET_STAND_IN_HOST"],
                        module.params["path"].replace("\\", "_"))
    stat = {"exists": os.path.exists(path)}
    if stat["exists"]:
        with open(path, "rb") as file:
            stat["checksum"] = hashlib.sha1(file.read()).hexdigest()
    module.exit_json(changed=False, stat=stat)


if __name__ == "__main__":
    main()
