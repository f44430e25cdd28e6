#!/usr/bin/python
# Stand-in for ansible.windows.win_stat in the playbook's test: whether a
# path is there on the host, %SystemRoot% being C:\Windows. See
# module_utils/stand_in.py.
import os

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.ansible.windows.plugins.module_utils.stand_in import host_path


def main():
    module = AnsibleModule(argument_spec={"path": {"required": True}},
                           supports_check_mode=True)
    path = host_path(module.params["path"].replace("%SystemRoot%", "C:\\Windows"))
    module.exit_json(changed=False, stat={"exists": os.path.exists(path),
                                          "isdir": os.path.isdir(path)})


if __name__ == "__main__":
    main()
